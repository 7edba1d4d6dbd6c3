#pragma once

// The window procedure and the message and frame loop of a run, with what they keep
// of it: the frame count for --frames, the screenshot, the benchmark figures, and the
// stop requests of signals.

#include "app/command_line.h"
#include "sdk/os/messages.h"

#include <cstdint>
#include <string>

class CPlanetoWorld;
class CSettingsStore;

// Starts a run's bookkeeping: the options it follows, the log it writes (for the lost
// display's line) and the stop requests of SIGTERM and SIGINT.
void BeginRun(const SOptions& options, const std::string& strLogPath);
// The run is over: nothing more is counted.
void EndRun();

// The program's window procedure: frames on WM_TIMER, the world's input handling.
zos::LRESULT WindowProc(zos::HWND hwnd, uint32_t uMsg, zos::WPARAM wParam, zos::LPARAM lParam);

// How frames are paced: by a window timer at FRAME_TIMER frames a second, or in the
// idle loop with a pause after each frame (the timer wins): -delay's, else SLEEP_TIMER
// milliseconds, a negative one lasting until the next event.  --max-fps keeps frames
// at least a period apart in both.
struct SFramePacing
{
  int32_t iFrameTimer = 0;
  int32_t iSleepTimer = 0;
  int64_t llPauseUs = 0;  // after each frame of the idle loop
  int64_t llPeriodUs = 0; // from the start of a frame to the start of the next, at least
};
SFramePacing ReadFramePacing(CSettingsStore* pEngineStore, const SOptions& options);

// Sets the window timer that drives the frames when the pacing asks for one; true when set.
bool StartFrameTimer(zos::HWND hwnd, const SFramePacing& pacing);
// Runs the message and frame loop until the window closes, a frame fails or a stop is
// requested; the frame timer, when set, is killed as the loop ends by the window.
// While nobody can see the window (unmapped, minimised, covered, its screen asleep)
// nothing is drawn: the loop sleeps, waking a few times a second to let the world's
// time go on, so that nothing jumps when the window is seen again.
void RunMainLoop(zos::HWND hwnd, CPlanetoWorld* pWorld, const SFramePacing& pacing, bool bTimer,
                 const char* szLog);

// Whether a signal (or the console) asked the run to stop.
bool StopRequested();
// Saves the last frame for --screenshot, once a run.
void TakeScreenshot(zos::HWND hwnd);
// Whether --screenshot still waits for its frame.
bool ScreenshotPending();
// The benchmark line (PLANETO_STATS set), at the end of the run.
void PrintFrameStats();
