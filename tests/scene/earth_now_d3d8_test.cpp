// The eclipses of the Earth now on the real Direct3D 8 device under Wine: the Moon's
// shadow of 2024-04-08 round NASA's point of greatest eclipse (25.3 N 104.1 W at
// 18:17:20 UTC) and none a day before; the Moon darkened at the lunar eclipse of
// 2025-03-14 06:59 UTC and not a day before.

#include "d3d8_scene.h"
#include "earth_now_checks.h"

#include "app/scene/stencil_shadow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

using namespace scenetest;

TEST(EarthNowD3D8, EclipsesWhenAndWhereTheyHappen)
{
  CheckEclipses([](const std::vector<SSetting>& settings, int w, int h, const SEarthNowOptions& o,
                   CUserMaps* pMaps) { return std::make_unique<CD3D8Scene>(settings, w, h, 7, WorldWith(o, pMaps)); });
}
