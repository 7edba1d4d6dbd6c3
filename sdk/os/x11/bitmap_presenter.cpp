#include "sdk/os/bitmap.h"

#include "sdk/os/wayland/shm_presenter.h"
#include "sdk/os/wayland/wayland.h"
#include "sdk/os/x11/display.h"
#include "sdk/os/window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace zos
{

// ---------------------------------------------------------------------------------------
// CBitmapPresenter

CBitmapPresenter::CBitmapPresenter()
    : m_pDisplay(nullptr), m_hWindow(0), m_pGC(nullptr), m_pVisual(nullptr), m_iDepth(0), m_bpp(0),
      m_bDirect(false), m_dwRedMask(0), m_dwGreenMask(0), m_dwBlueMask(0), m_pStaging(nullptr), m_nStaging(0),
      m_pShmImage(nullptr), m_pShmInfo(nullptr), m_bShmUsable(false), m_bShmInFlight(false),
      m_pWayland(nullptr)
{
}

CBitmapPresenter::~CBitmapPresenter() { Detach(); }

bool CBitmapPresenter::Attach(CWindow* hwnd)
{
  Detach();
  if (!hwnd)
    return false;
  if (SWaylandWindows::Active())
  {
    if (!CWindow::IsWindow(hwnd) || !Wayland().pDisplay)
      return false;
    m_pWayland = new CShmPresenter(hwnd);
    m_pDisplay = Wayland().pDisplay;
    m_iDepth = 24;
    m_bpp = 32;
    m_bDirect = true;
    return true;
  }
  Display* dpy = static_cast<Display*>(CWindow::GetNativeDisplay());
  const Window window = static_cast<Window>(hwnd->GetNativeHandle());
  if (!dpy || !window)
    return false;

  XWindowAttributes attr;
  if (!XGetWindowAttributes(dpy, window, &attr) || !attr.visual)
    return false;

  // The pixel size the server uses for the window's depth.
  int bpp = 0, count = 0;
  if (XPixmapFormatValues* formats = XListPixmapFormats(dpy, &count))
  {
    for (int i = 0; i < count; ++i)
      if (formats[i].depth == attr.depth)
        bpp = formats[i].bits_per_pixel;
    XFree(formats);
  }
  if (bpp == 0)
    return false;

  GC gc = XCreateGC(dpy, window, 0, nullptr);
  if (!gc)
    return false;

  m_pDisplay = dpy;
  m_hWindow = window;
  m_pGC = gc;
  m_pVisual = attr.visual;
  m_iDepth = attr.depth;
  m_dwRedMask = uint32_t(attr.visual->red_mask);
  m_dwGreenMask = uint32_t(attr.visual->green_mask);
  m_dwBlueMask = uint32_t(attr.visual->blue_mask);
  // Our words are 0xAARRGGBB in host order; a 24- or 32-bit true-colour visual with the
  // usual masks takes them as they are (the alpha byte is ignored at depth 24 and the
  // window is opaque at depth 32 since every pixel we write has alpha 0xFF).
  m_bDirect = bpp == 32 && m_dwRedMask == 0xFF0000u && m_dwGreenMask == 0xFF00u && m_dwBlueMask == 0xFFu;
  m_bpp = bpp;
  // Shared memory only pays for the plain 32-bit layout, which needs no conversion.
  m_bShmUsable = m_bDirect && XShmQueryExtension(dpy);
  return true;
}

void CBitmapPresenter::Detach()
{
  delete static_cast<CShmPresenter*>(m_pWayland);
  if (m_pWayland)
    m_pDisplay = nullptr; // the compositor's connection: not ours to close
  m_pWayland = nullptr;
  DropSharedImage();
  m_bShmUsable = false;
  if (m_pDisplay && m_pGC)
    XFreeGC(static_cast<Display*>(m_pDisplay), static_cast<GC>(m_pGC));
  std::free(m_pStaging);
  m_pStaging = nullptr;
  m_nStaging = 0;
  m_pDisplay = nullptr;
  m_hWindow = 0;
  m_pGC = nullptr;
  m_pVisual = nullptr;
  m_iDepth = 0;
  m_bpp = 0;
  m_bDirect = false;
}

bool CBitmapPresenter::EnsureStaging(size_t count)
{
  if (m_nStaging >= count)
    return true;
  uint32_t* p = static_cast<uint32_t*>(std::realloc(m_pStaging, count * sizeof(uint32_t)));
  if (!p)
    return false;
  m_pStaging = p;
  m_nStaging = count;
  return true;
}

namespace
{

inline bool HostIsLittleEndian()
{
  const uint16_t probe = 1;
  return *reinterpret_cast<const uint8_t*>(&probe) == 1;
}

} // namespace

// The shared image for a width x height picture; made on first use and remade when the
// size changes.  Any refusal (remote server, no System V shared memory, attach denied)
// turns shared memory off for good and XPutImage takes over.
bool CBitmapPresenter::EnsureSharedImage(uint32_t width, uint32_t height)
{
  if (!m_bShmUsable)
    return false;
  XImage* image = static_cast<XImage*>(m_pShmImage);
  if (image && uint32_t(image->width) == width && uint32_t(image->height) == height)
    return true;
  DropSharedImage();

  Display* dpy = static_cast<Display*>(m_pDisplay);
  auto* info = new (std::nothrow) XShmSegmentInfo{};
  if (!info)
  {
    m_bShmUsable = false;
    return false;
  }
  info->shmid = -1;
  info->shmaddr = reinterpret_cast<char*>(-1);
  image = XShmCreateImage(dpy, static_cast<Visual*>(m_pVisual), unsigned(m_iDepth), ZPixmap, nullptr, info,
                          width, height);
  // Our words are host-order 0xAARRGGBB; a local server shares the host's byte order.
  bool ok = image && image->bits_per_pixel == 32 && image->bytes_per_line == int(width * 4) &&
            image->byte_order == (HostIsLittleEndian() ? LSBFirst : MSBFirst);
  if (ok)
  {
    info->shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * height, IPC_CREAT | 0600);
    ok = info->shmid >= 0;
  }
  if (ok)
  {
    info->shmaddr = static_cast<char*>(shmat(info->shmid, nullptr, 0));
    ok = info->shmaddr != reinterpret_cast<char*>(-1);
  }
  if (ok)
  {
    image->data = info->shmaddr;
    info->readOnly = False;
    CDisplay::BeginErrorTrap();
    const Status attached = XShmAttach(dpy, info);
    ok = CDisplay::EndErrorTrap() == 0 && attached; // EndErrorTrap syncs
  }
  // Marked for removal now: the segment goes away once both sides have detached, even
  // if the program is killed.
  if (info->shmid >= 0)
    shmctl(info->shmid, IPC_RMID, nullptr);
  if (!ok)
  {
    if (info->shmaddr != reinterpret_cast<char*>(-1))
      shmdt(info->shmaddr);
    if (image)
    {
      image->data = nullptr;
      XDestroyImage(image);
    }
    delete info;
    m_bShmUsable = false;
    return false;
  }
  m_pShmImage = image;
  m_pShmInfo = info;
  m_bShmInFlight = false;
  return true;
}

void CBitmapPresenter::DropSharedImage()
{
  XImage* image = static_cast<XImage*>(m_pShmImage);
  auto* info = static_cast<XShmSegmentInfo*>(m_pShmInfo);
  if (image && info)
  {
    Display* dpy = static_cast<Display*>(m_pDisplay);
    if (dpy)
    {
      XShmDetach(dpy, info);
      XSync(dpy, False); // the server lets go before the memory does
    }
    shmdt(info->shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
  }
  delete info;
  m_pShmImage = nullptr;
  m_pShmInfo = nullptr;
  m_bShmInFlight = false;
}

namespace
{

// Scales an 8-bit channel into the bits of a visual's mask.
inline uint32_t PlaceChannel(uint32_t value8, uint32_t mask)
{
  if (!mask)
    return 0;
  int shift = 0;
  while (!((mask >> shift) & 1))
    ++shift;
  int bits = 0;
  while ((mask >> (shift + bits)) & 1)
    ++bits;
  const uint32_t v = bits >= 8 ? value8 << (bits - 8) : value8 >> (8 - bits);
  return (v << shift) & mask;
}

} // namespace

bool CBitmapPresenter::Present(const CBitmap& bitmap, int x, int y, uint32_t width, uint32_t height)
{
  Display* dpy = static_cast<Display*>(m_pDisplay);
  if (!dpy || !bitmap.IsValid())
    return false;
  if (width > bitmap.GetWidth())
    width = bitmap.GetWidth();
  if (height > bitmap.GetHeight())
    height = bitmap.GetHeight();
  if (width == 0 || height == 0)
    return true;
  // The software platform presents whole frames at the origin.
  if (m_pWayland)
    return x == 0 && y == 0 && static_cast<CShmPresenter*>(m_pWayland)->Present(bitmap, width, height);

  Visual* visual = static_cast<Visual*>(m_pVisual);
  XImage* image = nullptr;
  const uint32_t* src = bitmap.GetPixels();

  if (m_bDirect && EnsureSharedImage(width, height))
  {
    XImage* shared = static_cast<XImage*>(m_pShmImage);
    // The server reads the segment after XShmPutImage returns: wait for it to finish
    // with the previous picture before overwriting it.  Waiting here rather than right
    // after the request lets the server copy while the next frame is drawn.
    if (m_bShmInFlight)
      XSync(dpy, False);
    const size_t rowBytes = size_t(width) * 4;
    const size_t srcStride = size_t(bitmap.GetWidth()) * 4;
    const char* from = reinterpret_cast<const char*>(src);
    if (srcStride == rowBytes)
    {
      std::memcpy(shared->data, from, rowBytes * height);
    }
    else
    {
      for (uint32_t row = 0; row < height; ++row)
        std::memcpy(shared->data + row * rowBytes, from + row * srcStride, rowBytes);
    }
    XShmPutImage(dpy, m_hWindow, static_cast<GC>(m_pGC), shared, 0, 0, x, y, width, height, False);
    m_bShmInFlight = true;
  }
  else if (m_bpp == 32)
  {
    char* data;
    int stride;
    if (m_bDirect)
    {
      data = reinterpret_cast<char*>(const_cast<uint32_t*>(src));
      stride = int(bitmap.GetWidth() * 4);
    }
    else
    {
      // Another channel layout in 32-bit pixels: convert row by row.
      if (!EnsureStaging(size_t(width) * height))
        return false;
      for (uint32_t row = 0; row < height; ++row)
      {
        const uint32_t* s = src + size_t(row) * bitmap.GetWidth();
        uint32_t* d = m_pStaging + size_t(row) * width;
        for (uint32_t col = 0; col < width; ++col)
        {
          const uint32_t c = s[col];
          d[col] = PlaceChannel((c >> 16) & 0xFF, m_dwRedMask) |
                   PlaceChannel((c >> 8) & 0xFF, m_dwGreenMask) | PlaceChannel(c & 0xFF, m_dwBlueMask);
        }
      }
      data = reinterpret_cast<char*>(m_pStaging);
      stride = int(width * 4);
    }
    image = XCreateImage(dpy, visual, unsigned(m_iDepth), ZPixmap, 0, data, width, height, 32, stride);
    if (!image)
      return false;
    // The words are in host order; Xlib swaps them if the server wants the other one.
    image->byte_order = HostIsLittleEndian() ? LSBFirst : MSBFirst;
    XPutImage(dpy, m_hWindow, static_cast<GC>(m_pGC), image, 0, 0, x, y, width, height);
    image->data = nullptr; // the pixels are not Xlib's to free
    XDestroyImage(image);
  }
  else
  {
    // Rare visuals (16 bits and others): let Xlib pack each pixel.
    image = XCreateImage(dpy, visual, unsigned(m_iDepth), ZPixmap, 0, nullptr, width, height,
                         m_bpp > 16 ? 32 : (m_bpp > 8 ? 16 : 8), 0);
    if (!image)
      return false;
    image->data = static_cast<char*>(std::malloc(size_t(image->bytes_per_line) * height));
    if (!image->data)
    {
      XDestroyImage(image);
      return false;
    }
    for (uint32_t row = 0; row < height; ++row)
    {
      const uint32_t* s = src + size_t(row) * bitmap.GetWidth();
      for (uint32_t col = 0; col < width; ++col)
      {
        const uint32_t c = s[col];
        XPutPixel(image, int(col), int(row),
                  PlaceChannel((c >> 16) & 0xFF, m_dwRedMask) | PlaceChannel((c >> 8) & 0xFF, m_dwGreenMask) |
                      PlaceChannel(c & 0xFF, m_dwBlueMask));
      }
    }
    XPutImage(dpy, m_hWindow, static_cast<GC>(m_pGC), image, 0, 0, x, y, width, height);
    XDestroyImage(image); // frees the data we allocated with malloc
  }
  XFlush(dpy);
  return true;
}

} // namespace zos
