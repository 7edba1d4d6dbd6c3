#include "sdk/os/message_queue.h"

#include "sdk/os/wayland/wayland.h"
#include "sdk/os/x11/display.h"
#include "sdk/os/window.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace zos
{

namespace
{

struct SQueued
{
  SMessage msg;
  uint32_t dwChar; // character of a WM_KEYDOWN, for Translate
};

struct STimer
{
  HWND hwnd;
  uintptr_t uId;
  uint32_t uPeriod;
  int64_t llDue; // ms
};

std::deque<SQueued> s_queue;
std::vector<STimer> s_timers;
std::vector<HWND> s_paint; // windows owed a WM_PAINT
bool s_bQuit = false;
int s_iQuitCode = 0;

// A pipe that WakeUp writes to and Wait watches beside the X connection: a signal
// handler may write to a pipe, and nothing else it could do would end a poll.
struct SWakePipe
{
  int fd[2] = { -1, -1 };
  SWakePipe()
  {
    if (pipe2(fd, O_NONBLOCK | O_CLOEXEC) != 0)
      fd[0] = fd[1] = -1;
  }
  void Drain() const
  {
    char buf[64];
    while (fd[0] >= 0 && read(fd[0], buf, sizeof(buf)) > 0)
    {
    }
  }
};
const SWakePipe s_wake;

// The last WM_KEYDOWN taken from the queue, so that Translate knows its character.
SMessage s_lastKey = {};
uint32_t s_dwLastKeyChar = 0;

// The connection to wait on beside the wake-up pipe: the compositor's or the X server's.
int EventFd() { return SWaylandWindows::Active() ? WaylandFd() : CDisplay::GetFd(); }

int64_t NowMs()
{
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool InRange(uint32_t uMsg, uint32_t uMin, uint32_t uMax)
{
  if (uMin == 0 && uMax == 0)
    return true;
  return uMsg >= uMin && uMsg <= uMax;
}

bool Matches(const SMessage& m, HWND hwnd, uint32_t uMin, uint32_t uMax)
{
  if (hwnd && m.hwnd != hwnd)
    return false;
  return InRange(m.message, uMin, uMax);
}

SMessage Make(HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam)
{
  SMessage m = {};
  m.hwnd = hwnd;
  m.message = uMsg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = CMessageQueue::TickCount();
  return m;
}

// Milliseconds until the first timer is due (0 when one is due, -1 without timers).
int TimeToNextTimer()
{
  if (s_timers.empty())
    return -1;
  int64_t llNow = NowMs();
  int64_t llBest = INT64_MAX;
  for (const STimer& t : s_timers)
    llBest = std::min(llBest, t.llDue - llNow);
  return llBest <= 0 ? 0 : static_cast<int>(std::min<int64_t>(llBest, INT32_MAX));
}

} // namespace

uint32_t CMessageQueue::TickCount() { return static_cast<uint32_t>(NowMs()); }

bool CMessageQueue::Peek(SMessage* pMsg, HWND hwnd, uint32_t uMin, uint32_t uMax, uint32_t uRemove)
{
  CWindow::PumpEvents();
  const bool bRemove = (uRemove & PM_REMOVE) != 0;

  for (auto it = s_queue.begin(); it != s_queue.end(); ++it)
  {
    if (!Matches(it->msg, hwnd, uMin, uMax))
      continue;
    if (pMsg)
      *pMsg = it->msg;
    if (bRemove)
    {
      if (it->msg.message == WM_KEYDOWN)
      {
        s_lastKey = it->msg;
        s_dwLastKeyChar = it->dwChar;
      }
      s_queue.erase(it);
    }
    return true;
  }

  if (s_bQuit && !hwnd && InRange(WM_QUIT, uMin, uMax))
  {
    if (pMsg)
    {
      *pMsg = Make(nullptr, WM_QUIT, static_cast<WPARAM>(s_iQuitCode), 0);
    }
    if (bRemove)
      s_bQuit = false;
    return true;
  }

  if (InRange(WM_PAINT, uMin, uMax))
  {
    for (auto it = s_paint.begin(); it != s_paint.end(); ++it)
    {
      if (hwnd && *it != hwnd)
        continue;
      if (pMsg)
        *pMsg = Make(*it, WM_PAINT, 0, 0);
      if (bRemove)
        s_paint.erase(it);
      return true;
    }
  }

  if (InRange(WM_TIMER, uMin, uMax))
  {
    int64_t llNow = NowMs();
    for (STimer& t : s_timers)
    {
      if (hwnd && t.hwnd != hwnd)
        continue;
      if (t.llDue > llNow)
        continue;
      if (pMsg)
        *pMsg = Make(t.hwnd, WM_TIMER, t.uId, 0);
      if (bRemove)
        t.llDue = llNow + t.uPeriod;
      return true;
    }
  }
  return false;
}

bool CMessageQueue::Get(SMessage* pMsg, HWND hwnd, uint32_t uMin, uint32_t uMax)
{
  SMessage msg = {};
  while (!Peek(&msg, hwnd, uMin, uMax, PM_REMOVE))
  {
    // Without a server, timers or anything posted, nothing can ever come.
    if (EventFd() < 0 && s_timers.empty() && s_queue.empty() && !s_bQuit && s_paint.empty())
    {
      msg = Make(nullptr, WM_QUIT, 0, 0);
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
  const int64_t llStart = NowMs();
  for (;;)
  {
    const bool bEvents = CWindow::PumpEvents() > 0;
    if (bEvents || !s_queue.empty() || s_bQuit || !s_paint.empty() || TimeToNextTimer() == 0)
      return true;

    int iWait = TimeToNextTimer();
    // A held key repeats on time on Wayland, where the client repeats it.
    if (SWaylandWindows::Active() && WaylandRepeatDueMs() >= 0)
      iWait = iWait < 0 ? WaylandRepeatDueMs() : std::min(iWait, WaylandRepeatDueMs());
    if (iTimeoutMs >= 0)
    {
      int iLeft = static_cast<int>(iTimeoutMs - (NowMs() - llStart));
      if (iLeft <= 0)
        return false;
      iWait = iWait < 0 ? iLeft : std::min(iWait, iLeft);
    }
    struct pollfd pfd[2] = { { s_wake.fd[0], POLLIN, 0 }, { EventFd(), POLLIN, 0 } };
    const nfds_t nFds = pfd[1].fd >= 0 ? 2 : 1;
    if (pfd[0].fd < 0 && nFds == 1 && iWait < 0)
      return false; // nothing could ever wake us
    int iReady = poll(pfd, nFds, iWait);
    if (iReady < 0 && errno != EINTR)
      return false;
    if (iReady > 0 && (pfd[0].revents & POLLIN))
    {
      s_wake.Drain();
      return true;
    }
  }
}

void CMessageQueue::WakeUp()
{
  const int iSavedErrno = errno;
  if (s_wake.fd[1] >= 0)
  {
    const char c = 1;
    // A full pipe already holds a wake-up: nothing is lost when this write fails.
    [[maybe_unused]] ssize_t n = write(s_wake.fd[1], &c, 1);
  }
  errno = iSavedErrno;
}

bool CMessageQueue::Translate(const SMessage* pMsg)
{
  if (!pMsg || pMsg->message != WM_KEYDOWN)
    return false;
  if (pMsg->hwnd != s_lastKey.hwnd || pMsg->lParam != s_lastKey.lParam || pMsg->wParam != s_lastKey.wParam ||
      pMsg->time != s_lastKey.time || s_dwLastKeyChar == 0)
    return false;
  SQueued q = { Make(pMsg->hwnd, WM_CHAR, s_dwLastKeyChar, pMsg->lParam), 0 };
  q.msg.time = pMsg->time;
  q.msg.pt = pMsg->pt;
  s_queue.push_front(q); // before any later input, as Windows does
  s_dwLastKeyChar = 0;
  return true;
}

LRESULT CMessageQueue::Dispatch(const SMessage* pMsg)
{
  if (!pMsg || !CWindow::IsWindow(pMsg->hwnd))
    return 0;
  return pMsg->hwnd->Send(pMsg->message, pMsg->wParam, pMsg->lParam);
}

bool CMessageQueue::Post(HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam)
{
  if (hwnd && !CWindow::IsWindow(hwnd))
    return false;
  s_queue.push_back({ Make(hwnd, uMsg, wParam, lParam), 0 });
  return true;
}

void CMessageQueue::PostQuit(int iExitCode)
{
  s_bQuit = true;
  s_iQuitCode = iExitCode;
}

uintptr_t CMessageQueue::SetTimer(HWND hwnd, uintptr_t uIdEvent, uint32_t uElapseMs)
{
  if (hwnd && !CWindow::IsWindow(hwnd))
    return 0;
  uElapseMs = std::max<uint32_t>(uElapseMs, 10);
  for (STimer& t : s_timers)
  {
    if (t.hwnd == hwnd && t.uId == uIdEvent)
    {
      t.uPeriod = uElapseMs;
      t.llDue = NowMs() + uElapseMs;
      return uIdEvent ? uIdEvent : 1;
    }
  }
  s_timers.push_back({ hwnd, uIdEvent, uElapseMs, NowMs() + uElapseMs });
  return uIdEvent ? uIdEvent : 1;
}

bool CMessageQueue::KillTimer(HWND hwnd, uintptr_t uIdEvent)
{
  auto it = std::find_if(s_timers.begin(), s_timers.end(),
                         [&](const STimer& t) { return t.hwnd == hwnd && t.uId == uIdEvent; });
  if (it == s_timers.end())
    return false;
  s_timers.erase(it);
  return true;
}

void CMessageQueue::PostInput(HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam, SPoint pt,
                              uint32_t dwChar)
{
  SQueued q = { Make(hwnd, uMsg, wParam, lParam), dwChar };
  q.msg.pt = pt;
  // Motion is coalesced as Windows does: only the latest position waits.
  if (uMsg == WM_MOUSEMOVE && !s_queue.empty() && s_queue.back().msg.message == WM_MOUSEMOVE &&
      s_queue.back().msg.hwnd == hwnd)
  {
    s_queue.back() = q;
    return;
  }
  s_queue.push_back(q);
}

void CMessageQueue::InvalidateWindow(HWND hwnd)
{
  if (std::find(s_paint.begin(), s_paint.end(), hwnd) == s_paint.end())
    s_paint.push_back(hwnd);
}

void CMessageQueue::ForgetWindow(HWND hwnd)
{
  s_queue.erase(
      std::remove_if(s_queue.begin(), s_queue.end(), [&](const SQueued& q) { return q.msg.hwnd == hwnd; }),
      s_queue.end());
  s_timers.erase(
      std::remove_if(s_timers.begin(), s_timers.end(), [&](const STimer& t) { return t.hwnd == hwnd; }),
      s_timers.end());
  s_paint.erase(std::remove(s_paint.begin(), s_paint.end(), hwnd), s_paint.end());
  if (s_lastKey.hwnd == hwnd)
  {
    s_lastKey = {};
    s_dwLastKeyChar = 0;
  }
}

void CMessageQueue::Reset()
{
  s_queue.clear();
  s_timers.clear();
  s_paint.clear();
  s_bQuit = false;
  s_iQuitCode = 0;
  s_lastKey = {};
  s_dwLastKeyChar = 0;
}

} // namespace zos
