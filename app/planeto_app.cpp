#include "app/planeto_app.h"

#include "app/main_loop.h"
#include "app/platform_choice.h"
#include "app/platform_modules.h"
#include "app/saver_curtain.h"
#include "app/scene/planeto_world.h"
#include "app/settings_overrides.h"
#include "app/window_placement.h"
#include "data/embedded.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/ini_settings.h"
#include "sdk/core/log.h"
#include "sdk/core/registry_settings.h"
#include "sdk/core/tracked_memory.h"
#include "sdk/os/message_queue.h"
#include "sdk/os/user_paths.h"
#include "sdk/os/window.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace zos;

const char* const PLANETO_LOG_PATH = "./Planeto.log";

namespace
{

const char* const APP_NAME = "Planeto";
const char* const APP_CLASS = "Planeto";
const char* const APP_BUILD_DATE = "Mar  4 2008";
const char* const APP_BUILD_TIME = "23:05:46";
const int APP_MAJOR = 2;
const int APP_MINOR = 110;
const uint32_t DESC_CAPACITY = 10;

// What start-up makes, freed in the right order on every way out: a run that ends
// before its loop frees what exists as it leaves (the world unloaded first when it was
// loaded or a window exists); the normal shutdown takes each piece away as it goes.
struct SRunScope
{
  SPlatformDesc* pDescs = nullptr;
  CIniSettings* pEngineStore = nullptr;
  CIniSettings* pAppliStore = nullptr;
  CRegistrySettings* pRegistry = nullptr;
  CPlanetoWorld* pWorld = nullptr;
  HWND hwnd = nullptr;
  HWND hForeign = nullptr;
  HWND hCurtain = nullptr;
  bool bLoaded = false;
  bool bWindowFailed = false;

  SRunScope() = default;
  SRunScope(const SRunScope&) = delete;
  SRunScope& operator=(const SRunScope&) = delete;
  ~SRunScope()
  {
    FreeDescriptors();
    if (pWorld && (bLoaded || hwnd))
      pWorld->Unload();
    if (hwnd && CWindow::IsWindow(hwnd))
      hwnd->Destroy();
    if (hForeign && CWindow::IsWindow(hForeign))
      hForeign->Destroy();
    DropCurtain(hCurtain);
    if (bWindowFailed)
      CMessageQueue::PostQuit(0);
    DeleteWorldAndStores();
    EndRun();
  }

  void FreeDescriptors()
  {
    if (pDescs)
      TrackedFree(pDescs);
    pDescs = nullptr;
  }

  void DeleteWorldAndStores()
  {
    delete pWorld;
    delete pEngineStore;
    delete pAppliStore;
    delete pRegistry;
    pWorld = nullptr;
    pEngineStore = pAppliStore = nullptr;
    pRegistry = nullptr;
  }
};

// An xscreensaver hack draws into a window it is given, found before anything else so
// that a wrong one ends the run at once.  False, with the reason on standard error.
bool AttachHackWindow(const SOptions& options, HWND* phForeign)
{
  const uintptr_t dwXWindow =
      options.hackTarget == HACK_ROOT ? CWindow::GetRootNativeHandle() : options.windowId;
  *phForeign = dwXWindow ? CWindow::Attach(APP_CLASS, dwXWindow, WindowProc) : nullptr;
  if (*phForeign)
    return true;
  if (CWindow::GetNativeDisplay())
    std::fprintf(stderr, "planeto: no window 0x%lX on the X display\n",
                 static_cast<unsigned long>(dwXWindow));
  else
    std::fprintf(stderr, "planeto: cannot open the X display\n");
  return false;
}

void LogStart(const char* log)
{
  LogReset(log);
  LogMessage(log, 1, "# STARTED...\n");
  LogMessage(log, 1, "# RELEASE build\n");
  LogMessage(log, 1, "# PARAM_NAME = \"%s\"\n", "Planeto.Engine.ini");
  LogMessage(log, 1, "# PARAM_NAME_EX = \"%s\"\n", "Planeto.Appli.ini");
  LogMessage(log, 1, "# PARAM_NAME_FONT = \"%s\"\n", "Planeto.Font.ini");
  LogMessage(log, 1, "# DEFAULT_INI_PATH = \"%s\"\n", ".");
  LogMessage(log, 1, "# DEFAULT_DLL_PATH = \"%s\"\n", ".");
  LogMessage(log, 1, "# DEFAULT_DATA_PATH = \"%s\"\n", "Data");
}

void LogVersions(const char* log, const CPlanetoWorld* pWorld, const SPlatformDesc& desc)
{
  const SEngineSettings* pRecord = pWorld->GetSettings();
  LogMessage(log, 1, "# \"ZephyroSDK\" (v%d,%d) build: %s\n", pRecord->dwSdkVersion >> 16,
             pRecord->dwSdkVersion & 0xFFFF, pRecord->szSdkBuild);
  LogMessage(log, 1, "# \"%s\" (v%d,%d) build: %s\n", desc.szName, desc.wMajor, desc.wMinor, desc.szBuild);
  LogMessage(log, 1, "# \"%s\" (v%d,%d) build: %s %s\n", APP_NAME, APP_MAJOR, APP_MINOR, APP_BUILD_DATE,
             APP_BUILD_TIME);
}

CIniSettings* NewBuiltInStore(const char* szName)
{
  const SEmbeddedFile* pText = FindEmbeddedText(szName);
  return new CIniSettings(reinterpret_cast<const char*>(pText->data), pText->size);
}

// The real-time mode from the options, or from the screen saver's "Real time" choice
// (the system's clock) when the options ask for no time.
SEarthNowOptions EarthNowOptions(const SOptions& options, bool bSaverRealTime)
{
  SEarthNowOptions o;
  o.bRealTime = options.hasTime || bSaverRealTime;
  o.bNow = !options.hasTime || options.timeNow;
  o.dUtc1 = options.timeUtc1;
  o.dUtc2 = options.timeUtc2;
  o.dRate = options.timeRate;
  o.bView = options.hasView;
  o.dViewLatitude = options.viewLatitude;
  o.dViewLongitude = options.viewLongitude;
  o.dViewDistance = options.viewDistance;
  o.bClock = options.clock;
  return o;
}

} // namespace

int RunPlaneto(const SOptions& options, CUserMaps* pMaps)
{
  // A hack's working folder is often the home folder: its log goes to the user's state
  // folder instead.
  const bool bHack = options.hackTarget != HACK_NONE;
  std::string strLog = PLANETO_LOG_PATH;
  HWND hForeign = nullptr;
  if (bHack)
  {
    if (!AttachHackWindow(options, &hForeign))
      return 2;
  }
  // A background is started by the desktop, in whatever folder: its log goes there too.
  if (bHack || options.background)
  {
    const std::string strStateLog = UserStateFile("planeto", "Planeto.log");
    if (!strStateLog.empty())
      strLog = strStateLog;
  }
  const char* log = strLog.c_str();
  BeginRun(options, strLog);
  SRunScope scope;
  scope.hForeign = hForeign;
  LogStart(log);

  const int iMode = bHack ? RUN_APPLICATION : ClassifyCommandLine(options.commandLine.c_str());
  if (iMode == RUN_SAVER_PASSWORD || iMode == RUN_SAVER_PREVIEW)
  {
    LogMessage(log, 1, "# IsScreenSaver enabled with invalid arguments!\n");
    return 0;
  }
  const bool bSaver = iMode == RUN_SAVER_CONFIG || iMode == RUN_SAVER;

  InstallSettingOverrides(options.overrides);
  scope.pEngineStore = NewBuiltInStore("Planeto.Engine.ini");
  scope.pAppliStore = NewBuiltInStore("Planeto.Appli.ini");
  scope.pRegistry = bSaver ? new CRegistrySettings(APP_NAME) : nullptr;

  CPlanetoWorld* pWorld = scope.pWorld = new CPlanetoWorld();
  pWorld->BindSettings(scope.pEngineStore, scope.pAppliStore, log);
  pWorld->SetScreenSaver(bSaver);
  if (options.hasSeed)
    pWorld->SetFixedSeed(options.seed);
  if (options.step > 0.0)
    pWorld->SetFixedFrameStep(options.step);

  RegisterPlatformModules(pWorld);

  scope.pDescs = static_cast<SPlatformDesc*>(TrackedCalloc(DESC_CAPACITY, sizeof(SPlatformDesc)));
  const uint32_t dwCount =
      scope.pDescs ? pWorld->EnumDevices(scope.pDescs, DESC_CAPACITY, 0x7000000, ".") : 0;
  if (dwCount == 0)
  {
    LogMessage(log, 1, "# EnumDevices failed! (dwCount=%u, \"%s\")\n", dwCount, ".");
    return 0;
  }

  SPlatformChoiceInput in;
  in.pEngineStore = scope.pEngineStore;
  in.pRegistry = scope.pRegistry;
  in.iRunMode = iMode;
  in.bHack = bHack;
  in.bBackground = options.background;
  in.iPlatformIndex = options.platformIndex;
  in.pPlatformTable = pWorld->GetPlatformTable();
  in.pDescs = scope.pDescs;
  in.dwDescCount = dwCount;
  in.szLog = log;
  in.pfnStop = StopRequested;
  PlatformChoice choice;
  SPlatformDesc desc;
  if (!ChoosePlatform(in, &choice, &desc))
  {
    // Stopped by a signal in the dialog: the run ends as a stopped loop ends it.
    if (StopRequested())
    {
      scope.DeleteWorldAndStores();
      LogMessage(log, 1, "# ENDED.\n");
    }
    return 0;
  }
  pWorld->SetEarthNow(EarthNowOptions(options, choice.bRealTime != 0));
  pWorld->SetFrameRateLine(options.fps);
  pWorld->SetUserMaps(pMaps);

  char szTitle[256];
  std::snprintf(szTitle, sizeof(szTitle), "ZephyroSDK - %s - %s (v%d,%d)", desc.szName, APP_NAME, APP_MAJOR,
                APP_MINOR);
  LogVersions(log, pWorld, desc);

  // A hack draws on the whole of the given window, whatever its size, with the visual
  // it already has.
  SWindowPlacement place{};
  if (bHack)
  {
    hForeign->GetClientSize(&place.iWidth, &place.iHeight);
    scope.hwnd = hForeign;
  }
  else
  {
    int iScreenW = 0, iScreenH = 0, iScreenX = 0, iScreenY = 0;
    CWindow::GetScreenSize(&iScreenW, &iScreenH);
    CWindow::GetScreenOrigin(&iScreenX, &iScreenY);
    place = PlaceWindow(choice.bFullscreen != 0, choice.wWidth, choice.wHeight, iScreenW, iScreenH);
    place.x += iScreenX; // on the primary monitor
    place.y += iScreenY;
    if (SAVER_CURTAIN && iMode == RUN_SAVER)
      scope.hCurtain = RaiseCurtain();
    const uint32_t dwFlags = ((desc.dwFlags & PLATFORM_OPENGL12) == PLATFORM_OPENGL12 ? WINDOW_OPENGL : 0) |
                             (options.background ? WINDOW_BACKGROUND : 0);
    if (place.iWidth > 0 && place.iHeight > 0)
      scope.hwnd = CWindow::Create(APP_CLASS, szTitle, place.dwStyle, place.x, place.y, place.iWidth,
                                   place.iHeight, WindowProc, dwFlags);
    // A background takes the size of its output.
    if (scope.hwnd && options.background)
      scope.hwnd->GetClientSize(&place.iWidth, &place.iHeight);
  }
  HWND hwnd = scope.hwnd;
  SetCurtainScene(hwnd);
  if (!hwnd)
  {
    LogMessage(log, 1, "# CreateWindow(0x%X, %dx%d:%d) failed!\n", place.dwStyle, place.iWidth, place.iHeight,
               choice.bFullscreen ? 1 : 0);
    scope.bWindowFailed = true;
    return 0;
  }
  scope.bLoaded = true; // a failed load is unloaded too
  if (pWorld->Load(hwnd, static_cast<uint32_t>(place.iWidth), static_cast<uint32_t>(place.iHeight),
                   choice.byColorDepth, choice.bFullscreen != 0, choice.bDesktop != 0, desc.dwFlags, ".") < 0)
  {
    LogMessage(log, 1, "# pWorld->Load(0x%X, %dx%d:%d) failed!\n",
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(hwnd)), place.iWidth, place.iHeight,
               choice.bFullscreen ? 1 : 0);
    return 0;
  }
  scope.FreeDescriptors();
  pWorld->Update();

  const SFramePacing pacing = ReadFramePacing(scope.pEngineStore, options);
  const bool bTimer = StartFrameTimer(hwnd, pacing);

  hwnd->Show(SW_SHOWNORMAL);
  hwnd->Update();
  hwnd->SetFocus();
  hwnd->SetProp("pWorld", pWorld);

  RunMainLoop(hwnd, pWorld, pacing, bTimer, log);

  // Shutdown: the window goes first, so that the world gets no message while it goes.
  if (CWindow::IsWindow(hwnd))
  {
    TakeScreenshot(hwnd);
    hwnd->RemoveProp("pWorld");
    hwnd->Destroy();
  }
  else if (ScreenshotPending())
  {
    TakeScreenshot(hwnd);
  }
  scope.hwnd = scope.hForeign = nullptr;
  DropCurtain(scope.hCurtain);
  scope.hCurtain = nullptr;

  PrintFrameStats();
  LogMessage(log, 1, "# pWorld->Unload\n");
  pWorld->Unload();
  scope.bLoaded = false;
  scope.DeleteWorldAndStores();
  LogMessage(log, 1, "# ENDED.\n");
  return 0;
}
