// The sun, the lens flares and the stars.

#include "scene_fixture.h"

#include "app/scene/constellations.h"
#include "app/scene/frame_rate_line.h"
#include "app/scene/lens_flare_simple.h"
#include "app/scene/scene_images.h"
#include "app/scene/sun_simple.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace scenetest;

namespace
{

constexpr float kTwoPi = 6.2831855f;

} // namespace

// ---------------------------------------------------------------------------------
// Sun

TEST_F(WorldTest, SunQuadsFromTheBuiltInText)
{
  ASSERT_EQ(LoadWorld(), ZP_OK);
  CSunSimple* sun = m_world->GetSunSimple();
  auto* disc = static_cast<CFakeObject*>(sun->GetDiscObject());
  auto* halo = static_cast<CFakeObject*>(sun->GetHaloObject());
  auto* ray = static_cast<CFakeObject*>(sun->GetRayObject());

  // Disc: half-size 0.9 x 200, the top edge 2 % higher.
  ASSERT_EQ(disc->v.size(), 4u);
  EXPECT_FLOAT_EQ(disc->v[0].p.x, 180.0f);
  EXPECT_FLOAT_EQ(disc->v[0].p.y, -180.0f);
  EXPECT_FLOAT_EQ(disc->v[1].p.x, -180.0f);
  EXPECT_FLOAT_EQ(disc->v[2].p.y, 1.02f * 180.0f);
  EXPECT_FLOAT_EQ(disc->v[3].p.y, 1.02f * 180.0f);
  EXPECT_FLOAT_EQ(disc->v[2].t.x, 1.0f);
  EXPECT_FLOAT_EQ(disc->v[2].t.y, 1.0f);
  EXPECT_FLOAT_EQ(disc->v[1].t.x, 0.0f);
  EXPECT_EQ(disc->v[0].diffuse, 0xFFFFFFFFu);

  // Halo 2.3 x 200 in the second colour block's values; rays 1.5 x 200.
  EXPECT_FLOAT_EQ(halo->v[2].p.x, 460.0f);
  EXPECT_FLOAT_EQ(halo->v[2].p.y, 460.0f);
  EXPECT_EQ(halo->v[0].diffuse, 0xFFFFB432u);
  EXPECT_FLOAT_EQ(ray->v[0].p.x, 300.0f);
  EXPECT_EQ(ray->v[0].diffuse, 0xFFFF9614u);
  EXPECT_FLOAT_EQ(sun->GetHaloHalfDiagonal(), std::sqrt(2.0f * 460.0f * 460.0f));
  EXPECT_FLOAT_EQ(sun->GetDiscHalfDiagonal(), std::sqrt(2.0f * 180.0f * 180.0f));

  EXPECT_FLOAT_EQ(sun->GetDiscSpeed(), 0.8f);
  EXPECT_FLOAT_EQ(sun->GetRaySpeed(), 0.8f);
  for (float a : { sun->GetDiscAngle(), sun->GetRayAngle() })
  {
    EXPECT_GE(a, 1.0f);
    EXPECT_LT(a, 100.0f);
  }
  ASSERT_NE(halo->GetTexture(0, 0), nullptr);
  EXPECT_STREQ(halo->GetTexture(0, 0)->GetName(), "Flare0.png");
  EXPECT_STREQ(ray->GetTexture(0, 0)->GetName(), "Sun5.png");
  EXPECT_STREQ(sun->GetDiscTexture1()->GetName(), "Sun6.png");

  sun->SetIntensity(0);
  EXPECT_EQ(halo->GetColorFactor(), 0u);
  EXPECT_EQ(ray->GetColorFactor(), 0u);
  EXPECT_EQ(disc->GetColorFactor(), 0xFFFFFFFFu);
  sun->SetIntensity(0x80);
  EXPECT_EQ(halo->GetColorFactor(), 0x80808080u);
}

TEST_F(WorldTest, SunCodeDefaults)
{
  m_appli = std::make_unique<COverrideStore>(nullptr);
  m_appli->Set("CONTELLATIONS", "CONTELLATIONS_ENABLE", "0");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  CSunSimple* sun = m_world->GetSunSimple();
  auto* disc = static_cast<CFakeObject*>(sun->GetDiscObject());
  auto* halo = static_cast<CFakeObject*>(sun->GetHaloObject());
  EXPECT_FLOAT_EQ(disc->v[0].p.x, 1800.0f);
  EXPECT_FLOAT_EQ(disc->v[2].p.y, 1.25f * 1800.0f);
  EXPECT_FLOAT_EQ(halo->v[0].p.x, 3000.0f);
  EXPECT_EQ(halo->v[0].diffuse, 0xFFFF9614u);
  EXPECT_FLOAT_EQ(sun->GetDiscSpeed(), 0.0005f);
  // No ".tga" or ".dds" name resolves: the quads stay untextured.
  EXPECT_EQ(halo->GetTexture(0, 0), nullptr);
}

TEST_F(WorldTest, SunDrawSpinsRaysAndDiscs)
{
  m_appli->Set("SUN", "SUN_ROTATION_SPEED", "0");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  CSunSimple* sun = m_world->GetSunSimple();
  Settings()->dFrameStep = 1.0;
  m_world->Update();
  sun->SetAngles(7.0f, 2.0f);
  const SMatrix ray0 = *sun->GetRayObject()->GetMatrix();
  const SMatrix disc0 = *sun->GetDiscObject()->GetMatrix();
  Journal().draws.clear();
  sun->Draw();

  // Speed 0: the first ray draw turns by -ray angle, the second by + disc angle on top,
  // each disc draw by the disc angle; then the disc angle wraps.
  const auto& d = Journal().draws;
  ASSERT_EQ(d.size(), 5u);
  SMatrix expected = ray0;
  Math()->RotateZ(&expected, -2.0f);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(d[1].matrix.m[i][j], expected.m[i][j], 1e-3f);
  Math()->RotateZ(&expected, 7.0f);
  Math()->RotateZ(&expected, 0.0f);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(d[2].matrix.m[i][j], expected.m[i][j], 1e-3f);
  expected = disc0;
  Math()->RotateZ(&expected, 7.0f);
  Math()->RotateZ(&expected, 7.0f);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(d[4].matrix.m[i][j], expected.m[i][j], 1e-3f);
  EXPECT_NEAR(sun->GetDiscAngle(), 7.0f - kTwoPi, 1e-5f);
  EXPECT_FLOAT_EQ(sun->GetRayAngle(), 2.0f);
}

TEST(SunAngle, WrapsByWholeTurns)
{
  EXPECT_NEAR(CSunSimple::WrapAngle(7.0f), 7.0f - kTwoPi, 1e-6f);
  EXPECT_NEAR(CSunSimple::WrapAngle(-13.0f), -13.0f + 2.0f * kTwoPi, 1e-5f);
  EXPECT_EQ(CSunSimple::WrapAngle(6.0f), 6.0f);
  EXPECT_EQ(CSunSimple::WrapAngle(-6.0f), -6.0f);
  EXPECT_EQ(CSunSimple::WrapAngle(std::nanf("")), 0.0f);
  // Where 2 pi is below the float's spacing, subtraction alone would never end.
  for (float f : { 1e31f, -1e31f, 3.0e7f, -1.0e9f, 1e38f })
    EXPECT_LE(std::fabs(CSunSimple::WrapAngle(f)), kTwoPi) << f;
  // Beyond a few turns the reduction is done in one step, to the same angle.
  for (float f : { 1000.5f, -2000.25f })
  {
    float g = f;
    while (g > kTwoPi)
      g -= kTwoPi;
    while (g < -kTwoPi)
      g += kTwoPi;
    EXPECT_NEAR(CSunSimple::WrapAngle(f), g, 5e-3f) << f; // the loop adds its own rounding
  }
  EXPECT_EQ(CSunSimple::WrapAngle(INFINITY), 0.0f);
}

// ---------------------------------------------------------------------------------
// Lens flares

TEST(FlarePlacement, SunOnScreenPoints)
{
  SFlarePlacement p{};
  p.vSunScreen = SVector3{ 0.0f, 0.0f, 0.9f };
  p.fDx = 400.0f;
  p.fDy = 300.0f;
  const SVector3 q = FlareScreenPoint(p, 1.0f);
  EXPECT_FLOAT_EQ(q.x, 800.0f);
  EXPECT_FLOAT_EQ(q.y, 600.0f);
  EXPECT_EQ(q.z, 0.0f);
  const SVector3 centre = FlareScreenPoint(p, 0.5f);
  EXPECT_FLOAT_EQ(centre.x, 400.0f);
  EXPECT_FLOAT_EQ(centre.y, 300.0f);
}

namespace
{

struct SPlacementRig
{
  C3DMath math;
  std::unique_ptr<SEngineSettings> s = std::make_unique<SEngineSettings>();

  SPlacementRig(uint16_t w, uint16_t h, const SVector3& offset)
  {
    s->pMath = &math;
    s->wWidth = w;
    s->wHeight = h;
    s->light1.vPosition = offset;
    math.Identity(&s->matCamera);
    s->matView = s->matCamera;
    math.InvertInPlace(&s->matView);
    math.PerspectiveFovLH(&s->matProjection, 45.0f * 0.017453292f, float(w) / float(h), 1.0f, 50000.0f);
  }
};

} // namespace

TEST(FlarePlacement, SunInTheTopLeftCorner)
{
  // The screen point moves linearly with the sun's sideways offset at a fixed depth:
  // two probes find the offset that puts the sun on (0, 0).
  auto place = [](float x, float y)
  {
    SPlacementRig rig(800, 600, SVector3{ x, y, 5000.0f });
    SFlarePlacement p;
    ComputeFlarePlacement(&rig.math, rig.s.get(), &p);
    return p;
  };
  const SFlarePlacement p0 = place(0.0f, 0.0f), px = place(1000.0f, 0.0f), py = place(0.0f, 1000.0f);
  const float x = -p0.vSunScreen.x * 1000.0f / (px.vSunScreen.x - p0.vSunScreen.x);
  const float y = -p0.vSunScreen.y * 1000.0f / (py.vSunScreen.y - p0.vSunScreen.y);
  const SFlarePlacement p = place(x, y);
  ASSERT_NEAR(p.vSunScreen.x, 0.0f, 0.01f);
  ASSERT_NEAR(p.vSunScreen.y, 0.0f, 0.01f);
  EXPECT_NEAR(p.fDx, 400.0f, 0.01f);
  EXPECT_NEAR(p.fDy, 300.0f, 0.01f);
  EXPECT_NEAR(p.fShift, -21.0f, 0.001f);
  const SVector3 q = FlareScreenPoint(p, 1.0f);
  EXPECT_NEAR(q.x, 800.0f, 0.02f);
  EXPECT_NEAR(q.y, 600.0f, 0.02f);
  EXPECT_EQ(q.z, 0.0f);
}

TEST(FlarePlacement, NearPointsAreSeenAtTheirScreenPointsOnBothDepthSigns)
{
  for (float fSign : { 1.0f, -1.0f })
  {
    SPlacementRig rig(800, 600, SVector3{ 0.0f, 0.0f, 5000.0f });
    rig.math.SetDepthSign(fSign);
    rig.s->fFov = 45.0f;
    rig.s->fAspect = 800.0f / 600.0f;
    rig.s->fNear = 1.0f;
    rig.math.Identity(&rig.s->matCamera);
    rig.math.RotateY(&rig.s->matCamera, 0.7f);
    rig.math.RotateX(&rig.s->matCamera, -0.3f);
    rig.math.SetTranslation(&rig.s->matCamera, 10.0f, -20.0f, 30.0f);
    rig.s->matView = rig.s->matCamera;
    rig.math.InvertInPlace(&rig.s->matView);
    for (const SVector3 q : { SVector3{ 100.0f, 50.0f, 0.0f }, SVector3{ 780.0f, 590.0f, 0.0f } })
    {
      SVector3 seen;
      const SVector3 f = FlareNearPoint(&rig.math, rig.s.get(), q);
      rig.math.Project(&seen, 800, 600, nullptr, &rig.s->matView, &rig.s->matProjection, &f);
      EXPECT_NEAR(seen.x, q.x, 0.05f) << fSign;
      EXPECT_NEAR(seen.y, q.y, 0.05f) << fSign;
    }
  }
}

TEST(FlarePlacement, SunStraightAheadCollapsesTheFlares)
{
  SPlacementRig rig(800, 600, SVector3{ 0.0f, 0.0f, 5000.0f });
  SFlarePlacement p;
  ComputeFlarePlacement(&rig.math, rig.s.get(), &p);
  EXPECT_NEAR(p.vSunScreen.x, 400.0f, 1e-3f);
  EXPECT_NEAR(p.vSunScreen.y, 300.0f, 1e-3f);
  EXPECT_NEAR(p.fDx, 0.0f, 1e-3f);
  EXPECT_NEAR(p.fDy, 0.0f, 1e-3f);
  EXPECT_NEAR(p.fShift, 0.0f, 1e-4f);
}

TEST(FlarePlacement, OffCentreSunAndOddViewport)
{
  // An odd width uses the truncated half: 801 -> 400.
  SPlacementRig rig(801, 600, SVector3{ 1000.0f, 500.0f, 5000.0f });
  SFlarePlacement p;
  ComputeFlarePlacement(&rig.math, rig.s.get(), &p);
  EXPECT_NEAR(p.fDx, 400.0f - p.vSunScreen.x, 1e-3f);
  EXPECT_NEAR(p.fDy, 300.0f - p.vSunScreen.y, 1e-3f);
  EXPECT_GT(p.vSunScreen.x, 400.0f); // right of the centre
  EXPECT_LT(p.vSunScreen.y, 300.0f); // above it (y grows downwards)
  EXPECT_NEAR(p.fShift, -0.03f * (std::fabs(p.fDx) + std::fabs(p.fDy)), 1e-4f);
}

TEST_F(WorldTest, LensFlaresLoadAndPlace)
{
  m_appli->Set("LENS_FLARE", "LENS_FLARE_ENABLE", "1");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  CLensFlareSimple* flares = m_world->GetLensFlare();
  ASSERT_NE(flares, nullptr);
  const float positions[6] = { 1.0f, 0.85f, 0.60f, 0.40f, 0.30f, 0.12f };
  const float ratios[6] = { 1.0f, 1.0f, 0.7f, 1.0f, 1.0f, 0.7f };
  for (int i = 0; i < LENS_FLARE_COUNT; ++i)
  {
    const SLensFlare& f = flares->GetFlare(i);
    EXPECT_FLOAT_EQ(f.fPosition, positions[i]);
    EXPECT_FLOAT_EQ(f.fSize, 0.5f * ratios[i]);
    // The first colour block of the text wins.
    EXPECT_EQ(flares->GetFlareColor(i), 0xFFFFC832u);
    auto* o = static_cast<CFakeObject*>(f.pObject);
    EXPECT_EQ(o->v[0].diffuse, 0xFFFFC832u);
    EXPECT_FLOAT_EQ(o->v[0].p.x, f.fSize);
    EXPECT_FLOAT_EQ(o->v[3].p.y, f.fSize);
    // Every name of the text has its image.
    EXPECT_NE(o->GetTexture(0, 0), nullptr) << i;
  }

  // Each flare is seen at its screen point, in front of the viewer, pushed back from the
  // near plane along the line of sight by the shift.
  Settings()->dFrameStep = 1.0;
  m_world->Update();
  flares->Place();
  SFlarePlacement p;
  ComputeFlarePlacement(Math(), Settings(), &p);
  SVector3 c;
  Math()->GetTranslation(&c, &Settings()->matCamera);
  for (int i = 0; i < LENS_FLARE_COUNT; ++i)
  {
    const SVector3 q = FlareScreenPoint(p, flares->GetFlare(i).fPosition);
    SVector3 f, seen;
    Math()->GetTranslation(&f, flares->GetFlare(i).pObject->GetMatrix());
    Math()->Project(&seen, Settings()->wWidth, Settings()->wHeight, nullptr, &Settings()->matView,
                    &Settings()->matProjection, &f);
    // The start angles are random: a sun far off the screen puts the points far out too.
    const float fTolerance = 0.5f + 1e-4f * (std::fabs(q.x) + std::fabs(q.y));
    EXPECT_NEAR(seen.x, q.x, fTolerance) << i;
    EXPECT_NEAR(seen.y, q.y, fTolerance) << i;
    const SVector3 n = FlareNearPoint(Math(), Settings(), q);
    const float fNear = Len(SVector3{ n.x - c.x, n.y - c.y, n.z - c.z });
    EXPECT_NEAR(Len(SVector3{ f.x - c.x, f.y - c.y, f.z - c.z }), fNear - p.fShift,
                1e-3f * (fNear - p.fShift))
        << i;
  }

  flares->SetIntensity(0);
  for (int i = 0; i < LENS_FLARE_COUNT; ++i)
    EXPECT_EQ(flares->GetFlare(i).pObject->GetColorFactor(), 0u);
}

TEST_F(WorldTest, RandomFlareColoursAreOpaqueAndInRange)
{
  m_appli->Set("LENS_FLARE", "LENS_FLARE_ENABLE", "1");
  m_appli->Set("LENS_FLARE", "LENS_FLARE_RANDOM_COLOR", "1");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  for (int i = 0; i < LENS_FLARE_COUNT; ++i)
  {
    const uint32_t c = m_world->GetLensFlare()->GetFlareColor(i);
    EXPECT_EQ(c >> 24, 0xFFu);
    const uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    EXPECT_GE(r, 165u);
    EXPECT_GE(g, 99u);
    EXPECT_LE(g, 204u);
    EXPECT_GE(b, 48u);
    EXPECT_LE(b, 204u);
  }
}

TEST_F(WorldTest, UndecodableFlareImageFailsTheLoad)
{
  m_appli->Set("LENS_FLARE", "LENS_FLARE_ENABLE", "1");
  Journal().badImages.insert("Flare0.png");
  // The sun's halo uses the same image and fails first; give it another one.
  m_appli->Set("SUN", "SUN_HALO_TEXTURE", "Sun5.png");
  EXPECT_EQ(LoadWorld(), ZP_FAIL);
  EXPECT_NE(LogText().find("# CLensFlareSimple::LoadTextureFromFile failed! (\"Flare0.png\")\n"),
            std::string::npos);
}

// ---------------------------------------------------------------------------------
// Stars

TEST(Catalogue, FixedColumns)
{
  const char line[] = "06 45 08.9 -16 42 58 -1.46 Sirius";
  SCatalogStar s;
  ParseCatalogLine(line, sizeof(line) - 1, &s);
  EXPECT_DOUBLE_EQ(s.fRaHours, 6.0);
  EXPECT_DOUBLE_EQ(s.fRaMinutes, 45.0);
  EXPECT_DOUBLE_EQ(s.fRaSeconds, 8.9);
  EXPECT_EQ(s.fDecSign, -1.0);
  EXPECT_DOUBLE_EQ(s.fDecDegrees, 16.0);
  EXPECT_DOUBLE_EQ(s.fDecMinutes, 42.0);
  EXPECT_DOUBLE_EQ(s.fDecSeconds, 58.0);
  EXPECT_DOUBLE_EQ(s.fMagnitude, -1.46);
  EXPECT_NEAR(s.fRightAscension, (6 * 3600 + 45 * 60 + 8.9) / 86400.0 * 6.283185308, 1e-5);
  // 6 h 45 min 8.9 s is 24308.9 s of the day's 86400: 101.287 degrees, 1.7678 rad.
  EXPECT_NEAR(s.fRightAscension, 1.7678f, 1e-4f);
  // -16 deg 42' 58" is -16.716 degrees: -0.2917 rad.
  EXPECT_NEAR(s.fDeclination, -0.29175f, 1e-5f);
  // Sirius, the brightest star of the catalogue, is its largest and brightest point.
  EXPECT_NEAR(s.fSize, 99.6f, 1e-4f);
  EXPECT_EQ(StarGreyLevel(s.fSize), 249);
  const SEmbeddedFile* pCatalog = FindBuiltInCatalog("Constellations.catalog.txt");
  ASSERT_NE(pCatalog, nullptr);
  const std::vector<SCatalogStar> all =
      ParseCatalog(reinterpret_cast<const char*>(pCatalog->data), pCatalog->size);
  ASSERT_EQ(all.size(), 9096u);
  float fLargest = 0.0f, fSmallest = 100.0f;
  for (const SCatalogStar& star : all)
  {
    fLargest = std::max(fLargest, star.fSize);
    fSmallest = std::min(fSmallest, star.fSize);
  }
  EXPECT_EQ(fLargest, s.fSize);
  EXPECT_NEAR(fSmallest, 5.4f, 1e-4f); // magnitude 7.96
}

TEST(Catalogue, ShortBlankAndOddLines)
{
  SCatalogStar s;
  ParseCatalogLine("", 0, &s);
  EXPECT_EQ(s.fRightAscension, 0.0f);
  EXPECT_EQ(s.fDeclination, 0.0f);
  EXPECT_FLOAT_EQ(s.fSize, 85.0f); // magnitude 0

  // A line that ends inside the right ascension reads the rest as 0; the buffer holds
  // exactly the line, no terminator, so nothing past it may be read.
  std::unique_ptr<char[]> p(new char[7]);
  std::memcpy(p.get(), "12 30 ", 6);
  ParseCatalogLine(p.get(), 6, &s);
  EXPECT_EQ(s.fRaHours, 12.0);
  EXPECT_EQ(s.fRaMinutes, 30.0);
  EXPECT_EQ(s.fRaSeconds, 0.0);
  EXPECT_EQ(s.fDecSign, 1.0);
  EXPECT_EQ(s.fMagnitude, 0.0);

  // Any character but "-" in column 11 is a plus sign; blanks lead fields; a CR ends one.
  ParseCatalogLine("01 00 00.0 +10 00 00  4.5\r", 27, &s);
  EXPECT_EQ(s.fDecSign, 1.0);
  EXPECT_NEAR(s.fDeclination, 10.0 * 3.141592654 / 180.0, 1e-6);
  EXPECT_DOUBLE_EQ(s.fMagnitude, 4.5);
  ParseCatalogLine("01 00 00.0 x10 00 00  4.5\r", 12, &s);
  EXPECT_EQ(s.fDecSign, 1.0);
  EXPECT_EQ(s.fDecDegrees, 0.0);

  // Size falls with magnitude and stays in [5, 100] whatever the column holds; the grey
  // level is held to its byte, never wrapped (110 x 2.5 would wrap to 19).
  EXPECT_GT(CatalogStarSize(1.0), CatalogStarSize(2.0));
  EXPECT_EQ(CatalogStarSize(-27.0), 100.0f);
  EXPECT_EQ(CatalogStarSize(30.0), 5.0f);
  EXPECT_EQ(CatalogStarSize(std::nan("")), 5.0f);
  EXPECT_EQ(StarGreyLevel(100.0f), 250);
  EXPECT_EQ(StarGreyLevel(110.0f), 255);
  EXPECT_EQ(StarGreyLevel(-29.28f), 0);
}

TEST(Catalogue, StarPositionOnTheSphereOfTen)
{
  C3DMath math;
  SCatalogStar s{};
  SVector3 v = CatalogStarPosition(&math, s);
  EXPECT_NEAR(v.x, 0.0f, 1e-5f);
  EXPECT_NEAR(v.y, 0.0f, 1e-5f);
  EXPECT_NEAR(v.z, 10.0f, 1e-5f);
  // Raised by the declination, then turned about the pole: north is up, and the east
  // (growing right ascension) lies left of a viewer looking along +z, so the sky is
  // not mirrored.  The same on OpenGL's mirrored depth.
  s.fRightAscension = 1.0f;
  s.fDeclination = 0.5f;
  for (float fDepthSign : { 1.0f, -1.0f })
  {
    math.SetDepthSign(fDepthSign);
    v = CatalogStarPosition(&math, s);
    EXPECT_NEAR(v.x, -10.0f * std::cos(0.5f) * std::sin(1.0f), 1e-4f);
    EXPECT_NEAR(v.y, 10.0f * std::sin(0.5f), 1e-4f);
    EXPECT_NEAR(v.z, 10.0f * std::cos(0.5f) * std::cos(1.0f), 1e-4f);
  }
}

namespace
{

// Stars read from a catalogue text handed in by the test.
class CCatalogStars : public CConstellations
{
public:
  CCatalogStars(SEngineSettings* s, std::string text) : CConstellations(s), m_text(std::move(text))
  {
    m_file.name = "test.catalog";
    // An exact copy, without the terminating NUL the embedded files carry.
    m_data.reset(new unsigned char[m_text.size() + 1]);
    std::memcpy(m_data.get(), m_text.data(), m_text.size());
    m_file.data = m_data.get();
    m_file.size = static_cast<unsigned>(m_text.size());
  }
  std::string sRequested;

protected:
  const SEmbeddedFile* FindCatalog(const char* pszName) override
  {
    sRequested = pszName;
    return &m_file;
  }

private:
  std::string m_text;
  std::unique_ptr<unsigned char[]> m_data;
  SEmbeddedFile m_file{};
};

} // namespace

TEST_F(WorldTest, CatalogueLinesEndedByALineFeedOnly)
{
  m_appli->Set("CONTELLATIONS", "READ_FROM_CATALOG", "1");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  CCatalogStars stars(Settings(), "06 45 08.9 -16 42 58 -1.46\n\n12 00 00.0 +00 00 00  5.00");
  ASSERT_EQ(stars.Load(), ZP_OK);
  EXPECT_EQ(stars.sRequested, "Constellations.catalog.txt");
  ASSERT_EQ(stars.GetCount(), 2u);
  EXPECT_NEAR(stars.GetSizes()[0], 99.6f, 1e-4f);
  EXPECT_FLOAT_EQ(stars.GetSizes()[1], 85.0f);
  auto* o = static_cast<CFakeObject*>(stars.GetStarsObject());
  ASSERT_EQ(o->v.size(), 2u);
  EXPECT_NEAR(Len(o->v[0].p), 10.0f, 1e-4f);
  EXPECT_NEAR(std::fabs(o->v[1].p.z), 10.0f, 1e-4f);
  // Each vertex carries its grey and its size for the one draw of the whole sky.
  EXPECT_EQ(o->v[0].diffuse, 0xFFF9F9F9u);
  EXPECT_NEAR(o->v[0].t.x, 99.6f, 1e-4f);
  uint32_t first = 9, count = 9, prims = 9, type = 9;
  o->GetPartInfo(0, nullptr, nullptr, &first, &count, &prims, &type, nullptr, nullptr);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(prims, 2u);
  EXPECT_EQ(type, PRIMITIVE_POINT_LIST);
  stars.Unload();

  CCatalogStars none(Settings(), "no line feed at all");
  ASSERT_EQ(none.Load(), ZP_OK);
  EXPECT_EQ(none.GetCount(), 0u);
  Journal().draws.clear();
  none.Draw();
  for (const SDrawRecord& d : Journal().draws)
    EXPECT_NE(d.sCall, "DrawRange");
  none.Unload();
}

TEST_F(WorldTest, CatalogueOfAnyContent)
{
  m_appli->Set("CONTELLATIONS", "READ_FROM_CATALOG", "1");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  // Every byte value, numbers out of every range, long lines, CR LF and lone CRs: one
  // star per line feed, whatever the line holds.
  std::string text;
  for (int c = 0; c < 256; ++c)
    text += static_cast<char>(c);
  text += "\n99 99 99.9 -99 99 99 1e999\n-1 -1 -1.0 --1 -1 -1 nan\n" + std::string(5000, '7') + "\r\n\r\r\n";
  uint32_t dwRandom = 12345;
  for (int i = 0; i < 20000; ++i)
  {
    dwRandom = dwRandom * 1103515245u + 12345u;
    text += static_cast<char>(dwRandom >> 24);
  }
  text += "\n";
  const size_t uLines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  CCatalogStars stars(Settings(), text);
  ASSERT_EQ(stars.Load(), ZP_OK);
  ASSERT_EQ(stars.GetCount(), uLines);
  auto* o = static_cast<CFakeObject*>(stars.GetStarsObject());
  EXPECT_EQ(o->v.size(), uLines);
  for (const auto& vertex : o->v)
  {
    EXPECT_GE(vertex.t.x, 5.0f);
    EXPECT_LE(vertex.t.x, 100.0f);
    const uint32_t g = StarGreyLevel(vertex.t.x);
    EXPECT_EQ(vertex.diffuse, 0xFF000000u | g << 16 | g << 8 | g); // opaque grey
  }
  // The whole sky in one draw, however many stars.
  Journal().draws.clear();
  stars.Draw();
  ASSERT_EQ(Journal().draws.size(), 1u);
  EXPECT_EQ(Journal().draws[0].sCall, "Draw");
  EXPECT_EQ(stars.Unload(), ZP_OK);
}

TEST_F(WorldTest, RandomStarFieldIsDrawnStarByStar)
{
  m_appli->Set("CONTELLATIONS", "CONTELLATIONS_ENABLE", "1");
  m_appli->Set("CONTELLATIONS", "STARS_NB_MAX", "5");
  m_appli->Set("CONTELLATIONS", "STAR_TEXTURE", "Moon.png");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  CConstellations* stars = m_world->GetConstellations();
  ASSERT_EQ(stars->GetCount(), 5u);
  auto* o = static_cast<CFakeObject*>(stars->GetStarsObject());
  EXPECT_EQ(o->GetKind(), STARS_OBJECT_KIND);
  EXPECT_EQ(o->GetRenderFlags(), STARS_RENDER_FLAGS);
  for (uint32_t i = 0; i < 5; ++i)
  {
    EXPECT_GE(stars->GetSizes()[i], 5.0f);
    EXPECT_LT(stars->GetSizes()[i], 100.0f);
    for (float c : { o->v[i].p.x, o->v[i].p.y, o->v[i].p.z })
    {
      EXPECT_GE(c, -10000.0f);
      EXPECT_LT(c, 10000.0f);
    }
  }
  ASSERT_NE(o->GetTexture(0, 0), nullptr);
  EXPECT_EQ(o->GetTexture(0, 0)->GetFlags(), 7u);

  // The field follows the camera.
  Settings()->dFrameStep = 1.0;
  m_world->Update();
  SVector3 c, t;
  Math()->GetTranslation(&c, &Settings()->matCamera);
  Math()->GetTranslation(&t, o->GetMatrix());
  EXPECT_NEAR(Len(SVector3{ c.x - t.x, c.y - t.y, c.z - t.z }), 0.0f, 1e-3f);

  Journal().draws.clear();
  stars->Draw();
  const auto& d = Journal().draws;
  ASSERT_EQ(d.size(), 6u);
  EXPECT_EQ(d[0].sCall, "PreparePart");
  for (uint32_t i = 0; i < 5; ++i)
  {
    const SDrawRecord& r = d[i + 1];
    EXPECT_EQ(r.sCall, "DrawRange");
    EXPECT_EQ(r.dwFirst, i);
    EXPECT_EQ(r.fUserValue, stars->GetSizes()[i]);
    const uint32_t g = StarGreyLevel(stars->GetSizes()[i]);
    EXPECT_EQ(r.dwColorFactor, 0xFF000000u | g << 16 | g << 8 | g);
  }
}

TEST_F(WorldTest, NoStarsAtAll)
{
  m_appli->Set("CONTELLATIONS", "CONTELLATIONS_ENABLE", "1");
  m_appli->Set("CONTELLATIONS", "STARS_NB_MAX", "0");
  ASSERT_EQ(LoadWorld(), ZP_OK);
  EXPECT_EQ(m_world->GetConstellations()->GetCount(), 0u);
  Journal().draws.clear();
  m_world->GetConstellations()->Draw();
  EXPECT_TRUE(Journal().draws.empty());
}

TEST(SceneImages, CaseInsensitivePrefixOfTheEntryName)
{
  ASSERT_NE(FindBuiltInImage("EarthDay.png"), nullptr);
  EXPECT_STREQ(FindBuiltInImage("EarthDay.png")->name, "earthday.png");
  EXPECT_STREQ(FindBuiltInImage("SUN2.PNG")->name, "sun2.png");
  EXPECT_EQ(FindBuiltInImage("EarthDay.tga"), nullptr);
  EXPECT_EQ(FindBuiltInImage("Sun.tga"), nullptr);
  EXPECT_EQ(FindBuiltInImage("Font.tga"), nullptr);
  EXPECT_EQ(FindBuiltInImage("earth"), nullptr);
  EXPECT_EQ(FindBuiltInImage(nullptr), nullptr);
}

// The -fps line: the frames of each second that passed and the processor time spent in
// it; nothing before the first second, no load when the system cannot tell.
TEST(FrameRateLine, CountsEachSecondsFramesAndProcessorTime)
{
  CFrameRateLine line;
  const int64_t S = 1000000000LL;
  EXPECT_FALSE(line.Tick(5 * S, 2 * S));
  for (int i = 1; i < 30; ++i)
    EXPECT_FALSE(line.Tick(5 * S + i * S / 30, 2 * S));
  EXPECT_TRUE(line.Tick(6 * S, 2 * S + S / 4));
  EXPECT_STREQ(line.Text(), "FPS: 30.0  Load: 25.0%");
  EXPECT_TRUE(line.Tick(8 * S, -1));
  EXPECT_STREQ(line.Text(), "FPS: 0.5");
}
