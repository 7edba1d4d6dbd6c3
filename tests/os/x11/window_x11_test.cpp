// The X11 window under a real server: class and title as other clients see them,
// input driven by xdotool, the window manager's close request and states, the icon
// property, a chosen visual and a lost server.

#include <gtest/gtest.h> // before Xlib, whose macros (None) clash with it

#include "sdk/os/x11/display.h"
#include "sdk/os/message_queue.h"
#include "sdk/os/window.h"
#include "sdk/os/x11/window_x11.h"
#include "tests/os/window_fixture.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace zos;

namespace
{

using namespace zos_test;

int Shell(const std::string& strCommand) { return system(strCommand.c_str()); }

// The window fixture with a second client, as a window manager or tool would be.
class WindowX11Test : public WindowTest
{
protected:
  void SetUp() override
  {
    WindowTest::SetUp();
    m_pOther = XOpenDisplay(nullptr);
    ASSERT_NE(m_pOther, nullptr);
  }
  void TearDown() override
  {
    WindowTest::TearDown();
    if (m_pOther)
      XCloseDisplay(m_pOther);
  }

  std::string Id() const { return std::to_string(m_hwnd->GetNativeHandle()); }

  Display* m_pOther = nullptr;
};

TEST_F(WindowX11Test, CreationSetsClassTitleAndTellsTheProcedure)
{
  HWND hwnd =
      CWindow::Create("Planeto", "ZephyroSDK - OpenGL 1.2 - Planeto (v2,110)",
                      WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 10, 20, 300, 150, RecordProc);
  m_hwnd = hwnd;
  ASSERT_NE(hwnd, nullptr);
  EXPECT_TRUE(CWindow::IsWindow(hwnd));
  ASSERT_GE(g_received.size(), 2u);
  EXPECT_EQ(g_received[0].message, WM_CREATE);
  EXPECT_EQ(g_received[1].message, WM_SIZE);
  EXPECT_EQ(g_received[1].lParam, MAKELPARAM(300, 150));

  // Our requests reach the server on another connection than the reading one: sync so
  // that the title is there before it is read.
  XSync(static_cast<Display*>(CWindow::GetNativeDisplay()), False);
  XClassHint hint = {};
  ASSERT_TRUE(XGetClassHint(m_pOther, hwnd->GetNativeHandle(), &hint));
  EXPECT_STREQ(hint.res_class, "Planeto");
  XFree(hint.res_name);
  XFree(hint.res_class);

  char* szName = nullptr;
  ASSERT_TRUE(XFetchName(m_pOther, hwnd->GetNativeHandle(), &szName));
  EXPECT_STREQ(szName, "ZephyroSDK - OpenGL 1.2 - Planeto (v2,110)");
  XFree(szName);

  int w = 0, h = 0;
  EXPECT_TRUE(hwnd->GetClientSize(&w, &h));
  EXPECT_EQ(w, 300);
  EXPECT_EQ(h, 150);
  EXPECT_FALSE(hwnd->IsVisible());
  EXPECT_FALSE(hwnd->Show(SW_SHOW));
  EXPECT_TRUE(hwnd->IsVisible());
  EXPECT_FALSE(hwnd->IsIconic());
}

TEST_F(WindowX11Test, KeysArriveAsVirtualKeyMessages)
{
  Open();
  ASSERT_EQ(Shell("xdotool key --delay 5 Escape KP_Add KP_Subtract KP_Multiply KP_Divide Up Right "
                  "Down Left a 5"),
            0);
  ASSERT_TRUE(PumpUntil([] { return Count(WM_KEYUP) >= 11; }));

  std::vector<SMessage> downs = Only(WM_KEYDOWN);
  ASSERT_EQ(downs.size(), 11u);
  const uint32_t expected[] = { VK_ESCAPE, VK_ADD,  VK_SUBTRACT, VK_MULTIPLY, VK_DIVIDE, VK_UP,
                                VK_RIGHT,  VK_DOWN, VK_LEFT,     'A',         '5' };
  for (size_t i = 0; i < downs.size(); ++i)
  {
    EXPECT_EQ(downs[i].wParam, expected[i]) << "key " << i;
    EXPECT_EQ(downs[i].hwnd, m_hwnd);
    EXPECT_EQ(downs[i].lParam & 0xFFFF, 1) << "repeat count";
    EXPECT_EQ(downs[i].lParam & (1u << 31), 0) << "transition bit of a press";
  }
  std::vector<SMessage> ups = Only(WM_KEYUP);
  EXPECT_EQ(ups[0].wParam, VK_ESCAPE);
  EXPECT_NE(static_cast<uint32_t>(ups[0].lParam) & (1u << 31), 0u);
  EXPECT_NE(static_cast<uint32_t>(downs[5].lParam) & (1u << 24), 0u) << "arrows are extended keys";

  // TranslateMessage gave the characters of the typing keys.
  std::vector<SMessage> chars = Only(WM_CHAR);
  std::string text;
  for (const SMessage& m : chars)
    text += static_cast<char>(m.wParam);
  EXPECT_NE(text.find("a5"), std::string::npos) << text;
  EXPECT_NE(text.find('\x1B'), std::string::npos);
}

TEST_F(WindowX11Test, ButtonsWheelAndMotionCarryStateAndPosition)
{
  Open();
  ASSERT_EQ(Shell("xdotool mousemove --window " + Id() +
                  " 30 40 click 1 click 3 click 4 click 5 "
                  "mousemove --window " +
                  Id() + " 60 70"),
            0);
  ASSERT_TRUE(PumpUntil(
      []
      {
        for (const SMessage& m : g_received)
          if (m.message == WM_MOUSEMOVE && m.lParam == MAKELPARAM(60, 70))
            return true;
        return false;
      }));

  std::vector<SMessage> v;
  for (const SMessage& m : g_received)
    if (m.message != WM_MOUSEMOVE && m.message >= WM_LBUTTONDOWN && m.message <= WM_MOUSEWHEEL)
      v.push_back(m);
  ASSERT_EQ(v.size(), 6u);
  EXPECT_EQ(v[0].message, WM_LBUTTONDOWN);
  EXPECT_EQ(v[0].wParam, MK_LBUTTON);
  EXPECT_EQ(v[0].lParam, MAKELPARAM(30, 40));
  EXPECT_EQ(v[1].message, WM_LBUTTONUP);
  EXPECT_EQ(v[1].wParam, 0u);
  EXPECT_EQ(v[2].message, WM_RBUTTONDOWN);
  EXPECT_EQ(v[2].wParam, MK_RBUTTON);
  EXPECT_EQ(v[3].message, WM_RBUTTONUP);
  EXPECT_EQ(v[4].message, WM_MOUSEWHEEL);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(v[4].wParam), WHEEL_DELTA);
  EXPECT_EQ(v[5].message, WM_MOUSEWHEEL);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(v[5].wParam), -WHEEL_DELTA);
  // The wheel's point is on the screen: the window's client origin is 40,50.
  EXPECT_EQ(GET_X_LPARAM(v[4].lParam), 70);
  EXPECT_EQ(GET_Y_LPARAM(v[4].lParam), 90);
}

TEST_F(WindowX11Test, DragWithLeftButtonHeldReportsMkLButton)
{
  Open();
  ASSERT_EQ(Shell("xdotool mousemove --window " + Id() + " 10 10 mousedown 1 mousemove --window " + Id() +
                  " 100 90 mouseup 1"),
            0);
  ASSERT_TRUE(PumpUntil([] { return Count(WM_LBUTTONUP) >= 1; }));
  bool bDragged = false;
  for (const SMessage& m : g_received)
    if (m.message == WM_MOUSEMOVE && m.lParam == MAKELPARAM(100, 90))
      bDragged = m.wParam == MK_LBUTTON;
  EXPECT_TRUE(bDragged);
}

TEST_F(WindowX11Test, CaptureKeepsTheMouseOutsideTheWindow)
{
  Open();
  EXPECT_TRUE(m_hwnd->SetCapture());
  EXPECT_EQ(CWindow::GetCapture(), m_hwnd);
  // Screen 600,500 is outside the window (40..360, 50..250): 560,450 in client terms.
  ASSERT_EQ(Shell("xdotool mousemove 600 500"), 0);
  ASSERT_TRUE(PumpUntil(
      []
      {
        for (const SMessage& m : g_received)
          if (m.message == WM_MOUSEMOVE && m.lParam == MAKELPARAM(560, 450))
            return true;
        return false;
      }));
  EXPECT_TRUE(CWindow::ReleaseCapture());
  EXPECT_EQ(CWindow::GetCapture(), nullptr);
}

TEST_F(WindowX11Test, CloseRequestIsSentAndDefaultProcessingDestroys)
{
  Open();
  XEvent e = {};
  e.xclient.type = ClientMessage;
  e.xclient.window = m_hwnd->GetNativeHandle();
  e.xclient.message_type = XInternAtom(m_pOther, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(m_pOther, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(m_pOther, m_hwnd->GetNativeHandle(), False, NoEventMask, &e);
  XFlush(m_pOther);

  ASSERT_TRUE(PumpUntil([] { return Count(WM_QUIT) == 1; }));
  std::vector<uint32_t> seq;
  for (const SMessage& m : g_received)
    if (m.message == WM_CLOSE || m.message == WM_DESTROY || m.message == WM_QUIT)
      seq.push_back(m.message);
  EXPECT_EQ(seq, (std::vector<uint32_t>{ WM_CLOSE, WM_DESTROY, WM_QUIT }));
  EXPECT_FALSE(CWindow::IsWindow(m_hwnd));

  // The stale handle stays safe: everything fails.
  EXPECT_TRUE(m_hwnd->IsDestroyed());
  EXPECT_FALSE(m_hwnd->Destroy());
  EXPECT_FALSE(m_hwnd->SetProp("pWorld", this));
  EXPECT_EQ(m_hwnd->GetProp("pWorld"), nullptr);
  EXPECT_FALSE(m_hwnd->Show(SW_SHOW));
  EXPECT_FALSE(CMessageQueue::Post(m_hwnd, WM_USER, 0, 0));
  EXPECT_EQ(CMessageQueue::SetTimer(m_hwnd, 0, 10), 0u);
}

TEST_F(WindowX11Test, ResizeByAnotherClientSendsWmSize)
{
  Open();
  XResizeWindow(m_pOther, m_hwnd->GetNativeHandle(), 200, 120);
  XFlush(m_pOther);
  ASSERT_TRUE(PumpUntil([] { return Count(WM_SIZE) >= 1; }));
  SMessage m = Only(WM_SIZE).back();
  EXPECT_EQ(m.wParam, SIZE_RESTORED);
  EXPECT_EQ(LOWORD(static_cast<uintptr_t>(m.lParam)), 200);
  EXPECT_EQ(HIWORD(static_cast<uintptr_t>(m.lParam)), 120);
  int w = 0, h = 0;
  m_hwnd->GetClientSize(&w, &h);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 120);
}

TEST_F(WindowX11Test, MinimisedStateFollowsTheWindowManagerState)
{
  Open();
  // Play the window manager: iconic WM_STATE, then unmap.
  Atom aState = XInternAtom(m_pOther, "WM_STATE", False);
  long lState[2] = { IconicState, 0 };
  XChangeProperty(m_pOther, m_hwnd->GetNativeHandle(), aState, aState, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(lState), 2);
  XUnmapWindow(m_pOther, m_hwnd->GetNativeHandle());
  XFlush(m_pOther);
  ASSERT_TRUE(PumpUntil([&] { return m_hwnd->IsIconic(); }));
  ASSERT_EQ(Count(WM_SIZE), 1u);
  EXPECT_EQ(Only(WM_SIZE)[0].wParam, SIZE_MINIMIZED);

  lState[0] = NormalState;
  XChangeProperty(m_pOther, m_hwnd->GetNativeHandle(), aState, aState, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(lState), 2);
  XMapWindow(m_pOther, m_hwnd->GetNativeHandle());
  XFlush(m_pOther);
  ASSERT_TRUE(PumpUntil([&] { return !m_hwnd->IsIconic() && m_hwnd->IsVisible(); }));
  SMessage m = Only(WM_SIZE).back();
  EXPECT_EQ(m.wParam, SIZE_RESTORED);
  EXPECT_EQ(m.lParam, MAKELPARAM(320, 200));
}

TEST_F(WindowX11Test, IconIsPublishedAsNetWmIcon)
{
  Open();
  const uint32_t pixels[4] = { 0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0x80FFFFFF };
  ASSERT_TRUE(m_hwnd->SetIcon(2, 2, pixels));
  // A flush only sends the request; the other connection may be served first.
  XSync(static_cast<Display*>(CWindow::GetNativeDisplay()), False);
  Atom aType = 0;
  int iFormat = 0;
  unsigned long nItems = 0, nAfter = 0;
  unsigned char* pData = nullptr;
  ASSERT_EQ(XGetWindowProperty(m_pOther, m_hwnd->GetNativeHandle(),
                               XInternAtom(m_pOther, "_NET_WM_ICON", False), 0, 64, False, XA_CARDINAL,
                               &aType, &iFormat, &nItems, &nAfter, &pData),
            Success);
  ASSERT_NE(pData, nullptr);
  ASSERT_EQ(nItems, 6u);
  const unsigned long* p = reinterpret_cast<unsigned long*>(pData);
  EXPECT_EQ(p[0], 2u);
  EXPECT_EQ(p[1], 2u);
  // Xlib hands 32-bit items back as sign-extended longs.
  EXPECT_EQ(p[2] & 0xFFFFFFFFu, 0xFF0000FFu);
  EXPECT_EQ(p[5] & 0xFFFFFFFFu, 0x80FFFFFFu);
  XFree(pData);
}

TEST_F(WindowX11Test, CallerChosenVisualIsUsed)
{
  XVisualInfo tmpl = {};
  tmpl.screen = DefaultScreen(CDisplay::Get());
  tmpl.depth = 24;
  tmpl.c_class = TrueColor;
  int n = 0;
  XVisualInfo* pInfo =
      XGetVisualInfo(CDisplay::Get(), VisualScreenMask | VisualDepthMask | VisualClassMask, &tmpl, &n);
  ASSERT_NE(pInfo, nullptr);
  SWindowVisual vis = { pInfo[n - 1].visual, pInfo[n - 1].depth, 0 };
  m_hwnd = CreateWindowOnVisual("Planeto", "visual", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, RecordProc, &vis);
  ASSERT_NE(m_hwnd, nullptr);
  XSync(static_cast<Display*>(CWindow::GetNativeDisplay()), False);
  XWindowAttributes attrs = {};
  XGetWindowAttributes(m_pOther, m_hwnd->GetNativeHandle(), &attrs);
  EXPECT_EQ(XVisualIDFromVisual(attrs.visual), pInfo[n - 1].visualid);
  XFree(pInfo);
}

// A server that goes away ends the program with code 0 after the handler has spoken.
// The death test runs in a fresh process, so no connection is shared with this one.
void LoseTheServer()
{
  if (!CDisplay::Get())
    _exit(3);
  CDisplay::SetFatalHandler([](const char* szText) { fprintf(stderr, "lost: [%s]\n", szText); });
  HWND hwnd = CWindow::Create("Planeto", "doomed", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr);
  if (!hwnd)
    _exit(4);
  shutdown(CDisplay::GetFd(), SHUT_RDWR); // as if the server had been killed
  for (;;)
  {
    SMessage msg;
    CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE);
    hwnd->Show(SW_SHOW);
  }
}

TEST(DisplayDeathTest, LostServerCallsTheFatalHandlerAndExitsCleanly)
{
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The handler receives one line of plain text (the reason), for its own log line.
  EXPECT_EXIT(LoseTheServer(), ::testing::ExitedWithCode(0), "lost: \\[[A-Za-z][^#\n]*\\]");
}

} // namespace
