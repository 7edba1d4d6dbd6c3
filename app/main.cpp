#include "app/command_line.h"
#include "app/planeto_app.h"
#include "app/scene/user_maps.h"
#include "app/settings_overrides.h"
#include "sdk/os/console.h"
#include "sdk/os/window_system.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
  zos::AttachParentConsole();
  SOptions options;
  std::string error;
  const char* szProgram = argc > 0 && argv[0] ? argv[0] : "planeto";
  if (!ParseOptions(argc, argv, options, error))
  {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", szProgram, error.c_str(),
                 szProgram);
    return 2;
  }
  if (options.help)
  {
    std::fputs(UsageText(szProgram).c_str(), stdout);
    return 0;
  }
  if (options.version)
  {
    std::fputs(VersionText().c_str(), stdout);
    return 0;
  }
  if (XSCREENSAVER_HACK && !ApplyScreenSaverWindow(options, std::getenv("XSCREENSAVER_WINDOW"), error))
  {
    std::fprintf(stderr, "%s: %s\n", szProgram, error.c_str());
    return 2;
  }
  for (const std::string& warning : SettingOverrideWarnings(options.overrides))
    std::fprintf(stderr, "%s: warning: %s\n", szProgram, warning.c_str());
  // The user's maps are read before any window opens: a file that cannot be used ends
  // the run here.
  CUserMaps maps;
  if (!maps.Read(options.mapDay, options.mapNight, options.mapClouds, error))
  {
    std::fprintf(stderr, "%s: %s\n", szProgram, error.c_str());
    return 2;
  }
  // The user's wish only: the window layer decides when the first window is made.
  if (LINUX_DESKTOP)
    zos::RequestWindowSystem(options.hackTarget != HACK_NONE || options.windowSystem == WINDOWS_X11
                                 ? zos::WINDOW_SYSTEM_X11
                             : options.windowSystem == WINDOWS_WAYLAND ? zos::WINDOW_SYSTEM_WAYLAND
                                                                        : zos::WINDOW_SYSTEM_AUTO);
  return RunPlaneto(options, &maps);
}
