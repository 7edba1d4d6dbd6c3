#pragma once

// The Wayland half of CBitmapPresenter: a window's frames through wl_shm buffers, on
// each surface the window shows (a background's on every output).

#include <cstdint>
#include <memory>
#include <vector>

namespace zos
{

class CBitmap;
class CWindow;

class CShmPresenter
{
public:
  explicit CShmPresenter(CWindow* pWnd);
  ~CShmPresenter();
  CShmPresenter(const CShmPresenter&) = delete;
  CShmPresenter& operator=(const CShmPresenter&) = delete;

  // Shows the top-left width x height pixels of the bitmap.  False once the window is gone.
  bool Present(const CBitmap& bitmap, uint32_t dwWidth, uint32_t dwHeight);

private:
  struct SSurfaceBuffers;
  CWindow* m_pWnd;
  std::vector<std::unique_ptr<SSurfaceBuffers>> m_surfaces;
};

} // namespace zos
