#include "app/planeto_app.h"

#include "app/globe_icon.h"
#include "app/platform_dialog.h"
#include "app/platform_modules.h"
#include "app/platform_select.h"
#include "app/scene/planeto_world.h"
#include "app/screenshot.h"
#include "app/settings_overrides.h"
#include "data/embedded.h"
#include "sdk/core/3d_engine.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/ini_settings.h"
#include "sdk/core/log.h"
#include "sdk/core/registry_settings.h"
#include "sdk/core/tracked_memory.h"
#include "sdk/image/image_readers.h"
#include "sdk/os/clock.h"
#include "sdk/os/message_queue.h"
#include "sdk/os/process_events.h"
#include "sdk/os/user_paths.h"
#include "sdk/os/window.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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
const uint32_t FRAME_TIMER_ID = 0;

// What the window procedure and the loop share for one run.
struct SRun
{
  const SOptions* pOptions = nullptr;
  long long llFramesDrawn = 0;
  bool bFrameLimitReached = false;
  bool bShotTaken = false;
  // Benchmark hook (tools/bench.sh): with PLANETO_STATS set, the monotonic times of the
  // first and the last presented frame, printed at the end by PrintFrameStats.
  bool bStats = false;
  int64_t llFirstFrameNs = 0;
  int64_t llLastFrameNs = 0;
};
SRun* g_pRun = nullptr;

// Set from a signal handler or the console's thread: lock-free, so safe in both.
std::atomic<int> g_bStopRequested{ 0 };

// The log of this run: ./Planeto.log, or a hack's under the user's state folder.
std::string g_strLogPath = PLANETO_LOG_PATH;

void OnStopRequest()
{
  g_bStopRequested = 1;
  // The loop may be waiting for an event that never comes (a long or endless sleep).
  CMessageQueue::WakeUp();
}

// Nothing can be drawn once the display is gone: say so before the OS layer ends the run.
void OnDisplayLost(const char* szMessage)
{
  LogMessage(g_strLogPath.c_str(), 1, "# X server connection lost (%s).\n", szMessage ? szMessage : "");
}

CPlanetoWorld* WorldOf(HWND hwnd)
{
  return hwnd ? static_cast<CPlanetoWorld*>(hwnd->GetProp("pWorld")) : nullptr;
}

void TakeScreenshot(HWND hwnd)
{
  if (!g_pRun || g_pRun->bShotTaken || g_pRun->pOptions->screenshot.empty())
    return;
  g_pRun->bShotTaken = true;
  std::string error, note;
  CPlanetoWorld* pWorld = CWindow::IsWindow(hwnd) ? WorldOf(hwnd) : nullptr;
  if (!SaveScreenshot(g_pRun->pOptions->screenshot, hwnd, pWorld ? pWorld->GetDevice() : nullptr, error,
                      note))
    std::fprintf(stderr, "planeto: cannot save the screenshot '%s': %s\n",
                 g_pRun->pOptions->screenshot.c_str(), error.c_str());
  else if (!note.empty())
    std::fprintf(stderr, "planeto: %s\n", note.c_str());
}

// The window icon, made from the Earth's day map.
void SetWindowIcon(HWND hwnd);

// Counts a drawn frame; once --frames is reached the window is closed as its close box
// would close it, after the screenshot has been taken.
void FrameDrawn(HWND hwnd)
{
  if (!g_pRun || g_pRun->bFrameLimitReached)
    return;
  ++g_pRun->llFramesDrawn;
  // The icon waits for the first frame: decoding its image would delay that frame.
  if (g_pRun->llFramesDrawn == 1 && !hwnd->IsForeign())
    SetWindowIcon(hwnd);
  if (g_pRun->bStats)
  {
    QueryPerformanceCounter(&g_pRun->llLastFrameNs);
    if (g_pRun->llFramesDrawn == 1)
      g_pRun->llFirstFrameNs = g_pRun->llLastFrameNs;
  }
  if (g_pRun->pOptions->frames > 0 && g_pRun->llFramesDrawn >= g_pRun->pOptions->frames)
  {
    g_pRun->bFrameLimitReached = true;
    TakeScreenshot(hwnd);
    CMessageQueue::Post(hwnd, WM_CLOSE, 0, 0);
  }
}

// One line for tools/bench.sh: the first frame's monotonic time (CLOCK_MONOTONIC, ns),
// and the frame rate of the frames after it, so that start-up is left out.
void PrintFrameStats(const SRun& run)
{
  if (!run.bStats || run.llFramesDrawn == 0)
    return;
  const double dSeconds = static_cast<double>(run.llLastFrameNs - run.llFirstFrameNs) / 1e9;
  const long long llFrames = run.llFramesDrawn - 1;
  std::fprintf(stderr, "planeto-stats: first_frame_ns=%lld frames=%lld seconds=%.6f fps=%.2f\n",
               static_cast<long long>(run.llFirstFrameNs), llFrames, dSeconds,
               dSeconds > 0.0 ? static_cast<double>(llFrames) / dSeconds : 0.0);
}

LRESULT WindowProc(HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam)
{
  CPlanetoWorld* pWorld = WorldOf(hwnd);
  switch (uMsg)
  {
    case WM_DESTROY: CMessageQueue::PostQuit(0); return 0;
    case WM_SIZE:
      if (!pWorld)
        return CWindow::DefWindowProc(hwnd, uMsg, wParam, lParam);
      pWorld->Resize(static_cast<uint32_t>(lParam & 0xFFFF), static_cast<uint32_t>((lParam >> 16) & 0xFFFF));
      break;
    case WM_TIMER:
      if (!pWorld)
        return CWindow::DefWindowProc(hwnd, uMsg, wParam, lParam);
      if (!g_pRun || !g_pRun->bFrameLimitReached)
      {
        pWorld->Frame();
        FrameDrawn(hwnd);
      }
      break;
    default: break;
  }
  if (pWorld)
  {
    SMessage msg;
    std::memset(&msg, 0, sizeof(msg));
    msg.hwnd = hwnd;
    msg.message = uMsg;
    msg.wParam = wParam;
    msg.lParam = lParam;
    if (pWorld->HandleMessage(&msg) < 0)
    {
      CMessageQueue::PostQuit(0);
      return 0;
    }
  }
  return CWindow::DefWindowProc(hwnd, uMsg, wParam, lParam);
}

} // namespace

int RunPlaneto(const SOptions& options)
{
  SRun run;
  run.pOptions = &options;
  run.bStats = std::getenv("PLANETO_STATS") != nullptr;
  g_pRun = &run;
  g_bStopRequested = 0;
  InstallStopHandler(OnStopRequest);
  SetDisplayLostHandler(OnDisplayLost);

  // An xscreensaver hack draws into a window it is given, found before anything else
  // so that a wrong one ends the run at once.  Its working folder is often the home
  // folder: the log goes to the user's state folder instead.
  const bool bHack = options.hackTarget != HACK_NONE;
  HWND hForeign = nullptr;
  g_strLogPath = PLANETO_LOG_PATH;
  if (bHack)
  {
    const uintptr_t dwXWindow =
        options.hackTarget == HACK_ROOT ? CWindow::GetRootNativeHandle() : options.windowId;
    hForeign = dwXWindow ? CWindow::Attach(APP_CLASS, dwXWindow, WindowProc) : nullptr;
    if (!hForeign)
    {
      if (CWindow::GetNativeDisplay())
        std::fprintf(stderr, "planeto: no window 0x%lX on the X display\n",
                     static_cast<unsigned long>(dwXWindow));
      else
        std::fprintf(stderr, "planeto: cannot open the X display\n");
      g_pRun = nullptr;
      return 2;
    }
    const std::string strStateLog = UserStateFile("planeto", "Planeto.log");
    if (!strStateLog.empty())
      g_strLogPath = strStateLog;
  }

  const char* log = g_strLogPath.c_str();
  LogReset(log);
  LogMessage(log, 1, "# STARTED...\n");
  LogMessage(log, 1, "# RELEASE build\n");
  LogMessage(log, 1, "# PARAM_NAME = \"%s\"\n", "Planeto.Engine.ini");
  LogMessage(log, 1, "# PARAM_NAME_EX = \"%s\"\n", "Planeto.Appli.ini");
  LogMessage(log, 1, "# PARAM_NAME_FONT = \"%s\"\n", "Planeto.Font.ini");
  LogMessage(log, 1, "# DEFAULT_INI_PATH = \"%s\"\n", ".");
  LogMessage(log, 1, "# DEFAULT_DLL_PATH = \"%s\"\n", ".");
  LogMessage(log, 1, "# DEFAULT_DATA_PATH = \"%s\"\n", "Data");

  const int iMode = bHack ? RUN_APPLICATION : ClassifyCommandLine(options.commandLine.c_str());
  if (iMode == RUN_SAVER_PASSWORD || iMode == RUN_SAVER_PREVIEW)
  {
    LogMessage(log, 1, "# IsScreenSaver enabled with invalid arguments!\n");
    g_pRun = nullptr;
    return 0;
  }
  const bool bSaver = iMode == RUN_SAVER_CONFIG || iMode == RUN_SAVER;

  InstallSettingOverrides(options.overrides);
  const SEmbeddedFile* pEngineText = FindEmbeddedText("Planeto.Engine.ini");
  const SEmbeddedFile* pAppliText = FindEmbeddedText("Planeto.Appli.ini");
  CIniSettings* pEngineStore =
      new CIniSettings(reinterpret_cast<const char*>(pEngineText->data), pEngineText->size);
  CIniSettings* pAppliStore =
      new CIniSettings(reinterpret_cast<const char*>(pAppliText->data), pAppliText->size);
  CRegistrySettings* pRegistry = bSaver ? new CRegistrySettings(APP_NAME) : nullptr;

  CPlanetoWorld* pWorld = new CPlanetoWorld();
  pWorld->BindSettings(pEngineStore, pAppliStore, log);
  pWorld->SetScreenSaver(bSaver);
  if (options.hasSeed)
    pWorld->SetFixedSeed(options.seed);
  if (options.step > 0.0)
    pWorld->SetFixedFrameStep(options.step);

  RegisterPlatformModules(pWorld);

  HWND hwnd = nullptr;
  bool bLoaded = false;
  bool bWindowFailed = false;
  auto* pDescs = static_cast<SPlatformDesc*>(TrackedCalloc(DESC_CAPACITY, sizeof(SPlatformDesc)));
  uint32_t dwCount = pDescs ? pWorld->EnumDevices(pDescs, DESC_CAPACITY, 0x7000000, ".") : 0;

  // Every early end goes through here: it frees what exists and answers 0.
  auto finish = [&]() -> int
  {
    if (pDescs)
      TrackedFree(pDescs);
    if (bLoaded || hwnd)
      pWorld->Unload();
    if (hwnd && CWindow::IsWindow(hwnd))
      hwnd->Destroy();
    if (hForeign && CWindow::IsWindow(hForeign))
      hForeign->Destroy();
    if (bWindowFailed)
      CMessageQueue::PostQuit(0);
    delete pWorld;
    delete pEngineStore;
    delete pAppliStore;
    delete pRegistry;
    g_pRun = nullptr;
    return 0;
  };

  if (dwCount == 0)
  {
    LogMessage(log, 1, "# EnumDevices failed! (dwCount=%u, \"%s\")\n", dwCount, ".");
    return finish();
  }

  PlatformChoice choice;
  std::memset(&choice, 0, sizeof(choice));
  choice.bAsk = pEngineStore->GetBool("WORLD", "ASK_ME_ON_START", false);
  choice.wWidth = pEngineStore->GetShort("WORLD", "WIDTH", 800);
  choice.wHeight = pEngineStore->GetShort("WORLD", "HEIGHT", 600);
  choice.byColorDepth = pEngineStore->GetByte("WORLD", "COLOR_DEPTH", 32);
  choice.bFullscreen = pEngineStore->GetBool("WORLD", "FULLSCREEN", false);
  choice.bDesktop = pEngineStore->GetBool("WORLD", "DESKTOP_ENABLE", false);
  choice.wPlatformIndex = static_cast<uint16_t>(options.platformIndex >= 0 ? options.platformIndex : 2);
  choice.wModeIndex = 7;
  choice.wDepthIndex = 1;
  choice.wAudioIndex = 0;
  choice.wInputIndex = 0;
  choice.dwDialogFlags = 0;
  choice.pPlatformTable = pWorld->GetPlatformTable();
  if (bHack)
  {
    // xscreensaver chose and sized the window: nothing to ask, nothing to make full screen.
    choice.bAsk = 0;
    choice.bFullscreen = 0;
  }

  bool bDialog = choice.bAsk != 0;
  if (bSaver)
  {
    choice.dwDialogFlags = DLGFLAGS_SCREEN_SAVER;
    // The screen saver starts with what its settings saved, and asks only without it.
    const bool bSaved = LoadSavedPlatformChoice(&choice, pRegistry);
    bDialog = iMode == RUN_SAVER_CONFIG || (bDialog && !bSaved);
    choice.bFullscreen = 1;
    pRegistry->SetBool("WORLD", "FULLSCREEN", true);
  }
  MatchDisplayMode(&choice);
  if (bDialog && RunPlatformDialog(&choice, pDescs, dwCount, [] { return g_bStopRequested != 0; }) < 0)
  {
    if (!g_bStopRequested)
    {
      LogMessage(log, 1, "# SelectPlatform failed! (dwCount=%u, \"%s\")\n", dwCount, ".");
      return finish();
    }
    LogMessage(log, 1, "# Stopped by a signal.\n");
    finish();
    LogMessage(log, 1, "# ENDED.\n");
    return 0;
  }

  const char* szChosenName =
      choice.wPlatformIndex < PLATFORM_COUNT ? g_PlatformTable[choice.wPlatformIndex].szName : "";
  if (ValidPlatform(&choice, pDescs, dwCount) < 0)
  {
    LogMessage(log, 1, "# ValidPlatform failed! (\"%s\", \"%s\")\n", ".", szChosenName);
    return finish();
  }
  const SPlatformDesc desc = pDescs[choice.wPlatformIndex];

  if (bSaver)
  {
    SavePlatformChoice(&choice, pRegistry);
    CWindow::ShowCursor(false);
    if (iMode == RUN_SAVER_CONFIG)
    {
      LogMessage(log, 1, "# ScreenSaver options ended.\n");
      return finish();
    }
  }
  else
  {
    SavePlatformChoice(&choice, pEngineStore);
  }

  char szTitle[256];
  std::snprintf(szTitle, sizeof(szTitle), "ZephyroSDK - %s - %s (v%d,%d)", desc.szName, APP_NAME, APP_MAJOR,
                APP_MINOR);
  const SEngineSettings* pRecord = pWorld->GetSettings();
  LogMessage(log, 1, "# \"ZephyroSDK\" (v%d,%d) build: %s\n", pRecord->dwSdkVersion >> 16,
             pRecord->dwSdkVersion & 0xFFFF, pRecord->szSdkBuild);
  LogMessage(log, 1, "# \"%s\" (v%d,%d) build: %s\n", desc.szName, desc.wMajor, desc.wMinor, desc.szBuild);
  LogMessage(log, 1, "# \"%s\" (v%d,%d) build: %s %s\n", APP_NAME, APP_MAJOR, APP_MINOR, APP_BUILD_DATE,
             APP_BUILD_TIME);

  int iScreenW = 0, iScreenH = 0;
  CWindow::GetScreenSize(&iScreenW, &iScreenH);
  uint32_t dwStyle;
  int x, y, iWidth, iHeight;
  if (bHack)
  {
    // The whole of the given window, whatever its size.
    dwStyle = 0;
    x = 0;
    y = 0;
    hForeign->GetClientSize(&iWidth, &iHeight);
  }
  else if (choice.bFullscreen)
  {
    dwStyle = 0x96080000;
    x = 0;
    y = 0;
    iWidth = iScreenW;
    iHeight = iScreenH;
  }
  else
  {
    dwStyle = 0x06CF0000;
    iWidth = choice.wWidth < iScreenW ? choice.wWidth : iScreenW;
    iHeight = choice.wHeight < iScreenH ? choice.wHeight : iScreenH;
    x = (iScreenW - iWidth) >> 1;
    y = (iScreenH - iHeight) >> 1;
  }

  if (bHack)
  {
    // The device takes the visual the window already has.
    hwnd = hForeign;
  }
  else
  {
    const uint32_t dwFlags = (desc.dwFlags & PLATFORM_OPENGL12) == PLATFORM_OPENGL12 ? WINDOW_OPENGL : 0;
    hwnd = iWidth > 0 && iHeight > 0
               ? CWindow::Create(APP_CLASS, szTitle, dwStyle, x, y, iWidth, iHeight, WindowProc, dwFlags)
               : nullptr;
  }
  if (!hwnd)
  {
    LogMessage(log, 1, "# CreateWindow(0x%X, %dx%d:%d) failed!\n", dwStyle, iWidth, iHeight,
               choice.bFullscreen ? 1 : 0);
    bWindowFailed = true;
    return finish();
  }
  if (pWorld->Load(hwnd, static_cast<uint32_t>(iWidth), static_cast<uint32_t>(iHeight), choice.byColorDepth,
                   choice.bFullscreen != 0, choice.bDesktop != 0, desc.dwFlags, ".") < 0)
  {
    LogMessage(log, 1, "# pWorld->Load(0x%X, %dx%d:%d) failed!\n",
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(hwnd)), iWidth, iHeight,
               choice.bFullscreen ? 1 : 0);
    bLoaded = true;
    return finish();
  }
  bLoaded = true;
  TrackedFree(pDescs);
  pDescs = nullptr;
  pWorld->Update();

  int32_t iFrameTimer = pEngineStore->GetInt("WORLD", "FRAME_TIMER", 0);
  int32_t iSleepTimer = pEngineStore->GetInt("WORLD", "SLEEP_TIMER", 0);
  bool bTimer = false;
  if (iFrameTimer != 0)
  {
    iSleepTimer = 0;
    uint32_t uPeriod = static_cast<uint32_t>(static_cast<int32_t>(1000.0f / static_cast<float>(iFrameTimer)));
    bTimer = CMessageQueue::SetTimer(hwnd, FRAME_TIMER_ID, uPeriod) != 0;
  }

  hwnd->Show(SW_SHOWNORMAL);
  hwnd->Update();
  hwnd->SetFocus();
  hwnd->SetProp("pWorld", pWorld);

  SMessage msg;
  for (;;)
  {
    if (g_bStopRequested)
    {
      LogMessage(log, 1, "# Stopped by a signal.\n");
      break;
    }
    if (CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE))
    {
      if (msg.message == WM_QUIT || msg.message == WM_CLOSE)
      {
        if (bTimer)
          CMessageQueue::KillTimer(hwnd, FRAME_TIMER_ID);
        break;
      }
      CMessageQueue::Translate(&msg);
      CMessageQueue::Dispatch(&msg);
      continue;
    }
    if (iFrameTimer == 0 && !run.bFrameLimitReached)
    {
      if (hwnd->IsIconic())
      {
        pWorld->Update();
      }
      else
      {
        if (pWorld->Frame() < 0)
          break;
        FrameDrawn(hwnd);
      }
    }
    else if (iSleepTimer == 0)
    {
      // Frames come from the timer: wait for it rather than spin.
      CMessageQueue::Wait(100);
    }
    // The idle sleep ends early for input, window events and stop signals; a negative
    // one waits for the next of them.
    if (iSleepTimer != 0)
      CMessageQueue::Wait(iSleepTimer < 0 ? -1 : iSleepTimer);
  }

  if (CWindow::IsWindow(hwnd))
  {
    TakeScreenshot(hwnd);
    hwnd->RemoveProp("pWorld");
    hwnd->Destroy();
  }
  else if (!options.screenshot.empty() && !run.bShotTaken)
  {
    TakeScreenshot(hwnd);
  }
  hwnd = nullptr;

  PrintFrameStats(run);
  LogMessage(log, 1, "# pWorld->Unload\n");
  pWorld->Unload();
  bLoaded = false;
  delete pWorld;
  pWorld = nullptr;
  delete pEngineStore;
  delete pAppliStore;
  delete pRegistry;
  LogMessage(log, 1, "# ENDED.\n");
  g_pRun = nullptr;
  return 0;
}

namespace
{

void SetWindowIcon(HWND hwnd)
{
  unsigned count = 0;
  const SEmbeddedFile* pImages = GetEmbeddedImages(&count);
  SImage map;
  if (count == 0 || ReadPNG(pImages[0].data, pImages[0].size, &map) < 0)
    return;
  const int n = 48;
  std::vector<uint32_t> pixels = DrawGlobeIcon(map, n);
  if (!pixels.empty())
    hwnd->SetIcon(n, n, pixels.data());
}

} // namespace
