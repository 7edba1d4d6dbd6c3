// Input, frame update, sun test and drawing order of the world.

#include "scene_fixture.h"

#include "app/scene/lens_flare_masking.h"
#include "app/scene/lens_flare_simple.h"
#include "app/scene/stencil_shadow.h"
#include "app/scene/sun_masking.h"
#include "app/scene/sun_simple.h"
#include "sdk/core/camera.h"

using namespace zos;

using namespace scenetest;

namespace
{

constexpr float kPi = 3.1415927f;

LPARAM Pos(int x, int y) { return MAKELPARAM(x, y); }

bool SameMatrix(const SMatrix& a, const SMatrix& b, float eps = 1e-5f)
{
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (std::fabs(a.m[i][j] - b.m[i][j]) > eps)
        return false;
  return true;
}

} // namespace

// ---------------------------------------------------------------------------------
// Input

TEST_F(WorldTest, KeysInApplicationMode)
{
  ASSERT_EQ(LoadWorld(), ZP_OK);
  EXPECT_LT(Send(WM_KEYDOWN, VK_ESCAPE), 0);
  EXPECT_EQ(Send(WM_KEYDOWN, 'A'), ZP_OK);

  EXPECT_EQ(Send(WM_KEYDOWN, VK_ADD), ZP_OK);
  EXPECT_NEAR(m_world->Camera().GetSpeedFactor(), 0.0016f, 1e-7f);
  Send(WM_KEYDOWN, VK_SUBTRACT);
  Send(WM_KEYDOWN, VK_SUBTRACT);
  EXPECT_NEAR(m_world->Camera().GetSpeedFactor(), -0.0004f, 1e-7f);
  Send(WM_KEYDOWN, VK_DIVIDE);
  EXPECT_EQ(m_world->Camera().GetSpeedFactor(), 0.0f);
  Send(WM_KEYDOWN, VK_MULTIPLY);
  EXPECT_FLOAT_EQ(m_world->Camera().GetSpeedFactor(), 0.0006f);

  EXPECT_EQ(Send(WM_KEYDOWN, VK_RIGHT), ZP_OK);
  EXPECT_EQ(m_world->Camera().GetViewOrientation(), static_cast<uint32_t>(VIEW_RIGHT));
  EXPECT_FLOAT_EQ(m_world->Camera().GetRollTarget(), 1.5707964f);
  Send(WM_KEYDOWN, VK_DOWN);
  EXPECT_EQ(m_world->Camera().GetViewOrientation(), static_cast<uint32_t>(VIEW_DOWN));
  EXPECT_FLOAT_EQ(m_world->Camera().GetRollTarget(), kPi);
  Send(WM_KEYDOWN, VK_LEFT);
  EXPECT_EQ(m_world->Camera().GetViewOrientation(), static_cast<uint32_t>(VIEW_LEFT));
  EXPECT_FLOAT_EQ(m_world->Camera().GetRollTarget(), -1.5707964f);
  Send(WM_KEYDOWN, VK_UP);
  EXPECT_EQ(m_world->Camera().GetViewOrientation(), static_cast<uint32_t>(VIEW_UP));
  EXPECT_FLOAT_EQ(m_world->Camera().GetRollTarget(), 0.0f);

  EXPECT_EQ(Send(WM_LBUTTONDOWN, MK_LBUTTON), ZP_OK);
  EXPECT_EQ(Send(WM_MBUTTONDOWN, MK_MBUTTON), ZP_OK);
  EXPECT_EQ(Send(WM_RBUTTONDOWN, MK_RBUTTON), ZP_OK);
  EXPECT_EQ(Send(WM_RBUTTONUP), ZP_OK);
  EXPECT_FALSE(m_world->Camera().IsAutoRotation());
  Send(WM_RBUTTONUP);
  EXPECT_TRUE(m_world->Camera().IsAutoRotation());

  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120));
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120));
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, -120));
  EXPECT_EQ(m_world->Camera().GetWheelSteps(), 1);
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 0)); // a delta below 1 counts as a step back
  EXPECT_EQ(m_world->Camera().GetWheelSteps(), 0);
  EXPECT_EQ(Send(WM_TIMER), ZP_OK);
}

TEST_F(WorldTest, ArrowsTakeTheShortWayRound)
{
  ASSERT_EQ(LoadWorld(), ZP_OK);
  Send(WM_KEYDOWN, VK_DOWN);
  for (int i = 0; i < 4; ++i)
  {
    Settings()->dFrameStep = 1.0 / 0.0006 * 0.01; // 1 unit of roll per update
    m_world->Update();
    EXPECT_NEAR(m_world->Camera().GetRollCurrent(), std::min(i + 1.0f, kPi), 1e-4f);
    EXPECT_LE(m_world->Camera().GetRollCurrent(), kPi);
  }
  // The roll stops exactly at the target.
  EXPECT_FLOAT_EQ(m_world->Camera().GetRollCurrent(), kPi);
  Send(WM_KEYDOWN, VK_LEFT);
  // pi is more than half a turn from -pi/2: a whole turn brings it to -pi.
  EXPECT_NEAR(m_world->Camera().GetRollCurrent(), kPi - 2.0f * kPi, 1e-5f);
}

TEST_F(WorldTest, DragMapsMovesByTheOrientation)
{
  ASSERT_EQ(LoadWorld(), ZP_OK); // 800 x 600
  // The first move only records the position.
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(100, 100));
  EXPECT_EQ(m_world->Camera().GetMouseYawStep(), 0.0f);
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(180, 160));
  EXPECT_FLOAT_EQ(m_world->Camera().GetMouseYawStep(), 0.1f);
  EXPECT_FLOAT_EQ(m_world->Camera().GetMousePitchStep(), 0.1f);

  // Another button held with the left one: no drag, nothing recorded.
  Send(WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, Pos(500, 500));
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(260, 220));
  EXPECT_FLOAT_EQ(m_world->Camera().GetMouseYawStep(), 0.2f);
  EXPECT_FLOAT_EQ(m_world->Camera().GetMousePitchStep(), 0.2f);

  // Releasing the left button forgets the position.
  Send(WM_LBUTTONUP);
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(0, 0));
  EXPECT_FLOAT_EQ(m_world->Camera().GetMouseYawStep(), 0.2f);

  // Upside down, moves are mirrored.
  m_world->Update();
  Send(WM_KEYDOWN, VK_DOWN);
  Send(WM_LBUTTONUP);
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(100, 100));
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(180, 160));
  EXPECT_FLOAT_EQ(m_world->Camera().GetMouseYawStep(), -0.1f);
  EXPECT_FLOAT_EQ(m_world->Camera().GetMousePitchStep(), -0.1f);

  // Turned right, x and y trade places: (x, y) -> (y, -x).
  m_world->Update();
  Send(WM_KEYDOWN, VK_RIGHT);
  Send(WM_LBUTTONUP);
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(100, 100));
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(180, 160));
  EXPECT_FLOAT_EQ(m_world->Camera().GetMouseYawStep(), 60.0f / 800.0f);
  EXPECT_FLOAT_EQ(m_world->Camera().GetMousePitchStep(), -80.0f / 600.0f);

  // Turned left: (x, y) -> (-y, x).
  m_world->Update();
  Send(WM_KEYDOWN, VK_LEFT);
  Send(WM_LBUTTONUP);
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(100, 100));
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(180, 160));
  EXPECT_FLOAT_EQ(m_world->Camera().GetMouseYawStep(), -60.0f / 800.0f);
  EXPECT_FLOAT_EQ(m_world->Camera().GetMousePitchStep(), 80.0f / 600.0f);
}

TEST_F(WorldTest, ScreenSaverQuitsOnInput)
{
  ASSERT_EQ(LoadWorld(), ZP_OK);
  m_world->SetScreenSaver(true);
  EXPECT_LT(Send(WM_KEYDOWN, 'A'), 0);
  EXPECT_LT(Send(WM_KEYDOWN, VK_ADD), 0);
  EXPECT_LT(Send(WM_KEYDOWN, VK_UP), 0);
  EXPECT_LT(Send(WM_KEYDOWN, VK_ESCAPE), 0);
  EXPECT_LT(Send(WM_LBUTTONDOWN), 0);
  EXPECT_LT(Send(WM_RBUTTONDOWN), 0);
  EXPECT_LT(Send(WM_MBUTTONDOWN), 0);
  EXPECT_LT(Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120)), 0);
  EXPECT_EQ(Send(WM_LBUTTONUP), ZP_OK);
  EXPECT_EQ(Send(WM_RBUTTONUP), ZP_OK);
  EXPECT_EQ(Send(WM_TIMER), ZP_OK);
  EXPECT_FLOAT_EQ(m_world->Camera().GetSpeedFactor(), 0.0006f);

  // The first move records; moves along one axis only are jitter; a diagonal quits.
  EXPECT_EQ(Send(WM_MOUSEMOVE, 0, Pos(10, 10)), ZP_OK);
  EXPECT_EQ(Send(WM_MOUSEMOVE, 0, Pos(30, 10)), ZP_OK);
  EXPECT_EQ(Send(WM_MOUSEMOVE, 0, Pos(30, 40)), ZP_OK);
  EXPECT_EQ(Send(WM_MOUSEMOVE, 0, Pos(30, 40)), ZP_OK);
  EXPECT_LT(Send(WM_MOUSEMOVE, 0, Pos(31, 41)), 0);
  // A screen saver never drags the camera.
  EXPECT_EQ(m_world->Camera().GetMouseYawStep(), 0.0f);
}

// ---------------------------------------------------------------------------------
// Motion

TEST_F(WorldTest, UpdateMovesCameraEarthCloudsAndMoon)
{
  ASSERT_EQ(LoadWorld(), ZP_OK);
  C3DMath* m = Math();
  const float fYaw = m_world->Camera().GetYaw();
  const float fWobble = m_world->Camera().GetWobble();
  const float fOrbit = m_world->Bodies().GetMoonOrbitAngle();
  const float fTilt = m_world->Bodies().GetMoonTiltPhase();
  SMatrix earth = m_world->Bodies().GetEarthMatrix();
  SMatrix clouds = m_world->Bodies().GetCloudsMatrix();

  Settings()->dFrameStep = 10.0;
  EXPECT_EQ(m_world->Update(), ZP_OK);
  const float fStep = 10.0f * 0.0006f;
  EXPECT_NEAR(Settings()->dFrameStep, fStep, 1e-9);
  EXPECT_NEAR(m_world->Camera().GetYaw(), fYaw + fStep * 1.0f, 1e-6f);
  EXPECT_NEAR(m_world->Camera().GetWobble(), fWobble + fStep * 1.0f, 1e-6f);
  EXPECT_NEAR(m_world->Bodies().GetMoonOrbitAngle(), fOrbit + fStep * 1.2f, 1e-6f);
  EXPECT_NEAR(m_world->Bodies().GetMoonTiltPhase(), fTilt + fStep * 1.2f * 0.345f, 1e-6f);
  m->RotateY(&earth, fStep * -2.5f);
  m->RotateY(&clouds, fStep * -3.5f);
  EXPECT_TRUE(SameMatrix(m_world->Bodies().GetEarthMatrix(), earth));
  EXPECT_TRUE(SameMatrix(m_world->Bodies().GetCloudsMatrix(), clouds));

  // The camera stands 1000 units from the Earth; the view is its inverse.
  SVector3 c;
  m->GetTranslation(&c, &Settings()->matCamera);
  EXPECT_NEAR(Len(c), 1000.0f, 0.05f);
  SMatrix product;
  m->Multiply(&product, &Settings()->matCamera, &Settings()->matView);
  SMatrix identity;
  m->Identity(&identity);
  EXPECT_TRUE(SameMatrix(product, identity, 1e-3f));

  // The Moon is the orbit matrix's translation, also light 2; its orbit radius is
  // distance x sphere ratio, since the move happens along the scaled axes.
  SVector3 moon;
  m->GetTranslation(&moon, &m_world->Bodies().GetMoonMatrix());
  EXPECT_FLOAT_EQ(Settings()->light2.vPosition.x, moon.x);
  EXPECT_FLOAT_EQ(Settings()->light2.vPosition.z, moon.z);
  EXPECT_NEAR(Len(moon), 3000.0f * 0.2f, 0.05f);

  // Facing matrices sit on their planet and point at the camera (z axis, depth sign
  // applied by GetAxis).
  SVector3 z, pos;
  m->GetTranslation(&pos, &m_world->Bodies().GetMoonFacingMatrix());
  EXPECT_NEAR(Len(SVector3{ pos.x - moon.x, pos.y - moon.y, pos.z - moon.z }), 0.0f, 1e-3f);
  m->GetAxisZ(&z, &m_world->Bodies().GetEarthFacingMatrix());
  const float fLen = Len(z);
  EXPECT_NEAR(fLen, 1.0f, 1e-4f); // scaled by the Earth ratio 1.0
  EXPECT_NEAR(std::fabs(z.x * c.x + z.y * c.y + z.z * c.z), 1000.0f, 0.5f);
  m->GetAxisZ(&z, &m_world->Bodies().GetMoonSunSmallMatrix());
  EXPECT_NEAR(Len(z), 0.2f * 0.75f, 1e-5f);
  m->GetAxisZ(&z, &m_world->Bodies().GetEarthSunSmallMatrix());
  EXPECT_NEAR(Len(z), 0.5f, 1e-5f);

  // Sky box and sun travel with the camera.
  SVector3 sky, sun;
  m->GetTranslation(&sky, m_world->GetSkybox()->GetMatrix());
  EXPECT_NEAR(Len(SVector3{ sky.x - c.x, sky.y - c.y, sky.z - c.z }), 0.0f, 1e-3f);
  m->GetTranslation(&sun, m_world->GetSunSimple()->GetDiscObject()->GetMatrix());
  EXPECT_NEAR(sun.x, c.x + 5000.0f, 0.05f);
  EXPECT_NEAR(sun.y, c.y, 0.05f);
  EXPECT_NEAR(sun.z, c.z, 0.05f);
}

TEST_F(WorldTest, WheelAndDragStillWorkWhenTheSceneIsFrozen)
{
  ASSERT_EQ(LoadWorld(), ZP_OK);
  Send(WM_KEYDOWN, VK_DIVIDE);
  const SMatrix earth = m_world->Bodies().GetEarthMatrix();
  const SMatrix clouds = m_world->Bodies().GetCloudsMatrix();
  const float fOrbit = m_world->Bodies().GetMoonOrbitAngle();
  const float fTilt = m_world->Bodies().GetMoonTiltPhase();
  const float fYaw = m_world->Camera().GetYaw();
  const float fWobble = m_world->Camera().GetWobble();
  CSunSimple* sun = m_world->GetSunSimple();
  sun->SetAngles(3.0f, 2.0f);
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120));
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120));
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(100, 100));
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(100, 160));
  Send(WM_KEYDOWN, VK_RIGHT); // a roll target that a frozen scene never turns to
  Settings()->dFrameStep = 5.0;
  m_world->Update();
  EXPECT_EQ(Settings()->dFrameStep, 0.0);
  EXPECT_TRUE(SameMatrix(m_world->Bodies().GetEarthMatrix(), earth, 0.0f));
  EXPECT_EQ(m_world->Bodies().GetMoonOrbitAngle(), fOrbit);
  EXPECT_EQ(m_world->Camera().GetYaw(), fYaw);
  EXPECT_TRUE(SameMatrix(m_world->Bodies().GetCloudsMatrix(), clouds, 0.0f));
  EXPECT_EQ(m_world->Bodies().GetMoonTiltPhase(), fTilt);
  EXPECT_EQ(m_world->Camera().GetWobble(), fWobble);
  EXPECT_EQ(m_world->Camera().GetRollCurrent(), 0.0f);
  m_world->Draw();
  EXPECT_EQ(sun->GetDiscAngle(), 3.0f);
  EXPECT_EQ(sun->GetRayAngle(), 2.0f);
  EXPECT_FLOAT_EQ(m_world->Camera().GetDistance(), -900.0f);
  EXPECT_FLOAT_EQ(m_world->Camera().GetMousePitch(), 0.1f);
  EXPECT_EQ(m_world->Camera().GetWheelSteps(), 0);
  EXPECT_EQ(m_world->Camera().GetMousePitchStep(), 0.0f);
  SVector3 c;
  Math()->GetTranslation(&c, &Settings()->matCamera);
  EXPECT_NEAR(Len(c), 900.0f, 0.05f);

  // A sideways drag still turns the camera round the Earth, frozen or not.
  Send(WM_KEYDOWN, VK_UP);
  Send(WM_LBUTTONUP);
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(100, 160));
  Send(WM_MOUSEMOVE, MK_LBUTTON, Pos(300, 160));
  Settings()->dFrameStep = 5.0;
  m_world->Update();
  EXPECT_FLOAT_EQ(m_world->Camera().GetMouseYaw(), 0.25f);
  SVector3 c2;
  Math()->GetTranslation(&c2, &Settings()->matCamera);
  EXPECT_NEAR(Len(c2), 900.0f, 0.05f);
  EXPECT_GT(Len(SVector3{ c2.x - c.x, c2.y - c.y, c2.z - c.z }), 100.0f);
  EXPECT_TRUE(SameMatrix(m_world->Bodies().GetEarthMatrix(), earth, 0.0f));
}

// ---------------------------------------------------------------------------------
// Sun test

TEST(Difraction, IntensityFollowsTheCovering)
{
  const SVector3 e = { 400, 300, 0.5f }, p = { 400, 200, 0.5f }; // Earth radius 100
  auto at = [](float x) { return SVector3{ x, 300, 0.5f }; };
  auto rim = [](float x) { return SVector3{ x, 290, 0.5f }; }; // sun radius 10

  SDifraction far = ComputeDifraction(at(700), rim(700), e, p);
  EXPECT_EQ(far.fIntensity, 0.0f);
  EXPECT_EQ(far.fSunLeft, 1.0f);
  EXPECT_NEAR(far.fAngle, 0.0f, 1e-6f);

  SDifraction touching = ComputeDifraction(at(510), rim(510), e, p); // gap 0
  EXPECT_EQ(touching.fIntensity, 0.0f);
  EXPECT_EQ(touching.fSunLeft, 1.0f);

  SDifraction half = ComputeDifraction(at(505), rim(505), e, p); // gap -5
  EXPECT_NEAR(half.fIntensity, 0.5f, 1e-5f);
  EXPECT_NEAR(half.fSunLeft, 0.75f, 1e-5f);

  SDifraction onRim = ComputeDifraction(at(500), rim(500), e, p); // centre on the rim
  EXPECT_NEAR(onRim.fIntensity, 1.0f, 1e-5f);
  EXPECT_NEAR(onRim.fSunLeft, 0.5f, 1e-5f);

  SDifraction deeper = ComputeDifraction(at(495), rim(495), e, p); // gap -15
  EXPECT_NEAR(deeper.fIntensity, 0.5f, 1e-5f);
  EXPECT_NEAR(deeper.fSunLeft, 0.25f, 1e-5f);

  SDifraction hidden = ComputeDifraction(at(490), rim(490), e, p); // gap -20: just hidden
  EXPECT_EQ(hidden.fIntensity, 0.0f);
  EXPECT_NEAR(hidden.fSunLeft, 0.0f, 1e-6f);

  SDifraction covered = ComputeDifraction(at(480), rim(480), e, p); // gap -30
  EXPECT_EQ(covered.fIntensity, 0.0f);
  EXPECT_LE(covered.fSunLeft, 0.0f);

  // The angle points from the planet to the sun, whatever the quadrant.
  EXPECT_NEAR(ComputeDifraction(at(100), rim(100), e, p).fAngle, kPi, 1e-5f);
  EXPECT_NEAR(ComputeDifraction(SVector3{ 400, 600, 0.5f }, SVector3{ 400, 590, 0.5f }, e, p).fAngle,
              1.5707964f, 1e-5f);
  // A degenerate sun of no size never divides by zero.
  SDifraction dot = ComputeDifraction(at(450), at(450), e, p);
  EXPECT_EQ(dot.fIntensity, 0.0f);
  EXPECT_EQ(dot.fSunLeft, 0.0f);
}

namespace
{

// Exposes the sun test with a camera placed by hand.
class CTestWorld : public CPlanetoWorld
{
public:
  using CPlanetoWorld::RunSunTest;
};

} // namespace

class SunTestWorld : public WorldTest
{
protected:
  // Camera at (0, 0, -1000) looking along +z; the sun far ahead behind the Earth.
  void Place(const SVector3& vOffset)
  {
    SEngineSettings* s = Settings();
    C3DMath* m = Math();
    s->light1.vPosition = vOffset;
    m->Identity(&s->matCamera);
    const SVector3 c = { 0.0f, 0.0f, -1000.0f };
    m->SetTranslation(&s->matCamera, &c);
    m_world->GetDevice()->GetCamera()->UpdateView();
    m_world->GetSunSimple()->Update();
  }
  SVector3 Sun() const
  {
    const SVector3& o = Settings()->light1.vPosition;
    return SVector3{ o.x, o.y, o.z - 1000.0f };
  }
  CTestWorld* World() { return static_cast<CTestWorld*>(m_world.get()); }
};

TEST_F(SunTestWorld, EarthCoversTheSunAndLetsItGo)
{
  m_world = std::make_unique<CTestWorld>();
  m_world->BindSettings(m_engine.get(), m_appli.get(), m_sLog.c_str());
  m_world->RegisterPlatform(2, FakeDescribe, CountingCreate, FakeDestroy);
  m_bLoaded = true;
  ASSERT_EQ(m_world->Load(nullptr, 800, 600, 32, false, false, PLATFORM_OPENGL12, ""), ZP_OK);

  Place(SVector3{ 0.0f, 0.0f, 5000.0f });
  const SVector3 farMoon = { 0.0f, 5000.0f, 0.0f };
  World()->RunSunTest(Sun(), farMoon);
  ASSERT_TRUE(m_world->SunTest().IsSunVisible());
  // Straight behind the Earth: projected on the screen centre, fully covered.
  EXPECT_NEAR(m_world->SunTest().GetScreenPoint(CSunTest::SP_SUN).x, 400.0f, 0.5f);
  EXPECT_NEAR(m_world->SunTest().GetScreenPoint(CSunTest::SP_SUN).y, 300.0f, 0.5f);
  EXPECT_NEAR(m_world->SunTest().GetScreenPoint(CSunTest::SP_EARTH).x, 400.0f, 0.5f);
  EXPECT_EQ(m_world->SunTest().GetEarthDifractionIntensity(), 0.0f);
  EXPECT_LE(m_world->SunTest().GetSunIntensity(), 0.0f);

  // Far to the side: free again.
  Place(SVector3{ 2000.0f, 0.0f, 5000.0f });
  World()->RunSunTest(Sun(), farMoon);
  ASSERT_TRUE(m_world->SunTest().IsSunVisible());
  EXPECT_EQ(m_world->SunTest().GetEarthDifractionIntensity(), 0.0f);
  EXPECT_EQ(m_world->SunTest().GetSunIntensity(), 1.0f);

  // Behind the camera: not visible, the intensity keeps its value.
  Place(SVector3{ 0.0f, 0.0f, -5000.0f });
  World()->RunSunTest(Sun(), farMoon);
  EXPECT_FALSE(m_world->SunTest().IsSunVisible());
  EXPECT_EQ(m_world->SunTest().GetSunIntensity(), 1.0f);
}

TEST_F(SunTestWorld, WithoutEarthDifractionTheSunRecoversAfterTheMoon)
{
  m_appli->Set("EARTH_DIFRACTION", "EARTH_DIFRACTION_ENABLE", "0");
  m_appli->Set("MOON_DIFRACTION", "MOON_DIFRACTION_ENABLE", "1");
  m_world = std::make_unique<CTestWorld>();
  m_world->BindSettings(m_engine.get(), m_appli.get(), m_sLog.c_str());
  m_world->RegisterPlatform(2, FakeDescribe, CountingCreate, FakeDestroy);
  m_bLoaded = true;
  ASSERT_EQ(m_world->Load(nullptr, 800, 600, 32, false, false, PLATFORM_OPENGL12, ""), ZP_OK);

  // The sun off to the side of the Earth, the Moon right in front of it.
  Place(SVector3{ 2000.0f, 0.0f, 5000.0f });
  const SVector3 sun = Sun();
  const SVector3 moonInFront = { sun.x * 0.1f, sun.y * 0.1f, -1000.0f + (sun.z + 1000.0f) * 0.1f };
  World()->RunSunTest(sun, moonInFront);
  ASSERT_TRUE(m_world->SunTest().IsSunVisible());
  EXPECT_LE(m_world->SunTest().GetSunIntensity(), 0.0f);
  EXPECT_EQ(m_world->SunTest().GetEarthDifractionIntensity(), 0.0f);
  EXPECT_EQ(m_world->SunTest().GetMoonDifractionIntensity(), 0.0f);

  World()->RunSunTest(sun, SVector3{ 0.0f, 5000.0f, 0.0f });
  EXPECT_EQ(m_world->SunTest().GetSunIntensity(), 1.0f);
}

TEST_F(SunTestWorld, MoonGlowNeverOutshinesTheSun)
{
  m_appli->Set("MOON_DIFRACTION", "MOON_DIFRACTION_ENABLE", "1");
  m_world = std::make_unique<CTestWorld>();
  m_world->BindSettings(m_engine.get(), m_appli.get(), m_sLog.c_str());
  m_world->RegisterPlatform(2, FakeDescribe, CountingCreate, FakeDestroy);
  m_bLoaded = true;
  ASSERT_EQ(m_world->Load(nullptr, 800, 600, 32, false, false, PLATFORM_OPENGL12, ""), ZP_OK);

  // The sun's centre on the Earth's rim (half of it left), then the Moon swept across
  // it: the Moon's own formula reaches 1, its glow stays at or below the sun that the
  // Earth leaves, which the Moon's covering may then lower further.
  Place(SVector3{ 1015.0f, 0.0f, 5000.0f });
  World()->RunSunTest(Sun(), SVector3{ 0.0f, 5000.0f, 0.0f });
  ASSERT_TRUE(m_world->SunTest().IsSunVisible());
  const float fHalf = m_world->SunTest().GetSunIntensity();
  ASSERT_GT(fHalf, 0.2f);
  ASSERT_LT(fHalf, 0.8f);

  const SVector3 sun = Sun();
  float fHighestFormula = 0.0f;
  for (int i = -60; i <= 60; i += 2)
  {
    // 500 units in front of the camera on the line to the sun, shifted sideways.
    const float t = 0.1f;
    const SVector3 moon = { sun.x * t + static_cast<float>(i), sun.y * t, -1000.0f + (sun.z + 1000.0f) * t };
    World()->RunSunTest(sun, moon);
    const SDifraction raw = ComputeDifraction(
        m_world->SunTest().GetScreenPoint(CSunTest::SP_SUN), m_world->SunTest().GetScreenPoint(CSunTest::SP_SUN_RIM),
        m_world->SunTest().GetScreenPoint(CSunTest::SP_MOON), m_world->SunTest().GetScreenPoint(CSunTest::SP_MOON_RIM));
    fHighestFormula = std::max(fHighestFormula, raw.fIntensity);
    const float fGlow = m_world->SunTest().GetMoonDifractionIntensity();
    EXPECT_LE(fGlow, fHalf + 1e-6f) << i;
    EXPECT_GE(fGlow, 0.0f) << i;
    EXPECT_NEAR(fGlow, std::max(0.0f, std::min(raw.fIntensity, fHalf)), 1e-5f) << i;
    if (raw.fGap >= 0.0f)
    {
      EXPECT_LE(fGlow, m_world->SunTest().GetSunIntensity()) << i;
    }
    EXPECT_NEAR(m_world->SunTest().GetSunIntensity(), std::min(fHalf, raw.fSunLeft), 1e-5f) << i;
  }
  EXPECT_GT(fHighestFormula, fHalf + 0.1f) << "the sweep never tested the cap";
}

// ---------------------------------------------------------------------------------
// Drawing

TEST_F(WorldTest, DrawOrderAndSwitches)
{
  m_appli->Set("LENS_FLARE", "LENS_FLARE_ENABLE", "1");
  m_appli->Set("MOON_DIFRACTION", "MOON_DIFRACTION_ENABLE", "1");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  Settings()->dFrameStep = 1.0;
  m_world->Update();
  Journal().draws.clear();
  Settings()->swFog.Set(true);
  ASSERT_EQ(m_world->Draw(), ZP_OK);

  const C3DObject* sky = m_world->GetSkybox();
  const C3DObject* sphere = m_world->GetSphere();
  const C3DObject* atmo = m_world->GetAtmosphere();
  const C3DObject* quad = m_world->GetDifractionQuad();
  CSunSimple* sun = m_world->GetSunSimple();
  const bool bVisible = m_world->SunTest().IsSunVisible();

  std::vector<const C3DObject*> expected = { sky,
                                             sun->GetHaloObject(),
                                             sun->GetRayObject(),
                                             sun->GetRayObject(),
                                             sun->GetDiscObject(),
                                             sun->GetDiscObject(),
                                             sphere,
                                             sphere,
                                             sphere,
                                             atmo };
  if (bVisible)
    expected.push_back(quad);
  expected.push_back(sphere);
  if (bVisible)
    expected.push_back(quad);
  // A lens flares only from a sun ahead of it (the clock's seed places the sun).
  if (IsSunAhead(m_world->GetMath(), Settings()))
    for (int i = 0; i < LENS_FLARE_COUNT; ++i)
      expected.push_back(m_world->GetLensFlare()->GetFlare(i).pObject);

  const auto& d = Journal().draws;
  ASSERT_EQ(d.size(), expected.size());
  for (size_t i = 0; i < d.size(); ++i)
  {
    EXPECT_EQ(d[i].pObject, expected[i]) << i;
    EXPECT_EQ(d[i].bFog, 0) << i;
  }

  // The sun's two discs carry the two disc textures.
  EXPECT_EQ(d[4].apTextures[0], sun->GetDiscTexture1());
  EXPECT_EQ(d[5].apTextures[0], sun->GetDiscTexture2());
  // Earth: day and night without specular and blending, then day alone; clouds.
  EXPECT_EQ(d[6].apTextures[0], m_world->Textures().GetEarthDayTexture());
  EXPECT_EQ(d[6].apTextures[1], m_world->Textures().GetEarthNightTexture());
  EXPECT_EQ(d[6].bSpecular, 0);
  EXPECT_EQ(d[6].bAlpha, 0);
  EXPECT_TRUE(SameMatrix(d[6].matrix, m_world->Bodies().GetEarthMatrix(), 0.0f));
  EXPECT_EQ(d[7].apTextures[1], nullptr);
  EXPECT_EQ(d[7].bSpecular, Settings()->swSpecular.bConfigured);
  EXPECT_EQ(d[7].bAlpha, Settings()->swAlpha.bConfigured);
  EXPECT_EQ(d[8].apTextures[0], m_world->Textures().GetCloudsTexture());
  EXPECT_TRUE(SameMatrix(d[8].matrix, m_world->Bodies().GetCloudsMatrix(), 0.0f));
  EXPECT_EQ(d[9].apTextures[0], m_world->Textures().GetAtmosphereTexture());
  EXPECT_EQ(d[9].bSpecular, 0);
  const size_t iMoon = bVisible ? 11 : 10;
  EXPECT_EQ(d[iMoon].apTextures[0], m_world->Textures().GetMoonTexture());
  EXPECT_EQ(d[iMoon].apTextures[1], nullptr);
  EXPECT_EQ(d[iMoon].bSpecular, 0);
  EXPECT_TRUE(SameMatrix(d[iMoon].matrix, m_world->Bodies().GetMoonMatrix(), 0.0f));
  if (bVisible)
  {
    EXPECT_EQ(d[10].apTextures[0], m_world->Textures().GetEarthDifractionTexture());
    EXPECT_EQ(d[12].apTextures[0], m_world->Textures().GetMoonDifractionTexture());
  }
  // Switches are back to their configured values after the frame; fog stays off.
  EXPECT_EQ(Settings()->swSpecular.bCurrent, Settings()->swSpecular.bConfigured);
  EXPECT_EQ(Settings()->swAlpha.bCurrent, Settings()->swAlpha.bConfigured);
  EXPECT_EQ(Settings()->swFog.bCurrent, 0);

  // Halo, rays and flares carry the sun intensity as colour factor.
  float f = m_world->SunTest().GetSunIntensity();
  f = f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
  const uint32_t level = static_cast<uint32_t>(f * 255.0f);
  EXPECT_EQ(d[1].dwColorFactor, level * 0x01010101u);
  EXPECT_EQ(d.back().dwColorFactor, level * 0x01010101u);
  EXPECT_EQ(d[4].dwColorFactor, 0xFFFFFFFFu);
}

TEST_F(SunTestWorld, DifractionQuadTurnsItsLowUEdgeToTheSun)
{
  // Both depth signs: mirrored z (OpenGL) and native z (software).
  for (uint32_t dwFlags : { PLATFORM_OPENGL12, PLATFORM_SOFTWARE })
  {
    SCOPED_TRACE(dwFlags);
    FakePlatformFlags() = dwFlags;
    if (m_world)
      m_world->Unload();
    m_world = std::make_unique<CTestWorld>();
    m_world->BindSettings(m_engine.get(), m_appli.get(), m_sLog.c_str());
    m_world->RegisterPlatform(static_cast<uint32_t>(CWorldBase::ChoosePlatformIndex(dwFlags)), FakeDescribe,
                              CountingCreate, FakeDestroy);
    m_bLoaded = true;
    ASSERT_EQ(m_world->Load(nullptr, 800, 600, 32, false, false, dwFlags, ""), ZP_OK);

    // The sun up and to the right of the Earth on the screen.
    Place(SVector3{ 700.0f, 500.0f, 5000.0f });
    World()->RunSunTest(Sun(), SVector3{ 0.0f, 5000.0f, 0.0f });
    ASSERT_TRUE(m_world->SunTest().IsSunVisible());
    const SVector3 s = m_world->SunTest().GetScreenPoint(CSunTest::SP_SUN);
    ASSERT_GT(s.x, 400.0f);
    ASSERT_LT(s.y, 300.0f);

    Journal().draws.clear();
    m_world->Draw();
    const SDrawRecord* quad = nullptr;
    for (const SDrawRecord& d : Journal().draws)
      if (d.pObject == m_world->GetDifractionQuad())
        quad = &d;
    ASSERT_NE(quad, nullptr);

    // Where the quad's u = 1 edge (+x) and u = 0 edge (-x) land on the screen.
    SEngineSettings* set = Settings();
    auto screen = [&](float x)
    {
      SVector3 out, p = { x, 0.0f, 0.0f };
      Math()->Project(&out, set->wWidth, set->wHeight, &quad->matrix, &set->matView, &set->matProjection, &p);
      return out;
    };
    auto dist = [&](const SVector3& a) { return std::hypot(a.x - s.x, a.y - s.y); };
    // The facing quad's +x runs to the viewer's left, so its u = 0 side meets the sun:
    // the difraction image must carry its glow on that side.
    EXPECT_LT(dist(screen(-200.0f)), dist(screen(200.0f)));
  }
}

TEST_F(WorldTest, MaskingSunAndShadowsDrawThroughTheServicesInTheirPlaces)
{
  Journal().bServices = true;
  for (const char* key : { "EARTH/EARTH_SHADOW_ENABLE", "MOON/MOON_SHADOW_ENABLE", "SUN/SUN_MASKING_ENABLE",
                           "LENS_FLARE/LENS_FLARE_ENABLE", "LENS_FLARE/LENS_FLARE_MASKING_ENABLE" })
  {
    const std::string k = key;
    m_appli->Set(k.substr(0, k.find('/')), k.substr(k.find('/') + 1), "1");
  }
  ASSERT_EQ(LoadWorld(), ZP_OK);
  Settings()->dFrameStep = 1.0;
  m_world->Update();
  // Every caster's disc gives a silhouette, so every caster has a volume.
  for (int i = 0; i < CStencilShadow::CASTER_COUNT; ++i)
    EXPECT_GT(m_world->GetStencilShadow()->GetCaster(i).dwSideCount, 0u) << i;

  // The sun straight ahead of a camera at the origin looking along +z.
  Math()->Identity(&Settings()->matCamera);
  Settings()->light1.vPosition = SVector3{ 0.0f, 0.0f, 5000.0f };
  const C3DObject* sphere = m_world->GetSphere();
  CSunMasking* sun = m_world->GetSunMasking();
  auto calls = [&]()
  {
    std::string s;
    for (const SDrawRecord& r : Journal().draws)
    {
      if (r.sCall != "Draw")
        s += r.sCall + (r.sCall == "DrawAdditive" ? std::to_string(r.dwFirst) : "") + " ";
      else if (r.pObject == sphere)
        s += "Sphere ";
      else if (r.pObject == m_world->GetAtmosphere())
        s += "Atmosphere ";
    }
    return s;
  };
  Journal().draws.clear();
  ASSERT_EQ(m_world->Draw(), ZP_OK);
  // Rays and halo fade, the disc does not; the Moon's volumes after the atmosphere, the
  // Earth's after the Moon, each darkened at once; the flares fade, after the planets.
  const std::string volume = "MarkVolume DarkenMarked ";
  EXPECT_EQ(calls(),
            "Measure DrawAdditive1 DrawAdditive1 DrawAdditive1 DrawAdditive0 DrawAdditive0 "
            "Sphere Sphere Sphere Atmosphere " +
                volume + volume + "Sphere " + volume + volume +
                "DrawAdditive1 DrawAdditive1 DrawAdditive1 DrawAdditive1 DrawAdditive1 DrawAdditive1 ");
  EXPECT_TRUE(sun->IsVisible());
  for (const SDrawRecord& r : Journal().draws)
    if (r.sCall == "DarkenMarked")
    {
      EXPECT_EQ(r.dwColorFactor, 30u * 0x01010101u);
    }

  // A failed measurement draws no sun and no flares; so does a sun behind the viewer,
  // which is not even measured.
  Journal().draws.clear();
  Journal().bMeasureFails = true;
  m_world->Draw();
  EXPECT_EQ(calls().find("DrawAdditive"), std::string::npos) << calls();
  EXPECT_FALSE(sun->IsVisible());
  Journal().draws.clear();
  Journal().bMeasureFails = false;
  Settings()->light1.vPosition = SVector3{ 0.0f, 0.0f, -5000.0f };
  m_world->Draw();
  EXPECT_EQ(calls().find("Measure"), std::string::npos) << calls();
  EXPECT_EQ(calls().find("DrawAdditive"), std::string::npos) << calls();
}
