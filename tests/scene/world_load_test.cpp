// Loading, settings, element choice, unloading and failures of the world.

#include "scene_fixture.h"

#include "app/scene/constellations.h"
#include "app/scene/lens_flare_simple.h"
#include "sdk/core/font.h"
#include "app/scene/sun_simple.h"

using namespace scenetest;

namespace {

using Pair = std::pair<uint32_t, uint32_t>;

}  // namespace

TEST_F(WorldTest, BuiltInTextsBuildTheSceneInOrder)
{
  ASSERT_EQ(LoadWorld(), ZP_OK);
  const SJournal& j = Journal();

  // Font object, the five world objects, then the three sun quads; no stars, no flares.
  const std::vector<Pair> expected = {
    { 0x810, 0xC29 },
    { 0xC03, 0x19C3F }, { 0xC03, 0x18C2B }, { 0xC03, 0x20C29 }, { 0xC03, 0x18C3F }, { 0xC03, 0xC21 },
    { 0xC03, 0x8C29 }, { 0xC03, 0x28C29 }, { 0xC03, 0x28C29 },
  };
  EXPECT_EQ(j.objects, expected);

  // Seven world textures with their flags, one shared sky-box texture, two sun discs,
  // then halo and rays through the shared loader.
  const std::vector<uint32_t> flags = { 11, 19, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3 };
  EXPECT_EQ(j.textures, flags);
  const std::vector<std::string> loads = {
    "EarthDay.png", "EarthNight.png", "EarthClouds.png", "Moon.png", "Atmosphere.png",
    "Difraction.png", "Difraction.png", "Univer.png", "Sun6.png", "Sun7.png", "Flare0.png", "Sun5.png",
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
  EXPECT_FLOAT_EQ(m_world->GetSpeedFactor(), 0.0006f);
  EXPECT_FLOAT_EQ(m_world->GetCameraSpeed(), 1.0f);
  EXPECT_FLOAT_EQ(m_world->GetEarthSpeed(), -2.5f);
  EXPECT_FLOAT_EQ(m_world->GetCloudsSpeed(), -3.5f);
  EXPECT_FLOAT_EQ(m_world->GetMoonSpeed(), 1.2f);
  EXPECT_FLOAT_EQ(m_world->GetMoonRatio(), 0.2f);
  EXPECT_FLOAT_EQ(m_world->GetMoonDistance(), 3000.0f);
  EXPECT_FLOAT_EQ(m_world->GetCloudsRatio(), 1.008f);
  EXPECT_FLOAT_EQ(m_world->GetAtmosphereRatio(), 1.015f);
  EXPECT_FLOAT_EQ(m_world->GetEarthDifractionRatio(), 1.7f);
  EXPECT_FLOAT_EQ(m_world->GetMoonDifractionRatio(), 0.33f);
  EXPECT_TRUE(m_world->IsAtmosphereEnabled());
  EXPECT_TRUE(m_world->IsEarthDifractionEnabled());
  EXPECT_FALSE(m_world->IsMoonDifractionEnabled());
  EXPECT_FLOAT_EQ(m_world->GetCameraDistance(), -1000.0f);
  EXPECT_TRUE(m_world->IsAutoRotation());

  // Random start angles in [0, pi).
  for (float f : { m_world->GetMoonTiltPhase(), m_world->GetMoonOrbitAngle(), m_world->GetCameraYaw(),
                   m_world->GetCameraWobble() })
  {
    EXPECT_GE(f, 0.0f);
    EXPECT_LT(f, 3.1416f);
  }

  // The Earth is tilted by 23.45 degrees: its y axis leans by that angle.
  const SMatrix& e = m_world->GetEarthMatrix();
  const float fUp = std::sqrt(e.m[1][0] * e.m[1][0] + e.m[1][1] * e.m[1][1] + e.m[1][2] * e.m[1][2]);
  EXPECT_NEAR(std::acos(e.m[1][1] / fUp), 23.45f * 0.017453292f, 1e-4f);
  EXPECT_NEAR(fUp, 1.0f, 1e-5f);
  const SMatrix& c = m_world->GetCloudsMatrix();
  EXPECT_NEAR(std::sqrt(c.m[1][0] * c.m[1][0] + c.m[1][1] * c.m[1][1] + c.m[1][2] * c.m[1][2]), 1.008f, 1e-5f);

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
  // The default star catalogue is not built in, so the stars are switched off here.
  m_appli->Set("CONTELLATIONS", "CONTELLATIONS_ENABLE", "0");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  EXPECT_FLOAT_EQ(m_world->GetSpeedFactor(), 1.0f);
  EXPECT_FLOAT_EQ(m_world->GetCameraSpeed(), 0.005f);
  EXPECT_FLOAT_EQ(m_world->GetEarthSpeed(), -0.0025f);
  EXPECT_FLOAT_EQ(m_world->GetCloudsSpeed(), -0.0035f);
  EXPECT_FLOAT_EQ(m_world->GetMoonSpeed(), 0.005f);
  EXPECT_FLOAT_EQ(m_world->GetMoonRatio(), 0.15f);
  EXPECT_FLOAT_EQ(m_world->GetMoonDistance(), 4000.0f);
  EXPECT_FLOAT_EQ(m_world->GetCloudsRatio(), 1.0025f);
  EXPECT_FLOAT_EQ(m_world->GetEarthDifractionRatio(), 1.02f);
  EXPECT_FLOAT_EQ(m_world->GetMoonDifractionRatio(), 0.202f);
  EXPECT_TRUE(m_world->IsMoonDifractionEnabled());
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

TEST_F(WorldTest, DefaultStarsReadAMissingCatalogueAndFailTheLoad)
{
  m_appli->Set("CONTELLATIONS", "CONTELLATIONS_ENABLE", "1");
  m_appli->Remove("CONTELLATIONS", "READ_FROM_CATALOG");
  EXPECT_EQ(LoadWorld(), ZP_FAIL);
  EXPECT_NE(LogText().find("# CConstellations::LoadFromCatalog failed! (\"Constellations.catalog.txt\")\n"),
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
  ASSERT_EQ(LoadWorld(), ZP_OK);
  EXPECT_EQ(m_world->GetLensFlare(), nullptr);
  EXPECT_NE(m_world->GetSunSimple(), nullptr);
}

TEST(SceneChoice, SunAndShadowRules)
{
  EXPECT_EQ(ChooseSunElement(true, PLATFORM_DIRECTX81), SUN_CHOICE_MASKING);
  EXPECT_EQ(ChooseSunElement(true, PLATFORM_DIRECTX9), SUN_CHOICE_MASKING);
  EXPECT_EQ(ChooseSunElement(true, PLATFORM_OPENGL12), SUN_CHOICE_SIMPLE);
  EXPECT_EQ(ChooseSunElement(true, PLATFORM_SOFTWARE), SUN_CHOICE_SIMPLE);
  EXPECT_EQ(ChooseSunElement(false, PLATFORM_DIRECTX81), SUN_CHOICE_SIMPLE);

  EXPECT_TRUE(WantsStencilShadow(true, true, true, PLATFORM_DIRECTX81));
  EXPECT_TRUE(WantsStencilShadow(true, true, true, PLATFORM_SOFTWARE));
  EXPECT_FALSE(WantsStencilShadow(true, true, true, PLATFORM_OPENGL12));
  EXPECT_FALSE(WantsStencilShadow(false, true, true, PLATFORM_DIRECTX81));
  EXPECT_FALSE(WantsStencilShadow(true, true, false, PLATFORM_DIRECTX81));
}

TEST_F(WorldTest, ShadowsWantedWithoutDirect3DMakeNothingAndSaySo)
{
  FakePlatformFlags() = PLATFORM_SOFTWARE;
  m_appli->Set("EARTH", "EARTH_SHADOW_ENABLE", "1");
  m_appli->Set("MOON", "MOON_SHADOW_ENABLE", "1");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  EXPECT_EQ(m_world->GetStencilShadow(), nullptr);
  EXPECT_NE(LogText().find("# CStencilShadow::Load failed! (\"Fake\")\n"), std::string::npos);
}

TEST_F(WorldTest, ShadowsOnOpenGLAreNotEvenWanted)
{
  m_appli->Set("EARTH", "EARTH_SHADOW_ENABLE", "1");
  m_appli->Set("MOON", "MOON_SHADOW_ENABLE", "1");
  m_appli->Set("SUN", "SUN_MASKING_ENABLE", "1");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  EXPECT_EQ(m_world->GetStencilShadow(), nullptr);
  EXPECT_NE(m_world->GetSunSimple(), nullptr);
  EXPECT_EQ(LogText().find("CStencilShadow"), std::string::npos);
  EXPECT_EQ(LogText().find("CSunMasking"), std::string::npos);
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
  EXPECT_NE(LogText().find("# CPlanetoWorld::LoadTextureFromFile failed! (\"Sun7.png\")\n"), std::string::npos);
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
  EXPECT_EQ(m_world->GetEarthDayTexture(), nullptr);
  EXPECT_EQ(LogText().find("leaks"), std::string::npos);
}
