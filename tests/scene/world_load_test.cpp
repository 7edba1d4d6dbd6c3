// Loading, settings, element choice, unloading and failures of the world.

#include "scene_fixture.h"

#include "app/scene/constellations.h"
#include "app/scene/lens_flare_simple.h"
#include "sdk/core/font.h"
#include "app/scene/stencil_shadow.h"
#include "app/scene/sun_masking.h"
#include "app/scene/sun_simple.h"
#include "sdk/core/tracked_memory.h"

#include <algorithm>

using namespace scenetest;

namespace
{

using Pair = std::pair<uint32_t, uint32_t>;

} // namespace

TEST_F(WorldTest, BuiltInTextsBuildTheSceneInOrder)
{
  ASSERT_EQ(LoadWorld(), ZP_OK);
  const SJournal& j = Journal();

  // Font object, the five world objects, then the three sun quads; no stars, no flares.
  const std::vector<Pair> expected = {
    { 0x810, 0xC29 }, { 0xC03, 0x19C3F }, { 0xC03, 0x18C2B }, { 0xC03, 0x20C29 }, { 0xC03, 0x18C3F },
    { 0xC03, 0xC21 }, { 0xC03, 0x8C29 },  { 0xC03, 0x28C29 }, { 0xC03, 0x28C29 },
  };
  EXPECT_EQ(j.objects, expected);

  // Seven world textures with their flags, one shared sky-box texture, two sun discs,
  // then halo and rays through the shared loader.
  const std::vector<uint32_t> flags = { 11, 19, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3 };
  EXPECT_EQ(j.textures, flags);
  const std::vector<std::string> loads = {
    "EarthDay.png",   "EarthNight.png", "EarthClouds.png", "Moon.png", "Atmosphere.png", "Difraction.png",
    "Difraction.png", "Univer.png",     "Sun6.png",        "Sun7.png", "Flare0.png",     "Sun5.png",
  };
  EXPECT_EQ(j.loads, loads);

  EXPECT_NE(m_world->GetSkybox(), nullptr);
  EXPECT_EQ(m_world->GetConstellations(), nullptr);
  EXPECT_NE(m_world->GetSunSimple(), nullptr);
  EXPECT_EQ(m_world->GetSunMasking(), nullptr);
  EXPECT_EQ(m_world->GetLensFlare(), nullptr);
  EXPECT_EQ(m_world->GetStencilShadow(), nullptr);
  ASSERT_NE(m_world->GetFont(), nullptr);
  // "Font.tga" names no built-in image: the font stays without texture and glyphs.
  EXPECT_EQ(m_world->GetFont()->GetGlyph('A'), 0u);
  EXPECT_STREQ(Settings()->szDataPath, "Data");

  // Every face of the sky box carries the star image.
  C3DObject* pSky = m_world->GetSkybox();
  for (uint32_t face = 0; face < 6; ++face)
  {
    ASSERT_NE(pSky->GetTexture(face, 0), nullptr) << face;
    EXPECT_STREQ(pSky->GetTexture(face, 0)->GetName(), "Univer.png");
  }
}

TEST_F(WorldTest, BuiltInTextValuesWin)
{
  ASSERT_EQ(LoadWorld(), ZP_OK);
  EXPECT_FLOAT_EQ(m_world->Camera().GetSpeedFactor(), 0.0006f);
  EXPECT_FLOAT_EQ(m_world->Camera().GetSpeed(), 1.0f);
  EXPECT_FLOAT_EQ(m_world->Bodies().GetEarthSpeed(), -2.5f);
  EXPECT_FLOAT_EQ(m_world->Bodies().GetCloudsSpeed(), -3.5f);
  EXPECT_FLOAT_EQ(m_world->Bodies().GetMoonSpeed(), 1.2f);
  EXPECT_FLOAT_EQ(m_world->Bodies().GetMoonRatio(), 0.2f);
  EXPECT_FLOAT_EQ(m_world->Bodies().GetMoonDistance(), 3000.0f);
  EXPECT_FLOAT_EQ(m_world->Bodies().GetCloudsRatio(), 1.008f);
  EXPECT_FLOAT_EQ(m_world->GetSceneSettings().fAtmosphereRatio, 1.015f);
  EXPECT_FLOAT_EQ(m_world->GetSceneSettings().fEarthDifRatio, 1.7f);
  EXPECT_FLOAT_EQ(m_world->GetSceneSettings().fMoonDifRatio, 0.33f);
  EXPECT_TRUE(m_world->GetSceneSettings().bAtmosphere);
  EXPECT_TRUE(m_world->GetSceneSettings().bEarthDifraction);
  EXPECT_FALSE(m_world->GetSceneSettings().bMoonDifraction);
  EXPECT_FLOAT_EQ(m_world->Camera().GetDistance(), -1000.0f);
  EXPECT_TRUE(m_world->Camera().IsAutoRotation());

  // Random start angles in [0, pi).
  for (float f : { m_world->Bodies().GetMoonTiltPhase(), m_world->Bodies().GetMoonOrbitAngle(), m_world->Camera().GetYaw(),
                   m_world->Camera().GetWobble() })
  {
    EXPECT_GE(f, 0.0f);
    EXPECT_LT(f, 3.1416f);
  }

  // The Earth is tilted by 23.45 degrees: its y axis leans by that angle.
  const SMatrix& e = m_world->Bodies().GetEarthMatrix();
  const float fUp = std::sqrt(e.m[1][0] * e.m[1][0] + e.m[1][1] * e.m[1][1] + e.m[1][2] * e.m[1][2]);
  EXPECT_NEAR(std::acos(e.m[1][1] / fUp), 23.45f * 0.017453292f, 1e-4f);
  EXPECT_NEAR(fUp, 1.0f, 1e-5f);
  const SMatrix& c = m_world->Bodies().GetCloudsMatrix();
  EXPECT_NEAR(std::sqrt(c.m[1][0] * c.m[1][0] + c.m[1][1] * c.m[1][1] + c.m[1][2] * c.m[1][2]), 1.008f,
              1e-5f);

  // Sphere of 30 segments: (n + 1)(n - 1) + 2n vertices; the difraction quad in its colour.
  EXPECT_EQ(m_world->GetSphere()->GetVertexCount(), 31u * 29u + 60u);
  auto* pQuad = static_cast<CFakeObject*>(m_world->GetDifractionQuad());
  ASSERT_EQ(pQuad->v.size(), 4u);
  EXPECT_EQ(pQuad->v[0].diffuse, 0xFFDC9605u);
  EXPECT_FLOAT_EQ(pQuad->v[0].p.x, 200.0f);
  EXPECT_FLOAT_EQ(pQuad->v[0].p.y, -200.0f);
  EXPECT_FLOAT_EQ(pQuad->v[3].p.x, -200.0f);
  EXPECT_FLOAT_EQ(pQuad->v[3].p.y, 200.0f);
}

TEST_F(WorldTest, CodeDefaultsWithoutAnyApplicationText)
{
  m_appli = std::make_unique<COverrideStore>(nullptr);
  ASSERT_EQ(LoadWorld(), ZP_OK);
  EXPECT_FLOAT_EQ(m_world->Camera().GetSpeedFactor(), 1.0f);
  EXPECT_FLOAT_EQ(m_world->Camera().GetSpeed(), 0.005f);
  EXPECT_FLOAT_EQ(m_world->Bodies().GetEarthSpeed(), -0.0025f);
  EXPECT_FLOAT_EQ(m_world->Bodies().GetCloudsSpeed(), -0.0035f);
  EXPECT_FLOAT_EQ(m_world->Bodies().GetMoonSpeed(), 0.005f);
  EXPECT_FLOAT_EQ(m_world->Bodies().GetMoonRatio(), 0.15f);
  EXPECT_FLOAT_EQ(m_world->Bodies().GetMoonDistance(), 4000.0f);
  EXPECT_FLOAT_EQ(m_world->Bodies().GetCloudsRatio(), 1.0025f);
  EXPECT_FLOAT_EQ(m_world->GetSceneSettings().fEarthDifRatio, 1.02f);
  EXPECT_FLOAT_EQ(m_world->GetSceneSettings().fMoonDifRatio, 0.202f);
  EXPECT_TRUE(m_world->GetSceneSettings().bMoonDifraction);
  EXPECT_STREQ(Settings()->szDataPath, "");

  // ".tga" and ".dds" names resolve to nothing: no image is decoded, nothing fails.
  EXPECT_TRUE(Journal().loads.empty());
  EXPECT_EQ(m_world->GetSphere()->GetVertexCount(), 51u * 49u + 100u);
  // Both lens-flare switches default to on, which leaves the flares to the masking sun.
  EXPECT_EQ(m_world->GetLensFlare(), nullptr);
  EXPECT_NE(m_world->GetSkybox(), nullptr);
  auto* pQuad = static_cast<CFakeObject*>(m_world->GetDifractionQuad());
  EXPECT_EQ(pQuad->v[0].diffuse, 0xFF0A0AFFu);
}

TEST_F(WorldTest, DefaultStarsReadTheBuiltInCatalogueAndAMissingOneFailsTheLoad)
{
  m_appli->Set("CONTELLATIONS", "CONTELLATIONS_ENABLE", "1");
  m_appli->Remove("CONTELLATIONS", "READ_FROM_CATALOG");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  EXPECT_EQ(m_world->GetConstellations()->GetCount(), 9096u); // the Bright Star Catalogue
  m_world->Unload();

  m_appli->Set("CONTELLATIONS", "CONTELLATIONS_CATALOG", "Missing.catalog.txt");
  EXPECT_EQ(LoadWorld(), ZP_FAIL);
  EXPECT_NE(LogText().find("# CConstellations::LoadFromCatalog failed! (\"Missing.catalog.txt\")\n"),
            std::string::npos);
}

TEST_F(WorldTest, ElementChoice)
{
  m_appli->Set("LENS_FLARE", "LENS_FLARE_ENABLE", "1");
  m_appli->Set("CONTELLATIONS", "CONTELLATIONS_ENABLE", "1");
  m_appli->Set("SKYBOX", "SKYBOX_ENABLE", "0");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  EXPECT_EQ(m_world->GetSkybox(), nullptr);
  ASSERT_NE(m_world->GetConstellations(), nullptr);
  EXPECT_EQ(m_world->GetConstellations()->GetCount(), 3000u);
  ASSERT_NE(m_world->GetLensFlare(), nullptr);
  size_t n = 0;
  for (const Pair& p : Journal().objects)
    n += p == Pair{ 0xC03, 0x38C3F };
  EXPECT_EQ(n, 6u);
}

TEST_F(WorldTest, MaskedFlaresWithoutMaskingSunLeaveNoFlares)
{
  m_appli->Set("LENS_FLARE", "LENS_FLARE_ENABLE", "1");
  m_appli->Set("LENS_FLARE", "LENS_FLARE_MASKING_ENABLE", "1");
  m_appli->Set("SUN", "SUN_MASKING_ENABLE", "0");
  // Whatever the platform: the simple sun, and no flares of either kind.
  for (uint32_t dwFlags : { PLATFORM_OPENGL12, PLATFORM_SOFTWARE, PLATFORM_DIRECTX81 })
  {
    SCOPED_TRACE(dwFlags);
    Journal().Clear();
    FakePlatformFlags() = dwFlags;
    ASSERT_EQ(LoadWorld(), ZP_OK);
    EXPECT_EQ(m_world->GetLensFlare(), nullptr);
    EXPECT_NE(m_world->GetSunSimple(), nullptr);
    EXPECT_EQ(m_world->GetSunMasking(), nullptr);
    for (const Pair& p : Journal().objects)
      EXPECT_NE(p.second, LENS_FLARE_RENDER_FLAGS);
    EXPECT_EQ(LogText().find("CSunMasking"), std::string::npos);
    EXPECT_EQ(m_world->Unload(), ZP_OK);
    m_bLoaded = false;
  }
}

TEST(SceneChoice, SunAndShadowRules)
{
  // The device's services decide, whatever the platform is called.
  EXPECT_EQ(ChooseSunElement(true, true), SUN_CHOICE_MASKING);
  EXPECT_EQ(ChooseSunElement(true, false), SUN_CHOICE_SIMPLE);
  EXPECT_EQ(ChooseSunElement(false, true), SUN_CHOICE_SIMPLE);

  EXPECT_TRUE(WantsStencilShadow(true, true, true));
  EXPECT_FALSE(WantsStencilShadow(false, true, true));
  EXPECT_FALSE(WantsStencilShadow(true, true, false));
  EXPECT_FALSE(WantsStencilShadow(true, false, true));
}

TEST_F(WorldTest, ShadowsWantedWithoutTheServiceMakeNothingAndSaySo)
{
  FakePlatformFlags() = PLATFORM_SOFTWARE;
  m_appli->Set("EARTH", "EARTH_SHADOW_ENABLE", "1");
  m_appli->Set("MOON", "MOON_SHADOW_ENABLE", "1");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  EXPECT_EQ(m_world->GetStencilShadow(), nullptr);
  EXPECT_NE(LogText().find("# CStencilShadow::Load failed! (\"Fake\")\n"), std::string::npos);
}

TEST_F(WorldTest, MaskingAndShadowsFollowTheDeviceServices)
{
  m_appli->Set("EARTH", "EARTH_SHADOW_ENABLE", "1");
  m_appli->Set("MOON", "MOON_SHADOW_ENABLE", "1");
  m_appli->Set("SUN", "SUN_MASKING_ENABLE", "1");
  m_appli->Set("LENS_FLARE", "LENS_FLARE_ENABLE", "1");
  m_appli->Set("LENS_FLARE", "LENS_FLARE_MASKING_ENABLE", "1");

  // OpenGL's flags without the services: the simple sun, no shadows, and the log says so.
  ASSERT_EQ(LoadWorld(), ZP_OK);
  EXPECT_EQ(m_world->GetStencilShadow(), nullptr);
  EXPECT_EQ(m_world->GetSunMasking(), nullptr);
  EXPECT_NE(m_world->GetSunSimple(), nullptr);
  EXPECT_NE(LogText().find("# CSunMasking::Load failed! (\"Fake\")\n"), std::string::npos);
  EXPECT_NE(LogText().find("# CStencilShadow::Load failed! (\"Fake\")\n"), std::string::npos);
  ASSERT_EQ(m_world->Unload(), ZP_OK);
  m_bLoaded = false;

  // The software platform's flags with them: both made, the casters and occluders as
  // the world's load places them, and no line.
  Journal().Clear();
  Journal().bServices = true;
  FakePlatformFlags() = PLATFORM_SOFTWARE;
  LogReset(m_sLog.c_str());
  ASSERT_EQ(LoadWorld(), ZP_OK);
  EXPECT_EQ(LogText().find("failed"), std::string::npos) << LogText();
  EXPECT_EQ(m_world->GetSunSimple(), nullptr);
  EXPECT_EQ(m_world->GetLensFlare(), nullptr);
  CSunMasking* sun = m_world->GetSunMasking();
  ASSERT_NE(sun, nullptr);
  EXPECT_TRUE(sun->AreFlaresEnabled());
  EXPECT_EQ(sun->GetOccluder(0).pObject, m_world->GetOccluder());
  EXPECT_EQ(sun->GetOccluder(0).pMatrix, &m_world->Bodies().GetEarthFacingMatrix());
  EXPECT_EQ(sun->GetOccluder(1).pMatrix, &m_world->Bodies().GetMoonFacingMatrix());
  EXPECT_STREQ(sun->GetMaskTexture()->GetName(), "Sun4.png");

  CStencilShadow* shadow = m_world->GetStencilShadow();
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(shadow->GetShadowColor(), 30u * 0x01010101u);
  const float fMoon = 0.2f * 3000.0f;
  const SMatrix* apMatrix[4] = { &m_world->Bodies().GetEarthSunMatrix(), &m_world->Bodies().GetEarthSunSmallMatrix(),
                                 &m_world->Bodies().GetMoonSunMatrix(), &m_world->Bodies().GetMoonSunSmallMatrix() };
  const float afMax[4] = { 1.0f, 1.0f, 3000.0f, 3000.0f };
  const float afMin[4] = { -1.1f * fMoon, -1.1f * fMoon, -6.0f, -6.0f };
  for (int i = 0; i < CStencilShadow::CASTER_COUNT; ++i)
  {
    const SShadowCaster& c = shadow->GetCaster(i);
    EXPECT_EQ(c.pObject, m_world->GetOccluder()) << i;
    EXPECT_EQ(c.pMatrix, apMatrix[i]) << i;
    EXPECT_FLOAT_EQ(c.vMax.x, afMax[i]) << i;
    EXPECT_FLOAT_EQ(c.vMin.x, afMin[i]) << i;
    EXPECT_EQ(c.vMax.y, 3.4028235e38f) << i;
    EXPECT_EQ(c.dwCapacity, 200 * m_world->GetOccluder()->GetVertexCount()) << i;
  }
}

TEST_F(WorldTest, UndecodableTexturesFailTheLoadWithTheirName)
{
  Journal().badImages.insert("EarthNight.png");
  EXPECT_EQ(LoadWorld(), ZP_FAIL);
  EXPECT_NE(LogText().find("# CPlanetoWorld::LoadTextureFromFile failed! (\"EarthNight.png\")\n"),
            std::string::npos);
  // A failed load is followed by Unload: it copes with the half-built world.
  EXPECT_EQ(m_world->Unload(), ZP_OK);
  m_bLoaded = false;
  EXPECT_TRUE(Leftovers().bSeen);
  EXPECT_EQ(Leftovers().dwObjects, 0u);
  EXPECT_EQ(Leftovers().dwTextures, 0u);
}

TEST_F(WorldTest, UndecodableSkyboxFaceAndSunImages)
{
  Journal().badImages.insert("Univer.png");
  EXPECT_EQ(LoadWorld(), ZP_FAIL);
  EXPECT_NE(LogText().find("# CPlanetoWorld::LoadOneTextureFromFile failed! (\"Univer.png\")\n"),
            std::string::npos);
  m_world->Unload();
  m_bLoaded = false;

  Journal().Clear();
  Journal().badImages.insert("Sun5.png");
  EXPECT_EQ(LoadWorld(), ZP_FAIL);
  EXPECT_NE(LogText().find("# CSunSimple::LoadTextureFromFile failed! (\"Sun5.png\")\n"), std::string::npos);
  m_world->Unload();
  m_bLoaded = false;

  Journal().Clear();
  Journal().badImages.insert("Sun7.png");
  EXPECT_EQ(LoadWorld(), ZP_FAIL);
  EXPECT_NE(LogText().find("# CPlanetoWorld::LoadTextureFromFile failed! (\"Sun7.png\")\n"),
            std::string::npos);
  m_world->Unload();
  m_bLoaded = false;
  EXPECT_EQ(Leftovers().dwObjects, 0u);
  EXPECT_EQ(Leftovers().dwTextures, 0u);
}

TEST_F(WorldTest, ObjectCreationFailures)
{
  // 0 is the font object, 2 the atmosphere shell, 7 the sun halo.
  for (int iFail : { 0, 2, 7 })
  {
    Journal().Clear();
    Journal().iFailObjectAt = iFail;
    EXPECT_EQ(LoadWorld(), ZP_FAIL) << iFail;
    EXPECT_EQ(m_world->Unload(), ZP_OK);
    m_bLoaded = false;
    EXPECT_EQ(Leftovers().dwObjects, 0u) << iFail;
    EXPECT_EQ(Leftovers().dwTextures, 0u) << iFail;
  }
}

TEST_F(WorldTest, UnloadGoesOnPastAFailedReleaseAndReportsIt)
{
  ASSERT_EQ(LoadWorld(), ZP_OK);
  // The first texture released fails: the rest, the elements, the font and the base
  // are still released, and the failure is the answer.
  Journal().badReleases.insert(m_world->Textures().GetEarthDayTexture());
  EXPECT_EQ(m_world->Unload(), ZP_FAIL);
  m_bLoaded = false;
  EXPECT_EQ(Leftovers().dwObjects, 0u);
  EXPECT_EQ(Leftovers().dwTextures, 0u);
  EXPECT_EQ(m_world->GetFont(), nullptr);
  EXPECT_EQ(m_world->GetSunSimple()->GetDiscObject(), nullptr);
}

TEST_F(WorldTest, UnloadReleasesEverythingTheWorldMade)
{
  m_appli->Set("LENS_FLARE", "LENS_FLARE_ENABLE", "1");
  m_appli->Set("CONTELLATIONS", "CONTELLATIONS_ENABLE", "1");
  m_appli->Set("CONTELLATIONS", "STARS_NB_MAX", "10");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  Settings()->dFrameStep = 1.0;
  m_world->Update();
  m_world->Draw();
  EXPECT_EQ(m_world->Unload(), ZP_OK);
  m_bLoaded = false;
  EXPECT_TRUE(Leftovers().bSeen);
  EXPECT_EQ(Leftovers().dwObjects, 0u);
  EXPECT_EQ(Leftovers().dwTextures, 0u);
  EXPECT_EQ(m_world->GetSphere(), nullptr);
  EXPECT_EQ(m_world->GetFont(), nullptr);
  EXPECT_EQ(m_world->Textures().GetEarthDayTexture(), nullptr);
  EXPECT_EQ(LogText().find("leaks"), std::string::npos);
}

// ---------------------------------------------------------------------------------
// Settings that make no sense: the world loads or fails as it says, and never builds
// beyond its bounds.

TEST_F(WorldTest, SegmentCountsAreBoundedForEveryShapeThatUsesThem)
{
  // The sphere builder keeps 3 to 255 segments; the occluder disc takes the corrected
  // count, so no text can size it without bound.
  const std::pair<const char*, uint32_t> cases[] = {
    { "0", 3 }, { "2", 3 }, { "-1", 255 }, { "300", 255 }, { "100000000", 255 }, { "abc", 3 },
  };
  for (const auto& [text, n] : cases)
  {
    SCOPED_TRACE(text);
    Journal().Clear();
    m_appli->Set("SPHERE", "SPHERE_NB_SEG", text);
    const uint32_t dwBefore = TrackedMemoryTotal();
    ASSERT_EQ(LoadWorld(), ZP_OK);
    EXPECT_LT(TrackedMemoryTotal() - dwBefore, 8u << 20);
    EXPECT_EQ(m_world->GetSphere()->GetVertexCount(), (n + 1) * (n - 1) + 2 * n);
    EXPECT_EQ(m_world->GetAtmosphere()->GetVertexCount(), (n + 1) * (n - 1) + 2 * n);
    EXPECT_EQ(static_cast<CFakeObject*>(m_world->GetOccluder())->v.size(), n + 2);
    Settings()->dFrameStep = 1.0;
    EXPECT_EQ(m_world->Update(), ZP_OK);
    EXPECT_EQ(m_world->Draw(), ZP_OK);
    EXPECT_EQ(m_world->Unload(), ZP_OK);
    m_bLoaded = false;
    EXPECT_EQ(Leftovers().dwObjects, 0u);
  }
}

TEST_F(WorldTest, ZeroAndNegativeSizesStillLoadAndRun)
{
  m_appli->Set("LENS_FLARE", "LENS_FLARE_ENABLE", "1");
  m_appli->Set("MOON_DIFRACTION", "MOON_DIFRACTION_ENABLE", "1");
  m_appli->Set("CONTELLATIONS", "CONTELLATIONS_ENABLE", "1");
  m_appli->Set("CONTELLATIONS", "STARS_NB_MAX", "20");
  const std::vector<std::vector<std::pair<std::string, std::string>>> cases = {
    { { "SPHERE/SPHERE_RADIUS", "0" }, { "SUN/SUN_MAIN_LENGTH", "0" }, { "SKYBOX/SKYBOX_LENGTH", "0" } },
    { { "SPHERE/SPHERE_RADIUS", "-200" },
      { "EARTH/EARTH_SPHERE_RATIO", "-1" },
      { "CLOUDS/CLOUDS_SPHERE_RATIO", "-1.008" },
      { "MOON/MOON_SPHERE_RATIO", "-0.2" },
      { "MOON/MOON_DIST_FROM_EARTH", "-3000" },
      { "EARTH_ATMOSPHERE/EARTH_ATMOSPHERE_SPHERE_RATIO", "-1" },
      { "EARTH_DIFRACTION/EARTH_DIFRACTION_RATIO", "-1.7" },
      { "MOON_DIFRACTION/MOON_DIFRACTION_RATIO", "-1" },
      { "SUN/SUN_HALO_RATIO", "-2.3" },
      { "SUN/SUN_RAY_RATIO", "-1.5" },
      { "SUN/SUN_MAIN_LENGTH_RATIO", "-1" },
      { "LENS_FLARE/LENS_FLARE_RADIUS_REF", "-0.5" },
      { "LENS_FLARE/LENS_FLARE_RATIO_01", "-1" },
      { "SKYBOX/SKYBOX_TEXTURE_REPEAT", "-3" },
      { "CAMERA/SPEED_FACTOR", "-0.0006" } },
    { { "SPHERE/SPHERE_RADIUS", "1e38" },
      { "SUN/SUN_MAIN_LENGTH", "1e38" },
      { "SKYBOX/SKYBOX_LENGTH", "nan" },
      { "LENS_FLARE/LENS_FLARE_POS_01", "1e30" },
      { "EARTH/EARTH_AXIAL_TILT", "inf" } },
  };
  for (size_t c = 0; c < cases.size(); ++c)
  {
    SCOPED_TRACE(c);
    Journal().Clear();
    for (const auto& [key, value] : cases[c])
      m_appli->Set(key.substr(0, key.find('/')), key.substr(key.find('/') + 1), value);
    ASSERT_EQ(LoadWorld(), ZP_OK);
    for (int i = 0; i < 5; ++i)
    {
      Settings()->dFrameStep = 30.0;
      EXPECT_EQ(m_world->Update(), ZP_OK);
      EXPECT_EQ(m_world->Draw(), ZP_OK);
    }
    EXPECT_EQ(m_world->Unload(), ZP_OK);
    m_bLoaded = false;
    EXPECT_EQ(Leftovers().dwObjects, 0u);
    EXPECT_EQ(Leftovers().dwTextures, 0u);
  }
}

TEST_F(WorldTest, HugeSpeedsDoNotHangTheFrame)
{
  // Angles beyond 2^25 no longer change by a whole turn: the sun's wrap must still end.
  for (const char* text : { "1e30", "-1e30", "inf", "nan" })
  {
    SCOPED_TRACE(text);
    Journal().Clear();
    m_appli->Set("CAMERA", "SPEED_FACTOR", text);
    ASSERT_EQ(LoadWorld(), ZP_OK);
    for (int i = 0; i < 3; ++i)
    {
      Settings()->dFrameStep = 30.0;
      EXPECT_EQ(m_world->Update(), ZP_OK);
      EXPECT_EQ(m_world->Draw(), ZP_OK);
      EXPECT_LE(std::fabs(m_world->GetSunSimple()->GetDiscAngle()), 6.2831855f);
    }
    EXPECT_EQ(m_world->Unload(), ZP_OK);
    m_bLoaded = false;
  }
}

TEST_F(WorldTest, StarCountIsCappedAndSaysSo)
{
  m_appli->Set("CONTELLATIONS", "CONTELLATIONS_ENABLE", "1");
  m_appli->Set("CONTELLATIONS", "STARS_NB_MAX", "10000000");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  CConstellations* stars = m_world->GetConstellations();
  ASSERT_NE(stars, nullptr);
  EXPECT_EQ(stars->GetCount(), STARS_MAX_RANDOM);
  EXPECT_EQ(static_cast<CFakeObject*>(stars->GetStarsObject())->v.size(), STARS_MAX_RANDOM);
  EXPECT_NE(LogText().find("# CConstellations::Load STARS_NB_MAX = 10000000 limited to 1000000\n"),
            std::string::npos);
  EXPECT_EQ(m_world->Unload(), ZP_OK);
  m_bLoaded = false;

  // A negative count makes no stars and no complaint; the cap itself is not trimmed.
  for (const auto& [text, n] :
       { std::pair<const char*, uint32_t>{ "-5", 0 }, { "1000000", STARS_MAX_RANDOM } })
  {
    Journal().Clear();
    LogReset(m_sLog.c_str());
    m_appli->Set("CONTELLATIONS", "STARS_NB_MAX", text);
    ASSERT_EQ(LoadWorld(), ZP_OK);
    EXPECT_EQ(m_world->GetConstellations()->GetCount(), n) << text;
    EXPECT_EQ(LogText().find("limited"), std::string::npos) << text;
    EXPECT_EQ(m_world->Unload(), ZP_OK);
    m_bLoaded = false;
  }
}

// ---------------------------------------------------------------------------------
// Every key of the built-in application text is read, in its own section, as its type.

namespace
{

class CRecordingStore : public COverrideStore
{
public:
  using COverrideStore::COverrideStore;
  std::map<std::string, std::set<char>> reads; // "SECTION/KEY" -> the getters used

  bool GetBool(const char* s, const char* k, bool d) override
  {
    Note(s, k, 'b');
    return COverrideStore::GetBool(s, k, d);
  }
  uint8_t GetByte(const char* s, const char* k, uint8_t d) override
  {
    Note(s, k, 'y');
    return COverrideStore::GetByte(s, k, d);
  }
  uint16_t GetShort(const char* s, const char* k, uint16_t d) override
  {
    Note(s, k, 'h');
    return COverrideStore::GetShort(s, k, d);
  }
  int32_t GetInt(const char* s, const char* k, int32_t d) override
  {
    Note(s, k, 'i');
    return COverrideStore::GetInt(s, k, d);
  }
  float GetFloat(const char* s, const char* k, float d) override
  {
    Note(s, k, 'f');
    return COverrideStore::GetFloat(s, k, d);
  }
  double GetDouble(const char* s, const char* k, double d) override
  {
    Note(s, k, 'd');
    return COverrideStore::GetDouble(s, k, d);
  }
  ZRESULT GetString(const char* s, const char* k, const char* d, char* out, uint32_t n) override
  {
    Note(s, k, 's');
    return COverrideStore::GetString(s, k, d, out, n);
  }

private:
  void Note(const char* s, const char* k, char t) { reads[std::string(s) + "/" + k].insert(t); }
};

// "SECTION/KEY" of every key line of a settings text, in order, duplicates once.
std::vector<std::string> KeysOfText(const char* pszName)
{
  const SEmbeddedFile* f = FindEmbeddedText(pszName);
  std::vector<std::string> keys;
  if (!f)
    return keys;
  std::istringstream in(std::string(reinterpret_cast<const char*>(f->data), f->size));
  std::string line, section;
  while (std::getline(in, line))
  {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.size() > 2 && line[0] == '[' && line.back() == ']')
      section = line.substr(1, line.size() - 2);
    const size_t eq = line.find('=');
    if (eq == std::string::npos || line.rfind("//", 0) == 0)
      continue;
    std::string key = line.substr(0, eq);
    key.erase(key.find_last_not_of(" \t") + 1);
    const std::string full = section + "/" + key;
    if (std::find(keys.begin(), keys.end(), full) == keys.end())
      keys.push_back(full);
  }
  return keys;
}

// The getter each key is read with: b bool, i int, y byte, s string, f float.
char ExpectedType(const std::string& key)
{
  static const std::map<std::string, char> types = {
    { "SPHERE_NB_SEG", 'i' },
    { "STARS_NB_MAX", 'i' },
    { "EARTH_ATMOSPHERE_COLOR_A", 'i' },
    { "EARTH_ATMOSPHERE_COLOR_R", 'i' },
    { "EARTH_ATMOSPHERE_COLOR_G", 'i' },
    { "EARTH_ATMOSPHERE_COLOR_B", 'i' },
    { "EARTH_DIFRACTION_COLOR_A", 'i' },
    { "EARTH_DIFRACTION_COLOR_R", 'i' },
    { "EARTH_DIFRACTION_COLOR_G", 'i' },
    { "EARTH_DIFRACTION_COLOR_B", 'i' },
    { "READ_FROM_CATALOG", 'b' },
    { "LENS_FLARE_RANDOM_COLOR", 'b' },
    { "DATA_PATH", 's' },
    { "CONTELLATIONS_CATALOG", 's' },
    { "STAR_TEXTURE", 's' },
    { "SKYBOX_TEXTURE_BACK", 's' },
    { "SKYBOX_TEXTURE_FRONT", 's' },
    { "SKYBOX_TEXTURE_RIGHT", 's' },
    { "SKYBOX_TEXTURE_LEFT", 's' },
    { "SKYBOX_TEXTURE_DOWN", 's' },
    { "SKYBOX_TEXTURE_UP", 's' },
  };
  const std::string k = key.substr(key.find('/') + 1);
  if (auto it = types.find(k); it != types.end())
    return it->second;
  if (k.size() > 7 && k.compare(k.size() - 7, 7, "_ENABLE") == 0)
    return 'b';
  if (k.rfind("SUN_HALO_COLOR_", 0) == 0 || k.rfind("SUN_RAY_COLOR_", 0) == 0 ||
      k.rfind("LENS_FLARE_COLOR_", 0) == 0)
    return 'y';
  if (k.find("_TEXTURE") != std::string::npos && k.find("REPEAT") == std::string::npos &&
      k.find("_CUT_") == std::string::npos)
    return 's';
  return 'f';
}

} // namespace

TEST_F(WorldTest, EveryKeyOfTheApplicationTextIsReadAsItsType)
{
  auto recorder = std::make_unique<CRecordingStore>("Planeto.Appli.ini");
  CRecordingStore* rec = recorder.get();
  m_appli = std::move(recorder);
  // Every optional part on; the random star field first...
  for (const char* key : { "LENS_FLARE/LENS_FLARE_ENABLE", "CONTELLATIONS/CONTELLATIONS_ENABLE",
                           "MOON_DIFRACTION/MOON_DIFRACTION_ENABLE", "EARTH/EARTH_SHADOW_ENABLE",
                           "MOON/MOON_SHADOW_ENABLE", "LENS_FLARE/LENS_FLARE_RANDOM_COLOR" })
  {
    const std::string k = key;
    m_appli->Set(k.substr(0, k.find('/')), k.substr(k.find('/') + 1), "1");
  }
  m_appli->Set("CONTELLATIONS", "STARS_NB_MAX", "10");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  Settings()->dFrameStep = 1.0;
  m_world->Update();
  m_world->Draw();
  m_world->Unload();
  // ...then the built-in catalogue.
  m_appli->Set("CONTELLATIONS", "READ_FROM_CATALOG", "1");
  EXPECT_EQ(LoadWorld(), ZP_OK);
  m_world->Unload();
  m_bLoaded = false;

  // Read by no part of this build: the Moon difraction's colour (the quad keeps the
  // Earth difraction's), and the masking sun's keys (this fake device offers no occlusion service).
  const std::set<std::string> unread = {
    "MOON_DIFRACTION/MOON_DIFRACTION_COLOR_A",
    "MOON_DIFRACTION/MOON_DIFRACTION_COLOR_R",
    "MOON_DIFRACTION/MOON_DIFRACTION_COLOR_G",
    "MOON_DIFRACTION/MOON_DIFRACTION_COLOR_B",
    "SUN/INTENSITY_ENABLE",
    "SUN/INTENSITY_VIEWPORT_RATIO",
    "SUN/SUN_MASKING_MAIN_TEXTURE_1",
    "SUN/SUN_MASKING_MAIN_TEXTURE_2",
    "SUN/SUN_MASKING_MAIN_TEXTURE_MASK",
  };
  const std::vector<std::string> keys = KeysOfText("Planeto.Appli.ini");
  ASSERT_GT(keys.size(), 100u);
  for (const std::string& key : keys)
  {
    auto it = rec->reads.find(key);
    if (unread.count(key))
    {
      EXPECT_EQ(it, rec->reads.end()) << key << " is read after all";
      continue;
    }
    ASSERT_NE(it, rec->reads.end()) << key << " is never read";
    EXPECT_EQ(it->second, std::set<char>{ ExpectedType(key) }) << key;
  }
  // Nothing is read from a section or key the text does not have.
  for (const auto& [key, types] : rec->reads)
    EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << key << " is not in the text";
}
