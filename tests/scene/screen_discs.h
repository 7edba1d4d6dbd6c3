#pragma once

// Where the bodies of a world lie on its frame, for tests that look at what is drawn
// beside them.

#include "app/scene/planeto_world.h"
#include "sdk/core/engine_settings.h"

#include <cmath>
#include <functional>
#include <utility>

namespace scenetest
{

inline float Dist(const SVector3& a, const SVector3& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Whether a pixel lies off the Earth (with its atmosphere) and off the Moon, whose
// screen discs come from projecting each centre and a point on its rim.
inline std::function<bool(int, int)> OffTheBodies(CPlanetoWorld& world)
{
  const SEngineSettings* s = world.GetSettings();
  C3DMath* m = world.GetMath();
  SVector3 up, moon;
  m->GetAxisY(&up, &s->matCamera);
  m->GetTranslation(&moon, &world.Bodies().GetMoonMatrix());
  auto disc = [&](const SVector3& c, float r)
  {
    SVector3 a, b;
    const SVector3 rim = { c.x + r * up.x, c.y + r * up.y, c.z + r * up.z };
    m->Project(&a, s->wWidth, s->wHeight, nullptr, &s->matView, &s->matProjection, &c);
    m->Project(&b, s->wWidth, s->wHeight, nullptr, &s->matView, &s->matProjection, &rim);
    return std::make_pair(a, Dist(a, b) + 4.0f);
  };
  const auto earth = disc(SVector3{ 0.0f, 0.0f, 0.0f }, 203.0f);
  const auto moonDisc = disc(moon, 40.0f);
  return [=](int x, int y)
  {
    const SVector3 p = { float(x), float(y), 0.0f };
    return Dist(p, earth.first) > earth.second && Dist(p, moonDisc.first) > moonDisc.second;
  };
}

// Turns the camera by steps of 0.002 rad of its own yaw, up to 3000 of them, until
// `wanted` holds; false when it never does.
inline bool TurnUntil(CPlanetoWorld& world, const std::function<bool()>& wanted)
{
  for (int i = 0; i < 3000; ++i)
  {
    world.GetSettings()->dFrameStep = 0.002 / 0.0006;
    world.Update();
    if (wanted())
      return true;
  }
  return false;
}

// Whether the sun lies well behind the camera: within 60 degrees of straight back.
inline bool SunBehind(CPlanetoWorld& world)
{
  SVector3 f;
  world.GetMath()->GetAxisZ(&f, &world.GetSettings()->matCamera);
  const float fSign = world.GetMath()->GetDepthSign(); // the stored z axis of a mirroring platform
  const SVector3& o = world.GetSettings()->light1.vPosition;
  const float fLength = std::sqrt(o.x * o.x + o.y * o.y + o.z * o.z);
  return fSign * (f.x * o.x + f.y * o.y + f.z * o.z) < -0.5f * fLength;
}

} // namespace scenetest
