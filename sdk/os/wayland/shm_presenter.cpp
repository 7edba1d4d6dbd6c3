#include "sdk/os/wayland/shm_presenter.h"

#include "sdk/os/bitmap.h"
#include "sdk/os/wayland/wayland.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

// The software platform's frames on Wayland: copied into shared-memory buffers that
// the compositor reads (XRGB8888 is our host-order 0xAARRGGBB word), a few per surface
// so that a frame never waits for the compositor to let go of the last one.

namespace zos
{

namespace
{

constexpr size_t kMaxBuffers = 3;

struct SShmBuffer
{
  wl_buffer* pBuffer = nullptr;
  uint32_t* pPixels = nullptr;
  size_t nBytes = 0;
  int iWidth = 0, iHeight = 0;
  bool bBusy = false; // the compositor may be reading it

  ~SShmBuffer()
  {
    if (pBuffer)
      wl_buffer_destroy(pBuffer);
    if (pPixels)
      munmap(pPixels, nBytes);
  }
};

void OnRelease(void* pData, wl_buffer*) { static_cast<SShmBuffer*>(pData)->bBusy = false; }
const wl_buffer_listener s_bufferListener = { OnRelease };

std::unique_ptr<SShmBuffer> MakeBuffer(int iWidth, int iHeight)
{
  auto b = std::make_unique<SShmBuffer>();
  b->iWidth = iWidth;
  b->iHeight = iHeight;
  b->nBytes = static_cast<size_t>(iWidth) * static_cast<size_t>(iHeight) * 4;
  const int fd = memfd_create("planeto-frame", MFD_CLOEXEC);
  if (fd < 0)
    return nullptr;
  void* p = ftruncate(fd, static_cast<off_t>(b->nBytes)) == 0
                ? mmap(nullptr, b->nBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                : MAP_FAILED;
  if (p == MAP_FAILED)
  {
    close(fd);
    return nullptr;
  }
  b->pPixels = static_cast<uint32_t*>(p);
  wl_shm_pool* pPool = wl_shm_create_pool(Wayland().pShm, fd, static_cast<int32_t>(b->nBytes));
  b->pBuffer = wl_shm_pool_create_buffer(pPool, 0, iWidth, iHeight, iWidth * 4, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pPool);
  close(fd);
  if (!b->pBuffer)
    return nullptr;
  wl_buffer_add_listener(b->pBuffer, &s_bufferListener, b.get());
  return b;
}

// Fills a buffer from the picture: as it is when the sizes agree, else scaled to cover
// the buffer with the picture's centre kept (another output of a background).
void Fill(SShmBuffer& b, const uint32_t* pSrc, int iSrcW, int iSrcH, int iStride)
{
  if (b.iWidth == iSrcW && b.iHeight == iSrcH)
  {
    for (int y = 0; y < iSrcH; ++y)
      std::memcpy(b.pPixels + static_cast<size_t>(y) * iSrcW, pSrc + static_cast<size_t>(y) * iStride,
                  static_cast<size_t>(iSrcW) * 4);
    return;
  }
  const double dScale = std::max(static_cast<double>(b.iWidth) / iSrcW, static_cast<double>(b.iHeight) / iSrcH);
  const double dX0 = (iSrcW - b.iWidth / dScale) / 2.0, dY0 = (iSrcH - b.iHeight / dScale) / 2.0;
  for (int y = 0; y < b.iHeight; ++y)
  {
    const int sy = std::min(iSrcH - 1, static_cast<int>(dY0 + (y + 0.5) / dScale));
    const uint32_t* pRow = pSrc + static_cast<size_t>(sy) * iStride;
    uint32_t* pOut = b.pPixels + static_cast<size_t>(y) * b.iWidth;
    for (int x = 0; x < b.iWidth; ++x)
      pOut[x] = pRow[std::min(iSrcW - 1, static_cast<int>(dX0 + (x + 0.5) / dScale))];
  }
}

} // namespace

struct CShmPresenter::SSurfaceBuffers
{
  wl_surface* pSurface = nullptr;
  std::vector<std::unique_ptr<SShmBuffer>> buffers;
};

CShmPresenter::CShmPresenter(CWindow* pWnd) : m_pWnd(pWnd) {}
CShmPresenter::~CShmPresenter() = default;

bool CShmPresenter::Present(const CBitmap& bitmap, uint32_t dwWidth, uint32_t dwHeight)
{
  if (!CWindow::IsWindow(m_pWnd) || !Wayland().pShm)
    return false;
  const int iW = static_cast<int>(dwWidth), iH = static_cast<int>(dwHeight);
  const int iStride = static_cast<int>(bitmap.GetWidth());
  const std::vector<SWaylandWindows::SView> views = SWaylandWindows::Views(m_pWnd);
  // Surfaces gone since the last frame take their buffers with them.
  std::vector<std::unique_ptr<SSurfaceBuffers>> kept;
  for (const auto& view : views)
  {
    std::unique_ptr<SSurfaceBuffers> pSurface;
    for (auto& p : m_surfaces)
      if (p && p->pSurface == view.pSurface)
        pSurface = std::move(p);
    if (!pSurface)
    {
      pSurface = std::make_unique<SSurfaceBuffers>();
      pSurface->pSurface = view.pSurface;
    }
    // The window's own surface shows the picture at its size; the others at theirs.
    const bool bOwn = &view == &views.front();
    const int iBufW = bOwn ? iW : view.iWidth, iBufH = bOwn ? iH : view.iHeight;
    auto& buffers = pSurface->buffers;
    SShmBuffer* pFree = nullptr;
    for (auto it = buffers.begin(); it != buffers.end();)
    {
      if (!(*it)->bBusy && ((*it)->iWidth != iBufW || (*it)->iHeight != iBufH))
        it = buffers.erase(it); // of an old size
      else
      {
        if (!(*it)->bBusy && !pFree)
          pFree = it->get();
        ++it;
      }
    }
    if (!pFree && buffers.size() < kMaxBuffers)
      if (auto b = MakeBuffer(iBufW, iBufH))
      {
        buffers.push_back(std::move(b));
        pFree = buffers.back().get();
      }
    // All held by the compositor: this surface skips the frame.
    if (pFree)
    {
      Fill(*pFree, bitmap.GetPixels(), iW, iH, iStride);
      pFree->bBusy = true;
      wl_surface_set_buffer_scale(view.pSurface, iBufW % view.iScale == 0 && iBufH % view.iScale == 0 ? view.iScale : 1);
      wl_surface_attach(view.pSurface, pFree->pBuffer, 0, 0);
      wl_surface_damage_buffer(view.pSurface, 0, 0, iBufW, iBufH);
      wl_surface_commit(view.pSurface);
    }
    kept.push_back(std::move(pSurface));
  }
  m_surfaces = std::move(kept);
  SWaylandWindows::KeepPresented(m_pWnd, bitmap.GetPixels(), iW, iH, iStride);
  FlushWayland();
  return true;
}

} // namespace zos
