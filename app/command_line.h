#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Run modes, from the full command line.
enum ERunMode
{
  RUN_APPLICATION = 0,
  RUN_SAVER_CONFIG = 1,
  RUN_SAVER_PASSWORD = 2,
  RUN_SAVER_PREVIEW = 3,
  RUN_SAVER = 4,
};

// Tells an application run from the screen-saver runs: a line without ".scr" or ".SCR"
// is an application; otherwise the option letter after the program name decides.
int ClassifyCommandLine(const char* szLine);

// One --set=STORE.SECTION.KEY=VALUE.
struct SSettingOverride
{
  std::string store; // "engine", "appli" or "font"
  std::string section;
  std::string key;
  std::string value;
};

// Whether the program can run as an xscreensaver hack (-root, -window-id, -fps and
// $XSCREENSAVER_WINDOW): on X11 only.  On Windows the screen saver's preview is /p.
#ifdef _WIN32
constexpr bool XSCREENSAVER_HACK = false;
#else
constexpr bool XSCREENSAVER_HACK = true;
#endif

// Whether the program picks its window system and runs as a desktop background
// (--x11, --wayland, --background): on Linux only.
#ifdef _WIN32
constexpr bool LINUX_DESKTOP = false;
#else
constexpr bool LINUX_DESKTOP = true;
#endif

// The window system asked for: the environment's choice, or one named.
enum EWindowSystemWish
{
  WINDOWS_AUTO = 0,
  WINDOWS_X11 = 1,
  WINDOWS_WAYLAND = 2,
};

// Where an xscreensaver hack draws: not at all (a normal run), on the root window,
// or into a given window.
enum EHackTarget
{
  HACK_NONE = 0,
  HACK_ROOT = 1,
  HACK_WINDOW = 2,
};

// Our own options, taken out of the command line before it is classified.
struct SOptions
{
  int platformIndex = -1; // index into the platform table; -1: the default
  std::vector<SSettingOverride> overrides;
  long long frames = -1; // end after that many frames; -1: never
  double step = 0.0;     // fixed frame step in thirtieths of a second; 0: measured
  bool hasSeed = false;
  uint32_t seed = 0;
  std::string screenshot; // PNG written at the end; empty: none
  bool help = false;
  bool version = false;
  int hackTarget = HACK_NONE;
  unsigned long windowId = 0; // with HACK_WINDOW
  bool fps = false;           // -fps / --fps: the frame-rate line
  // The Earth now: the scene at a real instant, the camera over a place, a clock and
  // the user's own maps.
  bool hasTime = false;  // --time
  bool timeNow = false;  // --time=now: the system clock at start
  double timeUtc1 = 0.0; // --time=YYYY-MM-DDTHH:MM:SSZ as a two-part Julian date
  double timeUtc2 = 0.0;
  double timeRate = 1.0; // simulated seconds per real second
  bool hasView = false;  // --view=LAT,LON[,DISTANCE]
  double viewLatitude = 0.0;
  double viewLongitude = 0.0;
  double viewDistance = 0.0; // Earth radii from the centre; 0: the scene's own
  bool clock = false;        // --clock
  std::string mapDay, mapNight, mapClouds;
  int windowSystem = WINDOWS_AUTO; // --x11, --wayland; a hack always runs on X11
  bool background = false;         // --background: a live wallpaper below the windows
  long long delayUs = -1; // -delay, --delay: the pause after each frame in microseconds; -1: SLEEP_TIMER's
  int maxFps = 0;         // --max-fps: frames a second at most; 0: no cap
  std::string commandLine;    // what is left, joined by single spaces, program name first
};

// Parses argv.  Returns true on success; on a bad option returns false with a one-line
// message in `error`.
bool ParseOptions(int argc, const char* const* argv, SOptions& options, std::string& error);

// An X window id as xscreensaver gives it: decimal, or hexadecimal after "0x"; never 0.
bool ParseWindowId(const std::string& text, unsigned long& id);

// $XSCREENSAVER_WINDOW (szEnv, may be null): without -window-id it names the window to
// draw into, and makes the run a hack.  False with a one-line message for a bad value,
// or when --wayland or --background asked for what a hack cannot be.
bool ApplyScreenSaverWindow(SOptions& options, const char* szEnv, std::string& error);

// LAT,LON[,DISTANCE] of --view: latitude -90..90, longitude -360..360 (east
// positive), distance 1.1 to 1000 Earth radii.  False for anything else.
bool ParseView(const std::string& text, double& latitude, double& longitude, double& distance);

// Finds a platform by our short name ("opengl", "software", "directx") or by its own
// name ("OpenGL 1.2", case-insensitive); -1 when unknown.
int PlatformIndexFromName(const std::string& name);

// The text of --help.
std::string UsageText(const char* szProgram);
// The text of --version.
std::string VersionText();
