#include "sdk/os/window_capture.h"

#include "sdk/os/wayland/wayland.h"
#include "sdk/os/window.h"
#include "sdk/os/x11/display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

namespace zos
{

namespace
{

// Shift and width of a channel mask, to widen any visual's channel to 8 bits.
void MaskShape(unsigned long mask, int* pShift, int* pBits)
{
  int shift = 0, bits = 0;
  while (mask && !(mask & 1))
  {
    mask >>= 1;
    ++shift;
  }
  while (mask & 1)
  {
    mask >>= 1;
    ++bits;
  }
  *pShift = shift;
  *pBits = bits;
}

uint32_t Channel(unsigned long pixel, int shift, int bits)
{
  if (bits == 0)
    return 0;
  uint32_t v = static_cast<uint32_t>((pixel >> shift) & ((1ul << bits) - 1));
  return bits >= 8 ? v >> (bits - 8) : (v * 255u) / ((1u << bits) - 1);
}

} // namespace

bool CaptureWindow(HWND hwnd, int* pWidth, int* pHeight, std::vector<uint32_t>* pPixels, std::string* pWhy)
{
  auto fail = [pWhy](const char* szWhy)
  {
    if (pWhy)
      *pWhy = szWhy;
    return false;
  };
  // A Wayland client cannot read the screen: what it presented last is what shows.
  if (SWaylandWindows::Active())
  {
    if (!hwnd || !pPixels || !CWindow::IsWindow(hwnd))
      return fail("the window is gone");
    return SWaylandWindows::Presented(hwnd, pWidth, pHeight, pPixels) || fail("nothing was presented yet");
  }
  Display* dpy = static_cast<Display*>(CWindow::GetNativeDisplay());
  if (!dpy || !hwnd || !CWindow::IsWindow(hwnd) || !pPixels)
    return fail("the window is gone");
  const Window window = static_cast<Window>(hwnd->GetNativeHandle());
  XWindowAttributes attributes;
  CDisplay::BeginErrorTrap();
  const bool bKnown = XGetWindowAttributes(dpy, window, &attributes) != 0;
  if (CDisplay::EndErrorTrap() != 0 || !bKnown)
    return fail("the window is gone");
  if (attributes.map_state != IsViewable)
    return fail("the window is not shown");
  // The server answers a read of any pixel off the screen with BadMatch: read the part
  // of the window on the screen.
  int rootX = 0, rootY = 0;
  Window child = 0;
  if (!XTranslateCoordinates(dpy, window, attributes.root, 0, 0, &rootX, &rootY, &child))
    return fail("the window is off the screen");
  const int left = rootX < 0 ? -rootX : 0, top = rootY < 0 ? -rootY : 0;
  const int w = std::min(rootX + attributes.width, WidthOfScreen(attributes.screen)) - std::max(rootX, 0);
  const int h = std::min(rootY + attributes.height, HeightOfScreen(attributes.screen)) - std::max(rootY, 0);
  if (w <= 0 || h <= 0)
    return fail("the window is off the screen");
  CDisplay::BeginErrorTrap();
  XImage* img = XGetImage(dpy, window, left, top, static_cast<unsigned>(w), static_cast<unsigned>(h),
                          AllPlanes, ZPixmap);
  if (CDisplay::EndErrorTrap() != 0 || !img)
  {
    if (img)
      XDestroyImage(img);
    return fail("the X server refused to read the window");
  }
  int rs, rb, gs, gb, bs, bb;
  MaskShape(img->red_mask, &rs, &rb);
  MaskShape(img->green_mask, &gs, &gb);
  MaskShape(img->blue_mask, &bs, &bb);
  pPixels->assign(static_cast<size_t>(w) * h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      unsigned long p = XGetPixel(img, x, y);
      (*pPixels)[static_cast<size_t>(y) * w + x] =
          0xFF000000u | Channel(p, rs, rb) << 16 | Channel(p, gs, gb) << 8 | Channel(p, bs, bb);
    }
  XDestroyImage(img);
  if (pWidth)
    *pWidth = w;
  if (pHeight)
    *pHeight = h;
  return true;
}

} // namespace zos
