#include "app/platform_choice.h"

#include "app/command_line.h"
#include "app/platform_dialog.h"
#include "app/platform_modules.h"
#include "sdk/core/log.h"
#include "sdk/core/settings_store.h"
#include "sdk/os/window.h"

#include <cstring>

namespace
{

PlatformChoice ReadChoice(const SPlatformChoiceInput& in)
{
  CSettingsStore* pEngine = in.pEngineStore;
  PlatformChoice choice;
  std::memset(&choice, 0, sizeof(choice));
  choice.bAsk = pEngine->GetBool("WORLD", "ASK_ME_ON_START", false);
  choice.wWidth = pEngine->GetShort("WORLD", "WIDTH", 800);
  choice.wHeight = pEngine->GetShort("WORLD", "HEIGHT", 600);
  choice.byColorDepth = pEngine->GetByte("WORLD", "COLOR_DEPTH", 32);
  choice.bFullscreen = pEngine->GetBool("WORLD", "FULLSCREEN", false);
  choice.bDesktop = pEngine->GetBool("WORLD", "DESKTOP_ENABLE", false);
  choice.wPlatformIndex = static_cast<uint16_t>(in.iPlatformIndex >= 0 ? in.iPlatformIndex : 2);
  choice.wModeIndex = 7;
  choice.wDepthIndex = 1;
  choice.wAudioIndex = 0;
  choice.wInputIndex = 0;
  choice.dwDialogFlags = 0;
  choice.pPlatformTable = in.pPlatformTable;
  if (in.bHack || in.bBackground)
  {
    // xscreensaver or the desktop chose and sizes the window: nothing to ask, nothing to
    // make full screen.
    choice.bAsk = 0;
    choice.bFullscreen = 0;
  }
  return choice;
}

} // namespace

bool ChoosePlatform(const SPlatformChoiceInput& in, PlatformChoice* pChoice, SPlatformDesc* pDesc)
{
  const char* log = in.szLog;
  const bool bSaver = in.iRunMode == RUN_SAVER_CONFIG || in.iRunMode == RUN_SAVER;
  PlatformChoice choice = ReadChoice(in);

  bool bAsk = choice.bAsk != 0;
  if (bSaver)
  {
    choice.dwDialogFlags = DLGFLAGS_SCREEN_SAVER | DLGFLAG_REAL_TIME;
    // The configuration run always asks; the screen saver starts with what its
    // settings saved, and asks only without it, when told to.
    const bool bSaved = LoadSavedPlatformChoice(&choice, in.pRegistry);
    bAsk = in.iRunMode == RUN_SAVER_CONFIG || (bAsk && !bSaved);
    choice.bFullscreen = 1;
    in.pRegistry->SetBool("WORLD", "FULLSCREEN", true);
  }
  MatchDisplayMode(&choice);
  if (bAsk && RunPlatformDialog(&choice, in.pDescs, in.dwDescCount, in.pfnStop) < 0)
  {
    if (in.pfnStop && in.pfnStop())
      LogMessage(log, 1, "# Stopped by a signal.\n");
    else
      LogMessage(log, 1, "# SelectPlatform failed! (dwCount=%u, \"%s\")\n", in.dwDescCount, ".");
    return false;
  }

  const char* szChosenName =
      choice.wPlatformIndex < PLATFORM_COUNT ? g_PlatformTable[choice.wPlatformIndex].szName : "";
  if (ValidPlatform(&choice, in.pDescs, in.dwDescCount) < 0)
  {
    LogMessage(log, 1, "# ValidPlatform failed! (\"%s\", \"%s\")\n", ".", szChosenName);
    return false;
  }

  if (bSaver)
  {
    SavePlatformChoice(&choice, in.pRegistry);
    zos::CWindow::ShowCursor(false);
    if (in.iRunMode == RUN_SAVER_CONFIG)
    {
      LogMessage(log, 1, "# ScreenSaver options ended.\n");
      return false;
    }
  }
  else
  {
    SavePlatformChoice(&choice, in.pEngineStore);
  }
  *pChoice = choice;
  *pDesc = in.pDescs[choice.wPlatformIndex];
  return true;
}
