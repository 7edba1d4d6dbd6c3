#pragma once

// A stencil shadow whose place is known: the world's sphere (radius 200) at the origin,
// lit from -x, casts a volume reaching to x = 1500, and a large white unlit wall across
// it is drawn by itself.  Looked at from anywhere, the wall must be darkened exactly
// where it lies inside the volume.

#include "app/scene/lens_flare_simple.h"
#include "app/scene/planeto_world.h"
#include "app/scene/scene_quad.h"
#include "app/scene/stencil_shadow.h"
#include "sdk/core/3d_engine.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/camera.h"
#include "sdk/core/engine_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <functional>

namespace scenetest
{

class CShadowStage
{
public:
  static constexpr float kRadius = 200.0f;
  static constexpr float kReach = 1500.0f;

  explicit CShadowStage(CPlanetoWorld& world) : m_world(world)
  {
    m_pShadow = world.GetStencilShadow();
    m_pWall = world.CreateObject(0xC03, RENDER_STATES | RENDER_DEPTH_TEST | RENDER_DEPTH_WRITE);
    if (!m_pShadow || !m_pWall || BuildSceneQuad(m_pWall, 20000.0f, 20000.0f, 0xFFFFFFFF) < 0)
      return;
    world.GetMath()->Identity(&m_matCaster);
    m_pShadow->SetCaster(0, world.GetSphere(), &m_matCaster, kReach, -3.4028235e38f);
    for (int i = 1; i < CStencilShadow::CASTER_COUNT; ++i)
      m_pShadow->SetCaster(i, nullptr, nullptr, 0.0f, 0.0f);
    world.GetSettings()->light1.vPosition = SVector3{ -5000.0f, 0.0f, 0.0f };
    m_bReady = m_pShadow->BuildShadowVolume(0) >= 0 && m_pShadow->GetCaster(0).dwSideCount > 0;
  }
  ~CShadowStage() { m_world.DestroyObject(m_pWall); }
  bool Ready() const { return m_bReady; }

  // The camera at vEye looking at vTarget; the wall through vWall, across x (the plane
  // x = vWall.x) or else along it (the plane z = vWall.z).
  void Look(const SVector3& vEye, const SVector3& vTarget, const SVector3& vWall, bool bAcrossX)
  {
    C3DMath* m = m_world.GetMath();
    SEngineSettings* s = m_world.GetSettings();
    m->Identity(&s->matCamera);
    m->SetTranslation(&s->matCamera, &vEye);
    m->LookAt(&s->matCamera, &vTarget);
    m_world.GetDevice()->GetCamera()->UpdateView();
    SMatrix* w = m_pWall->GetMatrix();
    m->Identity(w);
    m->SetTranslation(w, &vWall);
    const SVector3 vFacing = bAcrossX ? SVector3{ vWall.x - 1.0f, vWall.y, vWall.z } : SVector3{ vWall.x, vWall.y, vWall.z - 1.0f };
    m->LookAt(w, &vFacing);
    m_vEye = vEye;
    m_vWall = vWall;
    m_bAcrossX = bAcrossX;
  }

  // The wall, then the volume with its darkening: between the frame's start and its
  // read-back.
  void Draw()
  {
    m_pWall->Draw(ALL_PARTS);
    m_pShadow->DrawShadowVolume(0);
  }

  struct SCount
  {
    size_t uShadow = 0; // pixels surely inside the volume
    size_t uLit = 0;    // pixels surely outside
    size_t uWrong = 0;  // of both, those drawn the other way (darkened: level below half)
  };

  // Compares the frame (level(x, y), y from the top) with where the wall point seen at
  // each pixel lies; points within a few pixels of the volume's surface are left out,
  // and so is the band of the terminator, where the near cap zigzags.
  SCount Compare(const std::function<double(int, int)>& level) const
  {
    const SEngineSettings* s = m_world.GetSettings();
    SCount n;
    for (int y = 0; y < s->wHeight; ++y)
      for (int x = 0; x < s->wWidth; ++x)
      {
        const SVector3 p = FlareNearPoint(m_world.GetMath(), s, SVector3{ x + 0.5f, y + 0.5f, 0.0f });
        const SVector3 d = { p.x - m_vEye.x, p.y - m_vEye.y, p.z - m_vEye.z };
        const float t = m_bAcrossX ? (m_vWall.x - m_vEye.x) / d.x : (m_vWall.z - m_vEye.z) / d.z;
        if (!(t > 0.0f))
          continue;
        const SVector3 q = { m_vEye.x + t * d.x, m_vEye.y + t * d.y, m_vEye.z + t * d.z };
        const float r = std::sqrt(q.y * q.y + q.z * q.z);
        const float fMargin = 8.0f;
        if (std::fabs(r - kRadius) < fMargin || std::fabs(q.x - kReach) < fMargin || std::fabs(q.x) < 60.0f)
          continue;
        const bool bInside = r < kRadius && q.x > 0.0f && q.x < kReach;
        const bool bDark = level(x, y) < 128.0;
        ++(bInside ? n.uShadow : n.uLit);
        n.uWrong += bDark != bInside ? 1 : 0;
      }
    return n;
  }

private:
  CPlanetoWorld& m_world;
  CStencilShadow* m_pShadow = nullptr;
  C3DObject* m_pWall = nullptr;
  SMatrix m_matCaster{};
  SVector3 m_vEye{}, m_vWall{};
  bool m_bAcrossX = true;
  bool m_bReady = false;
};

// Where the four looks stand: in front of the volume (on the sun's side, through the
// near cap), beside it (through a side, the wall along the axis), behind it (through
// the far cap) and inside it.
struct SShadowLook
{
  const char* pszName;
  SVector3 vEye, vTarget, vWall;
  bool bAcrossX;
};
inline const SShadowLook kShadowLooks[4] = {
  { "in front", { -700.0f, 60.0f, -40.0f }, { 800.0f, 0.0f, 0.0f }, { 800.0f, 0.0f, 0.0f }, true },
  { "beside", { 700.0f, 0.0f, -2500.0f }, { 700.0f, 0.0f, 0.0f }, { 700.0f, 0.0f, 0.0f }, false },
  { "behind", { 2600.0f, -50.0f, 70.0f }, { 800.0f, 0.0f, 0.0f }, { 800.0f, 0.0f, 0.0f }, true },
  { "inside", { 150.0f, 40.0f, -30.0f }, { 800.0f, 0.0f, 0.0f }, { 800.0f, 0.0f, 0.0f }, true },
};

// Looks at the stage from each of the four places: frame(draw) draws one frame with
// draw() between its start and its read-back, level(x, y) reads that frame.
inline void ExpectTheShadowFromEverySide(CShadowStage& stage, const std::function<void(const std::function<void()>&)>& frame,
                                         const std::function<double(int, int)>& level)
{
  for (const SShadowLook& look : kShadowLooks)
  {
    SCOPED_TRACE(look.pszName);
    stage.Look(look.vEye, look.vTarget, look.vWall, look.bAcrossX);
    frame([&]() { stage.Draw(); });
    const CShadowStage::SCount n = stage.Compare(level);
    EXPECT_GT(n.uShadow, 2000u);
    EXPECT_GT(n.uLit, 2000u);
    EXPECT_LE(n.uWrong, 10u) << n.uShadow << " in the shadow, " << n.uLit << " lit";
  }
}

} // namespace scenetest
