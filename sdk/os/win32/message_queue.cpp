#include "sdk/os/win32/window_win32.h"

#include "sdk/os/message_queue.h"

#include <algorithm>
#include <vector>

// The thread's own system queue.  Messages for our windows come out with the CWindow*
// as handle; those of the queue's hidden window (thread timers, posts to no window)
// and of windows that are not ours (dialog controls) with none, and Dispatch still
// hands the latter to their own procedures.

namespace zos
{

namespace
{

struct STimer
{
  HWND hwnd;
  uintptr_t uId;
};

std::vector<STimer> s_timers; // what Reset has to kill
MSG s_lastTaken = {};         // the last message Peek removed, as the system gave it
bool s_bKeyTranslated = true;

// WakeUp sets it from any thread (a console control handler runs on its own).
HANDLE WakeEvent()
{
  static HANDLE s_hWake = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  return s_hWake;
}

::HWND NativeOf(HWND hwnd) { return reinterpret_cast<::HWND>(hwnd->GetNativeHandle()); }

// The window a message is addressed to on the system: ours, or the queue's for none.
::HWND Target(HWND hwnd) { return hwnd ? NativeOf(hwnd) : QueueWindow(); }

SMessage FromSystem(const MSG& m)
{
  SMessage msg = {};
  msg.hwnd = WindowFromNative(m.hwnd);
  msg.message = m.message;
  msg.wParam = m.wParam;
  msg.lParam = m.lParam;
  msg.time = m.time;
  msg.pt = { m.pt.x, m.pt.y };
  return msg;
}

bool SameMessage(const SMessage& a, const MSG& b)
{
  return a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam && a.time == b.time &&
         a.hwnd == WindowFromNative(b.hwnd);
}

bool AnyWindowLive()
{
  bool bAny = false;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](::HWND h, ::LPARAM l) -> BOOL
      {
        if (WindowFromNative(h))
          *reinterpret_cast<bool*>(l) = true;
        return TRUE;
      },
      reinterpret_cast<::LPARAM>(&bAny));
  return bAny;
}

// Takes every message waiting (for one window or all); a WM_PAINT leaves the queue
// only once its window is validated.
void DropMessages(::HWND hNative)
{
  MSG m;
  while (::PeekMessageA(&m, hNative, 0, 0, PM_REMOVE | PM_NOYIELD))
    if (m.message == WM_PAINT)
      ::ValidateRect(m.hwnd, nullptr);
}

} // namespace

::HWND QueueWindow()
{
  static ::HWND s_hQueue = []
  {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "zos.queue";
    ::RegisterClassExA(&wc);
    return ::CreateWindowExA(0, "zos.queue", "", 0, 0, 0, 0, 0,
                             reinterpret_cast<::HWND>(static_cast<intptr_t>(-3)) /* HWND_MESSAGE */, nullptr,
                             wc.hInstance, nullptr);
  }();
  return s_hQueue;
}

uint32_t CMessageQueue::TickCount() { return ::GetTickCount(); }

bool CMessageQueue::Peek(SMessage* pMsg, HWND hwnd, uint32_t uMin, uint32_t uMax, uint32_t uRemove)
{
  if (hwnd && !CWindow::IsWindow(hwnd))
    return false;
  MSG m = {};
  if (!::PeekMessageA(&m, hwnd ? NativeOf(hwnd) : nullptr, uMin, uMax,
                      (uRemove & PM_REMOVE) ? PM_REMOVE : PM_NOREMOVE))
    return false;
  if (uRemove & PM_REMOVE)
  {
    s_lastTaken = m;
    s_bKeyTranslated = false;
  }
  if (pMsg)
    *pMsg = FromSystem(m);
  return true;
}

bool CMessageQueue::Get(SMessage* pMsg, HWND hwnd, uint32_t uMin, uint32_t uMax)
{
  SMessage msg = {};
  while (!Peek(&msg, hwnd, uMin, uMax, PM_REMOVE))
  {
    // Without a window, a timer or anything posted, nothing can ever come.
    if (s_timers.empty() && !AnyWindowLive() && ::GetQueueStatus(QS_ALLINPUT) == 0)
    {
      msg = {};
      msg.message = WM_QUIT;
      msg.time = TickCount();
      break;
    }
    Wait(-1);
  }
  if (pMsg)
    *pMsg = msg;
  return msg.message != WM_QUIT;
}

bool CMessageQueue::Wait(int iTimeoutMs)
{
  HANDLE hWake = WakeEvent();
  const DWORD dwResult = ::MsgWaitForMultipleObjectsEx(
      hWake ? 1 : 0, hWake ? &hWake : nullptr, iTimeoutMs < 0 ? INFINITE : static_cast<DWORD>(iTimeoutMs),
      QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  return dwResult == WAIT_OBJECT_0 || dwResult == WAIT_OBJECT_0 + (hWake ? 1 : 0);
}

void CMessageQueue::WakeUp()
{
  if (HANDLE hWake = WakeEvent())
    ::SetEvent(hWake);
}

// The system makes the character from the key and the keyboard state; it is posted
// behind what is already posted, ahead of later input.
bool CMessageQueue::Translate(const SMessage* pMsg)
{
  if (!pMsg || pMsg->message != WM_KEYDOWN || s_bKeyTranslated || !SameMessage(*pMsg, s_lastTaken))
    return false;
  s_bKeyTranslated = true;
  ::TranslateMessage(&s_lastTaken);
  MSG m;
  return ::PeekMessageA(&m, s_lastTaken.hwnd, WM_CHAR, WM_CHAR, PM_NOREMOVE | PM_NOYIELD) != 0;
}

LRESULT CMessageQueue::Dispatch(const SMessage* pMsg)
{
  if (!pMsg)
    return 0;
  if (!pMsg->hwnd && SameMessage(*pMsg, s_lastTaken) && s_lastTaken.hwnd)
    return ::DispatchMessageA(&s_lastTaken); // a window that is not ours
  if (!CWindow::IsWindow(pMsg->hwnd))
    return 0;
  MSG m = {};
  m.hwnd = NativeOf(pMsg->hwnd);
  m.message = pMsg->message;
  m.wParam = pMsg->wParam;
  m.lParam = pMsg->lParam;
  m.time = pMsg->time;
  m.pt = { pMsg->pt.x, pMsg->pt.y };
  return ::DispatchMessageA(&m);
}

bool CMessageQueue::Post(HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam)
{
  if (hwnd && !CWindow::IsWindow(hwnd))
    return false;
  return ::PostMessageA(Target(hwnd), uMsg, wParam, lParam) != 0;
}

void CMessageQueue::PostQuit(int iExitCode) { ::PostQuitMessage(iExitCode); }

uintptr_t CMessageQueue::SetTimer(HWND hwnd, uintptr_t uIdEvent, uint32_t uElapseMs)
{
  if (hwnd && !CWindow::IsWindow(hwnd))
    return 0;
  uElapseMs = std::max<uint32_t>(uElapseMs, USER_TIMER_MINIMUM);
  if (!::SetTimer(Target(hwnd), uIdEvent, uElapseMs, nullptr))
    return 0;
  auto it = std::find_if(s_timers.begin(), s_timers.end(),
                         [&](const STimer& t) { return t.hwnd == hwnd && t.uId == uIdEvent; });
  if (it == s_timers.end())
    s_timers.push_back({ hwnd, uIdEvent });
  return uIdEvent ? uIdEvent : 1;
}

bool CMessageQueue::KillTimer(HWND hwnd, uintptr_t uIdEvent)
{
  if (hwnd && !CWindow::IsWindow(hwnd))
    return false;
  s_timers.erase(std::remove_if(s_timers.begin(), s_timers.end(),
                                [&](const STimer& t) { return t.hwnd == hwnd && t.uId == uIdEvent; }),
                 s_timers.end());
  return ::KillTimer(Target(hwnd), uIdEvent) != 0;
}

// The system queues real input itself; this posts a look-alike (tests).  The point
// is the system's at posting and the character comes from Translate, as for real keys.
void CMessageQueue::PostInput(HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam, SPoint, uint32_t)
{
  Post(hwnd, uMsg, wParam, lParam);
}

void CMessageQueue::InvalidateWindow(HWND hwnd)
{
  if (CWindow::IsWindow(hwnd))
    ::InvalidateRect(NativeOf(hwnd), nullptr, FALSE);
}

// The system kills a destroyed window's timers; what it still holds for it is dropped.
void CMessageQueue::ForgetWindow(HWND hwnd)
{
  s_timers.erase(
      std::remove_if(s_timers.begin(), s_timers.end(), [&](const STimer& t) { return t.hwnd == hwnd; }),
      s_timers.end());
  if (hwnd && hwnd->GetNativeHandle())
  {
    DropMessages(NativeOf(hwnd));
  }
  if (WindowFromNative(s_lastTaken.hwnd) == hwnd)
    s_lastTaken = {};
}

void CMessageQueue::Reset()
{
  for (const STimer& t : s_timers)
    ::KillTimer(t.hwnd && CWindow::IsWindow(t.hwnd) ? NativeOf(t.hwnd) : QueueWindow(), t.uId);
  s_timers.clear();
  DropMessages(nullptr);
  if (HANDLE hWake = WakeEvent())
    ::ResetEvent(hWake);
  s_lastTaken = {};
  s_bKeyTranslated = true;
}

} // namespace zos
