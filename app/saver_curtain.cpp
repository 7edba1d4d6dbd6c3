#include "app/saver_curtain.h"

#include "sdk/os/window.h"

using namespace zos;

namespace
{

HWND s_hScene = nullptr;
int s_iCurtainX = 0, s_iCurtainY = 0; // the curtain's corner on the desktop (the scene's is 0, 0)

LRESULT CurtainProc(HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam)
{
  const bool bKey = uMsg >= WM_KEYDOWN && uMsg <= WM_SYSKEYUP;
  const bool bMouse = uMsg >= WM_MOUSEMOVE && uMsg <= WM_MOUSEWHEEL;
  if ((bKey || bMouse) && CWindow::IsWindow(s_hScene))
  {
    // Mouse positions are the client area's (the wheel's the screen's): the scene's.
    if (bMouse && uMsg != WM_MOUSEWHEEL)
    {
      const int x = static_cast<int16_t>(lParam & 0xFFFF) + s_iCurtainX;
      const int y = static_cast<int16_t>((lParam >> 16) & 0xFFFF) + s_iCurtainY;
      lParam = MAKELPARAM(x, y);
    }
    return s_hScene->Send(uMsg, wParam, lParam);
  }
  return CWindow::DefWindowProc(hwnd, uMsg, wParam, lParam);
}

} // namespace

HWND RaiseCurtain()
{
  int x = 0, y = 0, w = 0, h = 0, iScreenW = 0, iScreenH = 0;
  CWindow::GetVirtualScreen(&x, &y, &w, &h);
  CWindow::GetScreenSize(&iScreenW, &iScreenH);
  if (w <= 0 || h <= 0 || (x == 0 && y == 0 && w == iScreenW && h == iScreenH))
    return nullptr;
  s_iCurtainX = x;
  s_iCurtainY = y;
  return CWindow::Create("PlanetoCurtain", "", WS_POPUP | WS_VISIBLE, x, y, w, h, CurtainProc);
}

void SetCurtainScene(HWND hScene) { s_hScene = hScene; }

void DropCurtain(HWND hCurtain)
{
  s_hScene = nullptr;
  if (hCurtain && CWindow::IsWindow(hCurtain))
    hCurtain->Destroy();
}
