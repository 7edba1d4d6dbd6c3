#include "app/command_line.h"

#include "app/scene/sky_clock.h"
#include "sdk/core/platform.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

int ClassifyCommandLine(const char* szLine)
{
  if (!szLine || (!std::strstr(szLine, ".scr") && !std::strstr(szLine, ".SCR")))
    return RUN_APPLICATION;

  const char* p = szLine;
  if (*p == '"')
  {
    ++p;
    while (*p && *p != '"')
      ++p;
    if (*p == '"')
      ++p;
  }
  else
  {
    while (*p && *p != ' ')
      ++p;
    if (*p == ' ')
      ++p;
  }
  while (*p == ' ')
    ++p;

  if (!*p)
    return RUN_SAVER_CONFIG;
  if (*p == '-' || *p == '/')
    ++p;
  switch (*p)
  {
    case 's':
    case 'S': return RUN_SAVER;
    case 'p':
    case 'P':
    case 'l':
    case 'L': return RUN_SAVER_PREVIEW;
    case 'c':
    case 'C': return RUN_SAVER_CONFIG;
    case 'a':
    case 'A': return RUN_SAVER_PASSWORD;
    default: return RUN_APPLICATION;
  }
}

namespace
{

// ASCII only, whatever the locale: the names compared are ours.
bool SameIgnoringCase(const std::string& a, const char* b)
{
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
  {
    const char ca = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    const char cb = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
    if (ca != cb)
      return false;
  }
  return i == a.size() && !b[i];
}

} // namespace

int PlatformIndexFromName(const std::string& name)
{
  if (SameIgnoringCase(name, "opengl"))
    return 2;
  if (SameIgnoringCase(name, "software"))
    return 4;
  if (SameIgnoringCase(name, "directx"))
    return 1;
  for (int i = 0; i < PLATFORM_COUNT; ++i)
    if (SameIgnoringCase(name, g_PlatformTable[i].szName))
      return i;
  return -1;
}

namespace
{

bool ParseWhole(const std::string& text, long long lo, long long hi, long long& out)
{
  if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
    return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (errno || *end || v < static_cast<unsigned long long>(lo) || v > static_cast<unsigned long long>(hi))
    return false;
  out = static_cast<long long>(v);
  return true;
}

std::string WindowIdError(const std::string& text)
{
  return "bad window id '" + text + "' (a window number, decimal or 0x hexadecimal)";
}

// A hack draws into an X window it is given: neither on Wayland nor as a background.
bool HackFits(const SOptions& options, const std::string& what, std::string& error)
{
  if (options.hackTarget == HACK_NONE)
    return true;
  if (options.windowSystem == WINDOWS_WAYLAND)
    error = what + " runs on X11 only: it cannot be used with '--wayland'";
  else if (options.background)
    error = what + " and '--background' exclude each other";
  else
    return true;
  return false;
}

bool ParseOverride(const std::string& text, SSettingOverride& o)
{
  size_t eq = text.find('=');
  if (eq == std::string::npos)
    return false;
  std::string name = text.substr(0, eq);
  o.value = text.substr(eq + 1);
  size_t d1 = name.find('.');
  size_t d2 = d1 == std::string::npos ? d1 : name.find('.', d1 + 1);
  if (d2 == std::string::npos)
    return false;
  o.store = name.substr(0, d1);
  o.section = name.substr(d1 + 1, d2 - d1 - 1);
  o.key = name.substr(d2 + 1);
  if (o.store != "engine" && o.store != "appli" && o.store != "font")
    return false;
  auto bad = [](const std::string& s)
  { return s.empty() || s.find_first_of("[]=/; \t\r\n") != std::string::npos; };
  if (bad(o.section) || bad(o.key) || o.key.find('.') != std::string::npos)
    return false;
  return o.value.find_first_of("\r\n") == std::string::npos;
}

// A whole text that is one finite number.
bool ParseNumber(const std::string& text, double& out)
{
  if (text.empty() || text[0] == ' ')
    return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (errno || *end || !std::isfinite(v))
    return false;
  out = v;
  return true;
}

// A value that is wholly a number, but none a setting can hold: NaN, an infinity, or
// beyond the range of a float ("nan", "-inf", "1e39").  Text that merely starts like
// one ("information.png") is left alone.
bool IsNonFiniteNumber(const std::string& value)
{
  char* end = nullptr;
  const double d = std::strtod(value.c_str(), &end);
  if (end == value.c_str() ||
      value.find_first_not_of(" \t", static_cast<size_t>(end - value.c_str())) != std::string::npos)
    return false;
  return !std::isfinite(d) || std::fabs(d) > FLT_MAX;
}

} // namespace

bool ParseView(const std::string& text, double& latitude, double& longitude, double& distance)
{
  const size_t c1 = text.find(',');
  if (c1 == std::string::npos)
    return false;
  const size_t c2 = text.find(',', c1 + 1);
  double lat = 0.0, lon = 0.0, dist = 0.0;
  if (!ParseNumber(text.substr(0, c1), lat) ||
      !ParseNumber(text.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1), lon) ||
      (c2 != std::string::npos && !ParseNumber(text.substr(c2 + 1), dist)))
    return false;
  if (lat < -90.0 || lat > 90.0 || lon < -360.0 || lon > 360.0)
    return false;
  if (c2 != std::string::npos && (dist < 1.1 || dist > 1000.0))
    return false;
  latitude = lat;
  longitude = lon;
  distance = dist;
  return true;
}

bool ParseWindowId(const std::string& text, unsigned long& id)
{
  const bool bHex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = bHex ? text.substr(2) : text;
  // strtoul alone would take signs, spaces and octal.
  if (digits.empty() ||
      digits.find_first_not_of(bHex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
    return false;
  errno = 0;
  const unsigned long long v = std::strtoull(digits.c_str(), nullptr, bHex ? 16 : 10);
  if (errno || v == 0 || v > 0xFFFFFFFFull) // X ids are 32-bit, and 0 is None
    return false;
  id = static_cast<unsigned long>(v);
  return true;
}

bool ApplyScreenSaverWindow(SOptions& options, const char* szEnv, std::string& error)
{
  if (options.hackTarget == HACK_WINDOW || !szEnv || !*szEnv)
    return true;
  if (!ParseWindowId(szEnv, options.windowId))
  {
    error = WindowIdError(szEnv) + " in XSCREENSAVER_WINDOW";
    return false;
  }
  options.hackTarget = HACK_WINDOW;
  return HackFits(options, "an xscreensaver hack (XSCREENSAVER_WINDOW)", error);
}

bool ParseOptions(int argc, const char* const* argv, SOptions& options, std::string& error)
{
  options = SOptions();
  options.commandLine = argc > 0 && argv[0] ? argv[0] : "planeto";
  // A program path with spaces is quoted, as a Windows shell quotes it, so that the
  // classification skips the whole name.
  if (options.commandLine.find(' ') != std::string::npos)
    options.commandLine = "\"" + options.commandLine + "\"";
  bool optionsEnded = false;

  for (int i = 1; i < argc; ++i)
  {
    std::string arg = argv[i] ? argv[i] : "";
    // xscreensaver's options come with one dash; they take the GNU form too.
    if (XSCREENSAVER_HACK && !optionsEnded &&
        (arg == "-root" || arg == "-fps" || arg.rfind("-window-id", 0) == 0))
      arg = "-" + arg;
    // xscreensaver's pause between frames, on every system.
    if (!optionsEnded && (arg == "-delay" || arg.rfind("-delay=", 0) == 0))
      arg = "-" + arg;
    if (optionsEnded || arg.rfind("--", 0) != 0)
    {
      if (!optionsEnded && (arg == "-h"))
      {
        options.help = true;
        continue;
      }
      options.commandLine += ' ';
      options.commandLine += arg;
      continue;
    }
    if (arg == "--")
    {
      optionsEnded = true;
      continue;
    }

    std::string name = arg, value;
    bool hasValue = false;
    size_t eq = arg.find('=');
    if (eq != std::string::npos)
    {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    auto needValue = [&]() -> bool
    {
      if (hasValue)
        return true;
      if (i + 1 < argc && argv[i + 1])
      {
        value = argv[++i];
        return true;
      }
      error = "option '" + name + "' needs a value";
      return false;
    };

    if (name == "--help")
    {
      options.help = true;
    }
    else if (name == "--version")
    {
      options.version = true;
    }
    else if (name == "--platform")
    {
      if (!needValue())
        return false;
      options.platformIndex = PlatformIndexFromName(value);
      if (options.platformIndex < 0)
      {
        error = "unknown platform '" + value + "' (use opengl, software or directx)";
        return false;
      }
    }
    else if (name == "--set")
    {
      if (!needValue())
        return false;
      SSettingOverride o;
      if (!ParseOverride(value, o))
      {
        error = "bad setting '" + value + "' (use STORE.SECTION.KEY=VALUE, STORE is engine, appli or font)";
        return false;
      }
      if (IsNonFiniteNumber(o.value))
      {
        error = "bad value '" + o.value + "' in --set=" + value + " (not a finite number)";
        return false;
      }
      options.overrides.push_back(o);
    }
    else if (name == "--frames")
    {
      if (!needValue())
        return false;
      if (!ParseWhole(value, 1, 1000000000000LL, options.frames))
      {
        error = "bad frame count '" + value + "' (a whole number of at least 1)";
        return false;
      }
    }
    else if (name == "--step")
    {
      if (!needValue())
        return false;
      char* end = nullptr;
      double s = value.empty() ? -1.0 : std::strtod(value.c_str(), &end);
      if (value.empty() || *end || !std::isfinite(s) || s <= 0.0 || s > 3000.0)
      {
        error = "bad step '" + value + "' (a positive number of thirtieths of a second)";
        return false;
      }
      options.step = s;
    }
    else if (name == "--seed")
    {
      if (!needValue())
        return false;
      long long seed = 0;
      if (!ParseWhole(value, 0, 0xFFFFFFFFLL, seed))
      {
        error = "bad seed '" + value + "' (a whole number from 0 to 4294967295)";
        return false;
      }
      options.hasSeed = true;
      options.seed = static_cast<uint32_t>(seed);
    }
    else if (name == "--delay")
    {
      if (!needValue())
        return false;
      if (!ParseWhole(value, 0, 60000000LL, options.delayUs))
      {
        error = "bad delay '" + value + "' (the pause between frames in microseconds, 0 to 60000000)";
        return false;
      }
    }
    else if (name == "--max-fps")
    {
      if (!needValue())
        return false;
      long long fps = 0;
      if (!ParseWhole(value, 1, 1000, fps))
      {
        error = "bad frame rate '" + value + "' (a whole number of frames a second, 1 to 1000)";
        return false;
      }
      options.maxFps = static_cast<int>(fps);
    }
    else if (XSCREENSAVER_HACK && name == "--root")
    {
      if (options.hackTarget != HACK_WINDOW)
        options.hackTarget = HACK_ROOT;
    }
    else if (XSCREENSAVER_HACK && name == "--window-id")
    {
      if (!needValue())
        return false;
      if (!ParseWindowId(value, options.windowId))
      {
        error = WindowIdError(value);
        return false;
      }
      options.hackTarget = HACK_WINDOW;
    }
    else if (name == "--fps")
    {
      options.fps = true;
    }
    else if (name == "--time")
    {
      if (!needValue())
        return false;
      options.hasTime = true;
      options.timeNow = value == "now";
      if (!options.timeNow && !CSkyClock::ParseUtc(value.c_str(), &options.timeUtc1, &options.timeUtc2))
      {
        error = "bad time '" + value +
                "' (now, or a UTC instant such as 2024-04-08T18:17:20Z, years 1800 to 2200)";
        return false;
      }
    }
    else if (name == "--time-rate")
    {
      if (!needValue())
        return false;
      if (!ParseNumber(value, options.timeRate) || std::fabs(options.timeRate) > 1e7)
      {
        error = "bad time rate '" + value + "' (simulated seconds per real second, -10000000 to 10000000)";
        return false;
      }
    }
    else if (name == "--view")
    {
      if (!needValue())
        return false;
      if (!ParseView(value, options.viewLatitude, options.viewLongitude, options.viewDistance))
      {
        error = "bad view '" + value +
                "' (LAT,LON[,DISTANCE]: degrees north and east, distance 1.1 to 1000 Earth radii)";
        return false;
      }
      options.hasView = true;
    }
    else if (name == "--clock")
    {
      options.clock = true;
    }
    else if (name == "--map-day" || name == "--map-night" || name == "--map-clouds")
    {
      if (!needValue())
        return false;
      if (value.empty())
      {
        error = "option '" + name + "' needs a file name";
        return false;
      }
      (name == "--map-day"     ? options.mapDay
       : name == "--map-night" ? options.mapNight
                               : options.mapClouds) = value;
    }
    else if (LINUX_DESKTOP && (name == "--x11" || name == "--wayland"))
    {
      const int wish = name == "--x11" ? WINDOWS_X11 : WINDOWS_WAYLAND;
      if (options.windowSystem != WINDOWS_AUTO && options.windowSystem != wish)
      {
        error = "options '--x11' and '--wayland' exclude each other";
        return false;
      }
      options.windowSystem = wish;
    }
    else if (LINUX_DESKTOP && name == "--background")
    {
      options.background = true;
    }
    else if (name == "--screenshot")
    {
      if (!needValue())
        return false;
      if (value.empty())
      {
        error = "option '--screenshot' needs a file name";
        return false;
      }
      options.screenshot = value;
    }
    else
    {
      error = "unknown option '" + arg + "'";
      return false;
    }
  }
  return HackFits(options, "an xscreensaver hack (-root, -window-id)", error);
}

std::string UsageText(const char* szProgram)
{
  std::string p = szProgram ? szProgram : "planeto";
  std::string text = "Usage: " + p +
                     " [OPTION]... [/s | /c]\n"
                     "A real-time 3D view of the Earth from space.\n"
                     "\n"
                     "  --platform=NAME       start on this video platform: opengl (default), software,\n"
                     "                        directx, or the platform's own name (\"Zephyro3D zp3D\")\n"
                     "  --set=STORE.SECTION.KEY=VALUE\n"
                     "                        override one built-in setting; STORE is engine, appli or\n"
                     "                        font; repeatable, the later wins\n"
                     "                        (e.g. --set=engine.WORLD.ASK_ME_ON_START=0 skips the dialog)\n"
                     "  --frames=N            end after N frames have been drawn\n"
                     "  --step=S              advance every frame by S thirtieths of a second\n"
                     "  --seed=N              seed the random generator with N instead of the clock\n"
                     "  --screenshot=FILE     save the last frame drawn as a PNG image when ending\n"
                     "  --time=now|YYYY-MM-DDTHH:MM:SSZ\n"
                     "                        show the Earth as it is now or at that UTC instant: the\n"
                     "                        real Sun, Moon, rotation, sky and eclipses\n"
                     "  --time-rate=R         R simulated seconds per real second (default 1; with\n"
                     "                        --step=S each frame advances S/30 s x R)\n"
                     "  --view=LAT,LON[,DIST] hold the camera above that place (degrees, east\n"
                     "                        positive), DIST Earth radii from the centre\n"
                     "  --clock               show the simulated UTC date and time (with --time)\n"
                     "  --fps                 show the frames per second and the processor load (per\n"
                     "                        cent of one core) in the top-left corner; the software\n"
                     "                        platform shows them on its own status line\n"
                     "  --map-day=FILE, --map-night=FILE, --map-clouds=FILE\n"
                     "                        your own PNG maps (equirectangular, up to 8192 x 4096)\n"
                     "                        in place of the built-in ones; the clouds file is read\n"
                     "                        again when it changes\n"
                     "  -delay USECS, --delay=USECS\n"
                     "                        pause USECS microseconds after each frame (default: the\n"
                     "                        built-in 30 ms; 0: none)\n"
                     "  --max-fps=N           draw at most N frames a second\n";
  if (XSCREENSAVER_HACK)
    text += "  -root                 run as an xscreensaver hack on the root window (or on\n"
            "                        $XSCREENSAVER_WINDOW when set)\n"
            "  -window-id ID         run as an xscreensaver hack in window ID (decimal or 0x\n"
            "                        hex); also --window-id=ID and $XSCREENSAVER_WINDOW\n"
            "  -fps                  the same as --fps (xscreensaver passes it)\n";
  if (LINUX_DESKTOP)
    text += "  --background          draw as a live wallpaper below the windows, on every output\n"
            "                        (Wayland's layer shell; on X11 a desktop window); no dialog,\n"
            "                        input left to the desktop, ends on SIGTERM\n"
            "  --x11, --wayland      run on this window system (default: Wayland when\n"
            "                        $WAYLAND_DISPLAY is set, else X11; hacks run on X11)\n";
  text += "  -h, --help            print this help and exit\n"
          "      --version         print the program and engine versions and exit\n"
          "\n"
          "Run as a screen saver through a name ending in \".scr\": /s runs it, /c or no\n"
          "option shows its settings, /p and /a are refused.\n"
          "Keys: Escape quits; the arrows turn the view upright, on its side or upside\n"
          "down; keypad + and - change the speed, * sets it back, / stops the scene (with\n"
          "--time they pace the camera only: the clock keeps its rate).\n"
          "Mouse: drag with the left button to turn the camera, the wheel moves it in and\n"
          "out, the right button switches the automatic rotation on and off.\n"
          "Nothing is drawn while the window cannot be seen (minimised, covered, the\n"
          "monitor asleep); the scene goes on meanwhile.\n";
  if (XSCREENSAVER_HACK)
    text += "As a hack it shows no dialog, leaves input to xscreensaver, writes nothing to\n"
            "the registry and ends on SIGTERM.\n"
            "The log is written to ./Planeto.log; a hack's or a background's to\n"
            "${XDG_STATE_HOME:-$HOME/.local/state}/planeto/Planeto.log.\n";
  else
    text += "The log is written to Planeto.log in the current folder.\n";
  return text;
}

std::string VersionText() { return "Planeto 2.110 (ZephyroSDK, built " __DATE__ " " __TIME__ ")\n"; }
