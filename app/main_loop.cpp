#include "app/main_loop.h"

#include "app/globe_icon.h"
#include "app/scene/planeto_world.h"
#include "app/screenshot.h"
#include "data/embedded.h"
#include "sdk/core/3d_engine.h"
#include "sdk/core/log.h"
#include "sdk/core/settings_store.h"
#include "sdk/image/image_readers.h"
#include "sdk/os/clock.h"
#include "sdk/os/message_queue.h"
#include "sdk/os/process_events.h"
#include "sdk/os/window.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace zos;

namespace
{

const uint32_t FRAME_TIMER_ID = 0;
// A world nobody can see moves on this often (microseconds), without drawing.
const int64_t UNSEEN_UPDATE_US = 250000;

// What the window procedure and the loop share for one run.
struct SRun
{
  const SOptions* pOptions = nullptr;
  std::string strLogPath;
  long long llFramesDrawn = 0;
  bool bFrameLimitReached = false;
  bool bShotTaken = false;
  // Benchmark hook (tools/bench.sh): with PLANETO_STATS set, the monotonic times of the
  // first and the last presented frame, printed at the end by PrintFrameStats.
  bool bStats = false;
  int64_t llFirstFrameNs = 0;
  int64_t llLastFrameNs = 0;
  bool bUnseen = false; // the window was last found out of sight
};
SRun g_run;
bool g_bRunning = false;

// Set from a signal handler or the console's thread: lock-free, so safe in both.
std::atomic<int> g_bStopRequested{ 0 };

void OnStopRequest()
{
  g_bStopRequested = 1;
  // The loop may be waiting for an event that never comes (a long or endless sleep).
  CMessageQueue::WakeUp();
}

// Nothing can be drawn once the display is gone: say so before the OS layer ends the run.
void OnDisplayLost(const char* szMessage)
{
  LogMessage(g_run.strLogPath.c_str(), 1, "# X server connection lost (%s).\n", szMessage ? szMessage : "");
}

// The window layer settled for less than it was asked (no compositor, no layer shell).
void OnSystemNotice(const char* szMessage) { LogMessage(g_run.strLogPath.c_str(), 1, "# %s\n", szMessage); }

CPlanetoWorld* WorldOf(HWND hwnd)
{
  return hwnd ? static_cast<CPlanetoWorld*>(hwnd->GetProp("pWorld")) : nullptr;
}

// The window icon, made from the Earth's day map.
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

// Counts a drawn frame; once --frames is reached the window is closed as its close box
// would close it, after the screenshot has been taken.
void FrameDrawn(HWND hwnd)
{
  if (!g_bRunning || g_run.bFrameLimitReached)
    return;
  ++g_run.llFramesDrawn;
  // The icon waits for the first frame: decoding its image would delay that frame.
  if (g_run.llFramesDrawn == 1 && !hwnd->IsForeign())
    SetWindowIcon(hwnd);
  if (g_run.bStats)
  {
    QueryPerformanceCounter(&g_run.llLastFrameNs);
    if (g_run.llFramesDrawn == 1)
      g_run.llFirstFrameNs = g_run.llLastFrameNs;
  }
  if (g_run.pOptions->frames > 0 && g_run.llFramesDrawn >= g_run.pOptions->frames)
  {
    g_run.bFrameLimitReached = true;
    TakeScreenshot(hwnd);
    CMessageQueue::Post(hwnd, WM_CLOSE, 0, 0);
  }
}

// Microseconds of the monotonic clock.
int64_t NowUs()
{
  int64_t llCount = 0, llFrequency = 0;
  if (!QueryPerformanceCounter(&llCount) || !QueryPerformanceFrequency(&llFrequency) || llFrequency <= 0)
    return 0;
  return static_cast<int64_t>(static_cast<double>(llCount) * 1e6 / static_cast<double>(llFrequency));
}

// Whether anybody can see the window; with PLANETO_STATS set, each change is reported
// with the frames drawn so far (the end-to-end tests watch the count stand still).
bool WindowSeen(HWND hwnd)
{
  const bool bSeen = hwnd->CanBeSeen();
  if (g_bRunning && bSeen == g_run.bUnseen)
  {
    g_run.bUnseen = !bSeen;
    if (g_run.bStats)
      std::fprintf(stderr, "planeto-stats: %s frames=%lld\n", bSeen ? "seen" : "unseen", g_run.llFramesDrawn);
  }
  return bSeen;
}

} // namespace

void BeginRun(const SOptions& options, const std::string& strLogPath)
{
  g_run = SRun{};
  g_run.pOptions = &options;
  g_run.strLogPath = strLogPath;
  g_run.bStats = std::getenv("PLANETO_STATS") != nullptr;
  g_bRunning = true;
  g_bStopRequested = 0;
  InstallStopHandler(OnStopRequest);
  SetDisplayLostHandler(OnDisplayLost);
  SetSystemNoticeHandler(OnSystemNotice);
}

void EndRun() { g_bRunning = false; }

void TakeScreenshot(HWND hwnd)
{
  if (!g_bRunning || g_run.bShotTaken || g_run.pOptions->screenshot.empty())
    return;
  g_run.bShotTaken = true;
  std::string error, note;
  CPlanetoWorld* pWorld = CWindow::IsWindow(hwnd) ? WorldOf(hwnd) : nullptr;
  if (!SaveScreenshot(g_run.pOptions->screenshot, hwnd, pWorld ? pWorld->GetDevice() : nullptr, error, note))
    std::fprintf(stderr, "planeto: cannot save the screenshot '%s': %s\n", g_run.pOptions->screenshot.c_str(),
                 error.c_str());
  else if (!note.empty())
    std::fprintf(stderr, "planeto: %s\n", note.c_str());
}

bool StopRequested() { return g_bStopRequested != 0; }

bool ScreenshotPending() { return g_bRunning && !g_run.pOptions->screenshot.empty() && !g_run.bShotTaken; }

// One line for tools/bench.sh: the first frame's monotonic time (CLOCK_MONOTONIC, ns),
// and the frame rate of the frames after it, so that start-up is left out.
void PrintFrameStats()
{
  const SRun& run = g_run;
  if (!g_bRunning || !run.bStats || run.llFramesDrawn == 0)
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
      if (!g_bRunning || !g_run.bFrameLimitReached)
      {
        if (WindowSeen(hwnd))
        {
          pWorld->Frame();
          FrameDrawn(hwnd);
        }
        else
          pWorld->Advance();
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

SFramePacing ReadFramePacing(CSettingsStore* pEngineStore, const SOptions& options)
{
  SFramePacing pacing;
  pacing.iFrameTimer = pEngineStore->GetInt("WORLD", "FRAME_TIMER", 0);
  pacing.iSleepTimer = pEngineStore->GetInt("WORLD", "SLEEP_TIMER", 0);
  if (pacing.iFrameTimer != 0)
    pacing.iSleepTimer = 0;
  pacing.llPauseUs = options.delayUs >= 0 ? options.delayUs : static_cast<int64_t>(pacing.iSleepTimer) * 1000;
  if (options.maxFps > 0)
    pacing.llPeriodUs = 1000000 / options.maxFps;
  return pacing;
}

bool StartFrameTimer(HWND hwnd, const SFramePacing& pacing)
{
  if (pacing.iFrameTimer == 0)
    return false;
  uint32_t uPeriod = static_cast<uint32_t>(static_cast<int32_t>(1000.0f / static_cast<float>(pacing.iFrameTimer)));
  const uint32_t uMinPeriod = static_cast<uint32_t>((pacing.llPeriodUs + 999) / 1000);
  if (uPeriod < uMinPeriod)
    uPeriod = uMinPeriod;
  return CMessageQueue::SetTimer(hwnd, FRAME_TIMER_ID, uPeriod) != 0;
}

void RunMainLoop(HWND hwnd, CPlanetoWorld* pWorld, const SFramePacing& pacing, bool bTimer, const char* szLog)
{
  SMessage msg;
  int64_t llDueUs = 0;     // the next frame starts no sooner
  int64_t llUnseenUs = -1; // the last update of a world nobody sees
  // Waits until a moment of the clock, or less when a message or event comes.
  auto waitUntil = [](int64_t llUs)
  { CMessageQueue::Wait(static_cast<int>(std::clamp<int64_t>((llUs - NowUs() + 999) / 1000, 0, 1000000))); };
  for (;;)
  {
    if (g_bStopRequested)
    {
      LogMessage(szLog, 1, "# Stopped by a signal.\n");
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
    if (pacing.iFrameTimer != 0 || g_run.bFrameLimitReached)
    {
      // Frames come from the timer, or no more are drawn: wait for it rather than spin.
      CMessageQueue::Wait(100);
      continue;
    }
    const int64_t llNowUs = NowUs();
    // The pause ends early for nothing: input and window events are handled meanwhile.
    if (llNowUs < llDueUs)
    {
      waitUntil(llDueUs);
      continue;
    }
    // Asked only when a frame is due: on Wayland the asking rides on that frame.
    if (!WindowSeen(hwnd))
    {
      // Time goes on (the world's clock measures it), but nothing is drawn.
      if (llUnseenUs < 0 || llNowUs - llUnseenUs >= UNSEEN_UPDATE_US)
      {
        pWorld->Advance();
        llUnseenUs = llNowUs;
      }
      waitUntil(llUnseenUs + UNSEEN_UPDATE_US);
      continue;
    }
    llUnseenUs = -1;
    if (pWorld->Frame() < 0)
      break;
    FrameDrawn(hwnd);
    llDueUs = std::max(NowUs() + std::max<int64_t>(pacing.llPauseUs, 0), llNowUs + pacing.llPeriodUs);
    // A negative pause waits for the next input, window event or stop signal.
    if (pacing.llPauseUs < 0)
      CMessageQueue::Wait(-1);
  }
}
