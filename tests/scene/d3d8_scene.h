#pragma once

// A world on the real Direct3D 8 device (under Wine) over the built-in texts with some
// values replaced, drawn and read back from the back buffer before the frame is
// presented.

#include "earth_now_checks.h"
#include "scene_fakes.h"

#include "app/scene/planeto_world.h"
#include "sdk/core/engine_settings.h"
#include "sdk/d3d8/3d_engine_d3d8.h"
#include "sdk/d3d8/d3d8_platform.h"
#include "sdk/os/window.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace scenetest
{

inline zos::LRESULT D3D8SceneProc(zos::HWND hwnd, uint32_t msg, zos::WPARAM w, zos::LPARAM l)
{
  return zos::CWindow::DefWindowProc(hwnd, msg, w, l);
}

class CD3D8Scene
{
public:
  // fnBeforeLoad runs on the world just before it loads (the real-time options).
  CD3D8Scene(const std::vector<SSetting>& appli, int w, int h, uint32_t dwSeed = 7,
             const std::function<void(CPlanetoWorld&)>& fnBeforeLoad = {})
      : m_engine("Planeto.Engine.ini"), m_appli("Planeto.Appli.ini"), m_w(w), m_h(h)
  {
    BindSceneWorld(world, m_engine, m_appli, appli, {}, "planeto_scene_d3d8.log", dwSeed);
    world.RegisterPlatform(PLATFORM_INDEX_DIRECTX81, DescribeDirectX81, CreateDirectX81, DestroyDirectX81);
    if (fnBeforeLoad)
      fnBeforeLoad(world);
    zos::HWND hwnd = zos::CWindow::Create("PlanetoSceneD3D8", "scene", WS_POPUP | WS_VISIBLE, 0, 0, w,
                                          h, D3D8SceneProc, 0);
    m_bLoaded = hwnd && world.Load(hwnd, w, h, 32, false, false, PLATFORM_DIRECTX81, "") == ZP_OK;
  }
  ~CD3D8Scene()
  {
    if (m_bLoaded)
      world.Unload();
  }
  bool Loaded() const { return m_bLoaded; }

  // Updates with the step given (0 keeps everything still), then draws and reads back.
  void Frame(double dStep)
  {
    world.GetSettings()->dFrameStep = dStep;
    world.Update();
    Draw([this]() { world.Draw(); });
  }
  // One frame of what draw() draws, read back before it is presented (black when the
  // device cannot read it back).
  void Draw(const std::function<void()>& draw)
  {
    auto* device = static_cast<C3DEngineD3D8*>(world.GetDevice());
    device->BeginFrame();
    draw();
    uint32_t rw = 0, rh = 0;
    m_px.clear();
    device->ReadBackBuffer(&m_px, &rw, &rh);
    device->EndFrame();
    if (rw * rh != uint32_t(m_w * m_h))
      m_px.assign(size_t(m_w) * m_h, 0);
  }
  // The pixel at (x, y), y from the top, as red, green, blue, and the mean of the three.
  const uint8_t* Rgb(int x, int y)
  {
    const uint32_t c = m_px[size_t(y) * m_w + x];
    m_rgb[0] = uint8_t(c >> 16);
    m_rgb[1] = uint8_t(c >> 8);
    m_rgb[2] = uint8_t(c);
    return m_rgb;
  }
  double Level(int x, int y)
  {
    const uint8_t* p = Rgb(x, y);
    return (p[0] + p[1] + p[2]) / 3.0;
  }
  SFrameReader Reader()
  {
    return SFrameReader{ [this]() { Draw([this]() { world.Draw(); }); },
                         [this](int x, int y) { return Level(x, y); }, m_w, m_h };
  }

  CPlanetoWorld world;

private:
  COverrideStore m_engine;
  COverrideStore m_appli;
  int m_w, m_h;
  std::vector<uint32_t> m_px;
  uint8_t m_rgb[3] = {};
  bool m_bLoaded = false;
};

} // namespace scenetest
