#include "sdk/os/window.h"

#include "sdk/os/message_queue.h"
#include "sdk/os/wayland/wayland.h"
#include "sdk/os/x11/display.h"
#include "sdk/os/x11/virtual_keys.h"
#include "sdk/os/x11/window_shared.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

// X events turned into the Windows messages of our windows: what Windows sends goes
// to the procedure at once, input is posted to the queue.

namespace zos
{

namespace
{

bool s_bKeyDown[256] = {}; // virtual keys held, for the repeat bit of WM_KEYDOWN

} // namespace

uint32_t CWindow::KeyState(unsigned int uXState) const
{
  uint32_t mk = 0;
  if (uXState & Button1Mask)
    mk |= MK_LBUTTON;
  if (uXState & Button2Mask)
    mk |= MK_MBUTTON;
  if (uXState & Button3Mask)
    mk |= MK_RBUTTON;
  if (uXState & ShiftMask)
    mk |= MK_SHIFT;
  if (uXState & ControlMask)
    mk |= MK_CONTROL;
  return mk;
}

int CWindow::PumpEvents()
{
  if (SWaylandWindows::Active())
    return PumpWayland();
  if (!CDisplay::IsOpen())
    return 0;
  Display* pDisplay = CDisplay::Get();
  int iCount = 0;
  while (XPending(pDisplay) > 0)
  {
    XEvent e;
    XNextEvent(pDisplay, &e);
    HandleEvent(&e);
    ++iCount;
  }
  return iCount;
}

void CWindow::HandleEvent(void* pXEvent)
{
  XEvent& e = *static_cast<XEvent*>(pXEvent);
  CWindow* pWnd = FromNative(e.xany.window);
  if (!pWnd)
    return;
  Display* pDisplay = CDisplay::Get();

  switch (e.type)
  {
    case KeyPress:
    case KeyRelease:
    {
      XKeyEvent& k = e.xkey;
      const bool bDown = e.type == KeyPress;
      // Without detectable auto-repeat a held key comes as release + press at the same
      // time: keep only the press, as a repeat.
      if (!bDown && XEventsQueued(pDisplay, QueuedAfterReading) > 0)
      {
        XEvent next;
        XPeekEvent(pDisplay, &next);
        if (next.type == KeyPress && next.xkey.keycode == k.keycode && next.xkey.time == k.time &&
            next.xkey.window == k.window)
          break;
      }
      KeySym sym0 = XLookupKeysym(&k, 0);
      char szText[8] = {};
      KeySym symState = NoSymbol;
      int iLen = XLookupString(&k, szText, sizeof(szText), &symState, nullptr);
      // The keypad follows NumLock (digits or arrows), the rest its unshifted key.
      KeySym sym = IsKeypadKey(sym0) && symState != NoSymbol ? symState : sym0;
      uint32_t vk = VirtualKeyFromKeysym(sym);
      if (!vk)
        vk = VirtualKeyFromKeysym(symState);
      if (!vk)
        vk = 0xFF;

      const unsigned code = k.keycode & 0xFF;
      const bool bWasDown = s_bKeyDown[code];
      s_bKeyDown[code] = bDown;
      const uint32_t uScan = code >= 8 ? code - 8 : code;
      const uint32_t l = KeyMessageLParam(uScan, IsExtendedKeysym(sym), bWasDown, bDown);
      uint32_t dwChar = 0;
      if (bDown && iLen >= 1)
        dwChar = static_cast<unsigned char>(szText[0]);
      CMessageQueue::PostInput(pWnd, bDown ? WM_KEYDOWN : WM_KEYUP, vk,
                               static_cast<LPARAM>(static_cast<uint32_t>(l)), { k.x_root, k.y_root }, dwChar);
      break;
    }

    case ButtonPress:
    case ButtonRelease:
    {
      XButtonEvent& b = e.xbutton;
      const bool bDown = e.type == ButtonPress;
      uint32_t mk = pWnd->KeyState(b.state);
      const SPoint pt = { b.x_root, b.y_root };
      if (b.button == Button4 || b.button == Button5)
      {
        if (bDown)
        {
          const int iDelta = b.button == Button4 ? WHEEL_DELTA : -WHEEL_DELTA;
          // Wheel positions are in screen coordinates, as Windows gives them.
          CMessageQueue::PostInput(pWnd, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(mk), iDelta),
                                   MAKELPARAM(b.x_root, b.y_root), pt);
        }
        break;
      }
      uint32_t uMsg = 0, uBit = 0;
      if (!ButtonMessage(b.button, bDown, &uMsg, &uBit))
        break;
      // X gives the state before the event; Windows the state after it.
      mk = bDown ? (mk | uBit) : (mk & ~uBit);
      CMessageQueue::PostInput(pWnd, uMsg, mk, MAKELPARAM(b.x, b.y), pt);
      break;
    }

    case MotionNotify:
    {
      XMotionEvent& m = e.xmotion;
      CMessageQueue::PostInput(pWnd, WM_MOUSEMOVE, pWnd->KeyState(m.state), MAKELPARAM(m.x, m.y),
                               { m.x_root, m.y_root });
      break;
    }

    case ConfigureNotify:
    {
      XConfigureEvent& c = e.xconfigure;
      if (c.width != pWnd->m_iWidth || c.height != pWnd->m_iHeight)
      {
        pWnd->m_iWidth = c.width;
        pWnd->m_iHeight = c.height;
        if (!pWnd->m_bIconic)
          pWnd->Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.width, c.height));
      }
      break;
    }

    case DestroyNotify:
      // Another client destroyed it (xdotool windowclose, a window manager that died
      // holding it): the same end as our own Destroy, without the X calls.
      if (e.xdestroywindow.window == pWnd->m_hNative && !pWnd->m_bDestroying)
      {
        pWnd->m_bDestroying = true;
        if (g_pCapture == pWnd)
          ReleaseCapture();
        pWnd->Send(WM_DESTROY, 0, 0);
        if (pWnd->m_pNative->bOwnColormap && pWnd->m_pNative->colormap)
          XFreeColormap(pDisplay, pWnd->m_pNative->colormap);
        pWnd->Forget();
      }
      break;

    case MapNotify:
      pWnd->m_bMapped = true;
      pWnd->SetIconic(false);
      break;

    case UnmapNotify:
      pWnd->m_bMapped = false;
      if (pWnd->m_bHiding)
        pWnd->m_bHiding = false;
      else
        pWnd->SetIconic(true); // only a window manager (or minimising) unmaps us
      break;

    case VisibilityNotify:
      pWnd->m_bObscured = e.xvisibility.state == VisibilityFullyObscured;
      break;

    case PropertyNotify:
      if (e.xproperty.atom == InternAtom("WM_STATE") || e.xproperty.atom == InternAtom("_NET_WM_STATE"))
        pWnd->ReadWindowState();
      break;

    case Expose:
      if (e.xexpose.count == 0)
        CMessageQueue::InvalidateWindow(pWnd);
      break;

    case FocusIn:
      if (e.xfocus.detail == NotifyPointer || pWnd->m_bFocused)
        break;
      pWnd->m_bFocused = true;
      pWnd->Send(WM_ACTIVATE, WA_ACTIVE, 0);
      if (!pWnd->IsDestroyed())
        pWnd->Send(WM_SETFOCUS, 0, 0);
      break;

    case FocusOut:
      if (e.xfocus.detail == NotifyPointer || !pWnd->m_bFocused || e.xfocus.mode == NotifyGrab)
        break;
      pWnd->m_bFocused = false;
      pWnd->Send(WM_KILLFOCUS, 0, 0);
      if (!pWnd->IsDestroyed())
        pWnd->Send(WM_ACTIVATE, WA_INACTIVE, 0);
      break;

    case ClientMessage:
      if (e.xclient.message_type == InternAtom("WM_PROTOCOLS") &&
          static_cast<Atom>(e.xclient.data.l[0]) == InternAtom("WM_DELETE_WINDOW"))
        pWnd->Send(WM_CLOSE, 0, 0); // the close box: sent, not posted
      break;

    default: break;
  }
}

} // namespace zos
