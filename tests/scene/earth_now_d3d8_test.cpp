// The eclipses of the Earth now on the real Direct3D 8 device under Wine: the Moon's
// shadow of 2024-04-08 round NASA's point of greatest eclipse (25.3 N 104.1 W at
// 18:17:20 UTC) and none a day before; the Moon darkened at the lunar eclipse of
// 2025-03-14 06:59 UTC and not a day before.

#include "earth_now_checks.h"

#include "app/scene/stencil_shadow.h"
#include "sdk/d3d8/3d_engine_d3d8.h"
#include "sdk/d3d8/d3d8_platform.h"
#include "sdk/os/window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

using namespace scenetest;

namespace
{

zos::LRESULT TestProc(zos::HWND hwnd, uint32_t msg, zos::WPARAM w, zos::LPARAM l)
{
  return zos::CWindow::DefWindowProc(hwnd, msg, w, l);
}

// A world on the Direct3D 8 device, its frames read back before they are presented.
class CD3D8Scene
{
public:
  CD3D8Scene(const std::vector<SSetting>& appli, int w, int h, const SEarthNowOptions& o, CUserMaps* pMaps)
      : m_engine("Planeto.Engine.ini"), m_appli("Planeto.Appli.ini"), m_w(w), m_h(h)
  {
    for (const SSetting& s : appli)
      m_appli.Set(s.pszSection, s.pszKey, s.pszValue);
    world.BindSettings(&m_engine, &m_appli, "planeto_earth_now_d3d8.log");
    world.SetFixedSeed(7);
    world.RegisterPlatform(PLATFORM_INDEX_DIRECTX81, DescribeDirectX81, CreateDirectX81, DestroyDirectX81);
    WorldWith(o, pMaps)(world);
    zos::HWND hwnd =
        zos::CWindow::Create("PlanetoEarthNowD3D8", "scene", WS_POPUP | WS_VISIBLE, 0, 0, w, h, TestProc, 0);
    m_bLoaded = hwnd && world.Load(hwnd, w, h, 32, false, false, PLATFORM_DIRECTX81, "") == ZP_OK;
  }
  ~CD3D8Scene()
  {
    if (m_bLoaded)
      world.Unload();
  }
  bool Loaded() const { return m_bLoaded; }
  void Frame(double dStep)
  {
    world.GetSettings()->dFrameStep = dStep;
    world.Update();
  }
  SFrameReader Reader()
  {
    return SFrameReader{ [this]()
                         {
                           auto* device = static_cast<C3DEngineD3D8*>(world.GetDevice());
                           device->BeginFrame();
                           world.Draw();
                           uint32_t rw = 0, rh = 0;
                           m_px.clear();
                           device->ReadBackBuffer(&m_px, &rw, &rh);
                           device->EndFrame();
                           if (rw * rh != uint32_t(m_w * m_h))
                             m_px.assign(size_t(m_w) * m_h, 0);
                         },
                         [this](int x, int y)
                         {
                           const uint32_t c = m_px[size_t(y) * m_w + x];
                           return ((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) / 3.0;
                         },
                         m_w, m_h };
  }

  CPlanetoWorld world;

private:
  COverrideStore m_engine;
  COverrideStore m_appli;
  int m_w, m_h;
  std::vector<uint32_t> m_px;
  bool m_bLoaded = false;
};

} // namespace

TEST(EarthNowD3D8, EclipsesWhenAndWhereTheyHappen)
{
  CheckEclipses([](const std::vector<SSetting>& settings, int w, int h, const SEarthNowOptions& o,
                   CUserMaps* pMaps) { return std::make_unique<CD3D8Scene>(settings, w, h, o, pMaps); });
}
