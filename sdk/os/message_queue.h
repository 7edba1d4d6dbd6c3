#pragma once

// The program's one message queue (one thread, as on Windows): posted messages and
// translated input in arrival order, then WM_QUIT once posted, then WM_PAINT, then
// due timers.  X events are read from the server whenever the queue is looked at.
// On Windows it is the thread's system queue (posted messages before WM_QUIT, WM_PAINT
// and timers, as the system orders them).

#include "sdk/os/messages.h"

#include <cstdint>

namespace zos
{

class CMessageQueue
{
public:
  // PeekMessage: takes (PM_REMOVE) or looks at (PM_NOREMOVE) the first message for
  // hwnd (null: any window, and also thread messages such as WM_QUIT) whose number
  // lies in uMin..uMax (both 0: any).  False when there is none.  Never blocks.
  static bool Peek(SMessage* pMsg, HWND hwnd, uint32_t uMin, uint32_t uMax, uint32_t uRemove);

  // GetMessage: waits for the next message and takes it.  False for WM_QUIT.
  static bool Get(SMessage* pMsg, HWND hwnd = nullptr, uint32_t uMin = 0, uint32_t uMax = 0);

  // WaitMessage: blocks until a message, an X event or a due timer is there, WakeUp
  // was called, or iTimeoutMs milliseconds have passed (-1: no limit).  True when
  // something came.
  static bool Wait(int iTimeoutMs = -1);

  // Ends the current or the next Wait at once.  Safe in a signal handler, so that a
  // stop signal is seen without waiting out a timeout.
  static void WakeUp();

  // TranslateMessage: a WM_KEYDOWN just taken from the queue whose key gives a
  // character posts WM_CHAR with that character.  True when one was posted.
  static bool Translate(const SMessage* pMsg);

  // DispatchMessage: hands the message to its window's procedure and answers the
  // procedure's result (0 for a message without a live window).
  static LRESULT Dispatch(const SMessage* pMsg);

  // PostMessage / PostQuitMessage.  Posting to a destroyed window fails.
  static bool Post(HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam);
  static void PostQuit(int iExitCode);

  // SetTimer / KillTimer: WM_TIMER (wParam = identifier) for hwnd every uElapseMs
  // milliseconds (at least 10), while the queue is pumped.  Setting an existing
  // identifier again replaces its period.  SetTimer answers the identifier, or 1 when
  // it is 0; 0 on failure.
  static uintptr_t SetTimer(HWND hwnd, uintptr_t uIdEvent, uint32_t uElapseMs);
  static bool KillTimer(HWND hwnd, uintptr_t uIdEvent);

  // Milliseconds on a monotonic clock (the messages' time field).
  static uint32_t TickCount();

  // Used by CWindow: input translated from X events, and forgetting a destroyed
  // window's messages and timers.  On Windows the system queues input and paints
  // itself: PostInput posts a look-alike (the character then comes from Translate).
  static void PostInput(HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam, SPoint pt,
                        uint32_t dwChar = 0);
  static void InvalidateWindow(HWND hwnd); // a WM_PAINT is owed
  static void ForgetWindow(HWND hwnd);

  // Drops everything queued, the quit flag and all timers (tests).
  static void Reset();
};

} // namespace zos
