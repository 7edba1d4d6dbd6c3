#include "sdk/os/window_capture.h"

#include "sdk/os/wayland/wayland.h"
#include "sdk/os/window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

bool CaptureWindow(HWND hwnd, int* pWidth, int* pHeight, std::vector<uint32_t>* pPixels)
{
  // A Wayland client cannot read the screen: what it presented last is what shows.
  if (SWaylandWindows::Active())
    return hwnd && pPixels && CWindow::IsWindow(hwnd) && SWaylandWindows::Presented(hwnd, pWidth, pHeight, pPixels);
  Display* dpy = static_cast<Display*>(CWindow::GetNativeDisplay());
  if (!dpy || !hwnd || !CWindow::IsWindow(hwnd) || !pPixels)
    return false;
  int w = 0, h = 0;
  if (!hwnd->GetClientSize(&w, &h) || w <= 0 || h <= 0)
    return false;
  XSync(dpy, False);
  XImage* img = XGetImage(dpy, static_cast<Window>(hwnd->GetNativeHandle()), 0, 0, static_cast<unsigned>(w),
                          static_cast<unsigned>(h), AllPlanes, ZPixmap);
  if (!img)
    return false;
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
