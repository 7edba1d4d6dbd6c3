// The three built-in settings texts, read through the store the program uses.
#include "data/embedded.h"
#include "sdk/core/ini_settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{

struct SText
{
  const char* pText;
  uint32_t uLength;
};

SText Text(const char* name)
{
  const SEmbeddedFile* f = FindEmbeddedText(name);
  if (!f)
    return { nullptr, 0 };
  return { reinterpret_cast<const char*>(f->data), f->size };
}

const char* const ENGINE = "Planeto.Engine.ini";
const char* const APPLI = "Planeto.Appli.ini";
const char* const FONT = "Planeto.Font.ini";

// The text cut just before the header that follows "[section]": a key found there
// lies in its own section and is not picked up from a later one.
uint32_t SectionEnd(const SText& t, const char* section)
{
  const std::string text(t.pText, t.uLength);
  const size_t at = text.find("\r\n[" + std::string(section) + "]\r\n");
  if (at == std::string::npos)
    return 0;
  const size_t next = text.find("\r\n[", at + 2);
  return next == std::string::npos ? t.uLength : static_cast<uint32_t>(next + 2);
}

enum EKind
{
  BOOL,
  BYTE,
  SHORT,
  INT,
  FLOAT,
  STRING
};

struct SKey
{
  const char* section;
  const char* key;
  EKind kind;
  double number;
  const char* text;
};

// Reads the key with a default that the text must override, from the whole text
// (what the program sees) and from its own section alone.
void ExpectKey(const SText& t, const SKey& k)
{
  SCOPED_TRACE(std::string(k.section) + "/" + k.key);
  const uint32_t uEnd = SectionEnd(t, k.section);
  ASSERT_NE(uEnd, 0u) << "section header missing";
  CIniSettings whole(t.pText, t.uLength);
  CIniSettings own(t.pText, uEnd);
  for (CIniSettings* s : { &whole, &own })
  {
    switch (k.kind)
    {
      case BOOL:
        EXPECT_EQ(s->GetBool(k.section, k.key, true), k.number != 0);
        EXPECT_EQ(s->GetBool(k.section, k.key, false), k.number != 0);
        break;
      case BYTE:
        EXPECT_EQ(s->GetByte(k.section, k.key, 77), static_cast<uint8_t>(k.number));
        EXPECT_EQ(s->GetByte(k.section, k.key, 78), static_cast<uint8_t>(k.number));
        break;
      case SHORT: EXPECT_EQ(s->GetShort(k.section, k.key, 7777), static_cast<uint16_t>(k.number)); break;
      case INT:
        EXPECT_EQ(s->GetInt(k.section, k.key, -7777), static_cast<int32_t>(k.number));
        EXPECT_EQ(s->GetInt(k.section, k.key, -7778), static_cast<int32_t>(k.number));
        break;
      case FLOAT:
        EXPECT_FLOAT_EQ(s->GetFloat(k.section, k.key, -7777.5f), static_cast<float>(k.number));
        EXPECT_FLOAT_EQ(s->GetFloat(k.section, k.key, -7778.5f), static_cast<float>(k.number));
        break;
      case STRING:
      {
        char buf[256] = "";
        EXPECT_EQ(s->GetString(k.section, k.key, "<default>", buf, sizeof buf), ZP_OK);
        EXPECT_STREQ(buf, k.text);
        break;
      }
    }
  }
}

// A colour read as its four keys _A, _R, _G, _B.
void ExpectColour(const SText& t, const char* section, const char* prefix, EKind kind, int a, int r, int g,
                  int b)
{
  const int v[4] = { a, r, g, b };
  const char* suffix[4] = { "_A", "_R", "_G", "_B" };
  for (int i = 0; i < 4; ++i)
  {
    const std::string key = std::string(prefix) + suffix[i];
    ExpectKey(t, { section, key.c_str(), kind, static_cast<double>(v[i]), nullptr });
  }
}

} // namespace

TEST(BuiltInTexts, HaveTheirLengthsCrLfLinesAndShortLines)
{
  const struct
  {
    const char* name;
    uint32_t length;
  } expected[] = { { ENGINE, 3238 }, { APPLI, 5402 }, { FONT, 1497 } };
  for (const auto& e : expected)
  {
    SCOPED_TRACE(e.name);
    const SText t = Text(e.name);
    ASSERT_NE(t.pText, nullptr);
    EXPECT_EQ(t.uLength, e.length);
    ASSERT_GT(t.uLength, 1u);
    EXPECT_EQ(t.pText[t.uLength - 2], '\r');
    EXPECT_EQ(t.pText[t.uLength - 1], '\n');
    uint32_t lineStart = 0;
    for (uint32_t i = 0; i < t.uLength; ++i)
    {
      const char c = t.pText[i];
      ASSERT_NE(c, '\0') << "at " << i;
      if (c == '\r')
      {
        ASSERT_TRUE(i + 1 < t.uLength && t.pText[i + 1] == '\n') << "lone CR at " << i;
      }
      if (c == '\n')
      {
        ASSERT_TRUE(i > 0 && t.pText[i - 1] == '\r') << "LF without CR at " << i;
        EXPECT_LE(i + 1 - lineStart, CIniSettings::LINE_MAX_BYTES) << "line at " << lineStart;
        lineStart = i + 1;
      }
    }
  }
}

TEST(BuiltInTexts, EngineTextDuplicatesCommentsAndTabsReadAsTheProgramExpects)
{
  const SText t = Text(ENGINE);
  ASSERT_NE(t.pText, nullptr);
  CIniSettings s(t.pText, t.uLength);

  // Three display groups in WORLD: only the first is ever read.
  EXPECT_EQ(s.GetShort("WORLD", "WIDTH", 1), 800);
  EXPECT_EQ(s.GetShort("WORLD", "HEIGHT", 1), 600);
  EXPECT_FALSE(s.GetBool("WORLD", "FULLSCREEN", true));
  EXPECT_EQ(s.GetByte("WORLD", "COLOR_DEPTH", 1), 32);
  const std::string text(t.pText, t.uLength);
  const size_t w1 = text.find("WIDTH           = 800\r\n");
  const size_t w2 = text.find("WIDTH           = 320\r\n");
  const size_t w3 = text.find("WIDTH           = 1024\r\n");
  EXPECT_TRUE(w1 != std::string::npos && w1 < w2 && w2 != std::string::npos && w2 < w3 &&
              w3 != std::string::npos && w3 < text.find("[CAMERA]"));
  EXPECT_NE(text.find("FULLSCREEN      = 1\r\n"), std::string::npos);

  // Second LIGHT_1_AMBIENT and LIGHT_2_DIFFUSE lines are never read.
  EXPECT_FLOAT_EQ(s.GetFloat("LIGHT", "LIGHT_1_AMBIENT", 9.f), 0.03f);
  EXPECT_FLOAT_EQ(s.GetFloat("LIGHT", "LIGHT_2_DIFFUSE", 9.f), 0.04f);
  EXPECT_NE(text.find("LIGHT_1_AMBIENT     = 0.02 // black\r\n"), std::string::npos);
  EXPECT_NE(text.find("LIGHT_2_DIFFUSE     = 0.1 // black\r\n"), std::string::npos);

  // The trailing comment is part of the value.
  char buf[256] = "";
  EXPECT_EQ(s.GetString("LIGHT", "LIGHT_1_TYPE", "", buf, sizeof buf), ZP_OK);
  EXPECT_STREQ(buf, "1 // 0=DIRECTIONAL, 1=POINT");
  EXPECT_EQ(s.GetInt("LIGHT", "LIGHT_1_TYPE", 7), 1);
  EXPECT_EQ(s.GetInt("LIGHT", "LIGHT_2_TYPE", 7), 1);
  EXPECT_EQ(s.GetString("GAMMA_CORRECTION", "GAMMA_INITIAL", "", buf, sizeof buf), ZP_OK);
  EXPECT_STREQ(buf, "128 //  [0..255]");
  EXPECT_EQ(s.GetString("STENCIL_SHADOW", "SHADOW_COLOR_FACTOR", "", buf, sizeof buf), ZP_OK);
  EXPECT_STREQ(buf, "30 // 0=dark 255=ligth");

  // TABs before "=" in FOG.
  EXPECT_NE(text.find("\r\nFOG_ENABLE\t= 0\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nFOG_START\t= 1000.0\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nFOG_END\t\t= 2000.0\r\n"), std::string::npos);
  EXPECT_FLOAT_EQ(s.GetFloat("FOG", "FOG_END", 1.f), 2000.f);
  EXPECT_FALSE(s.GetBool("FOG", "FOG_ENABLE", true));

  // The search runs on past later headers, and never back before its own.
  EXPECT_EQ(s.GetInt("WORLD", "GAMMA_INITIAL", 5), 128);
  EXPECT_EQ(s.GetShort("CAMERA", "WIDTH", 5), 5);
}

TEST(BuiltInTexts, ApplicationTextDuplicatesReadAsTheProgramExpects)
{
  const SText t = Text(APPLI);
  ASSERT_NE(t.pText, nullptr);
  CIniSettings s(t.pText, t.uLength);
  const std::string text(t.pText, t.uLength);

  EXPECT_FLOAT_EQ(s.GetFloat("EARTH", "EARTH_AXIAL_TILT", 1.f), 23.45f);
  EXPECT_LT(text.find("EARTH_AXIAL_TILT    = 23.45"), text.find("EARTH_AXIAL_TILT    = 18.0"));
  EXPECT_NE(text.find("EARTH_AXIAL_TILT    = 18.0"), std::string::npos);

  // Two lens-flare colour blocks: the first runs.
  EXPECT_EQ(s.GetByte("LENS_FLARE", "LENS_FLARE_COLOR_R", 1), 255);
  EXPECT_EQ(s.GetByte("LENS_FLARE", "LENS_FLARE_COLOR_G", 1), 200);
  EXPECT_EQ(s.GetByte("LENS_FLARE", "LENS_FLARE_COLOR_B", 1), 50);
  EXPECT_NE(text.find("LENS_FLARE_COLOR_R        = 129"), std::string::npos);
  EXPECT_NE(text.find("LENS_FLARE_COLOR_B        = 112"), std::string::npos);

  // SUN_HALO_COLOR_A stands twice, before the ray colour and with the other halo keys.
  const size_t a1 = text.find("SUN_HALO_COLOR_A");
  const size_t ray = text.find("SUN_RAY_COLOR_A");
  const size_t a2 = text.find("SUN_HALO_COLOR_A", a1 + 1);
  EXPECT_TRUE(a1 < ray && ray < a2 && a2 != std::string::npos);
  EXPECT_LT(a2, text.find("SUN_HALO_COLOR_R"));

  // The comment keeps the masking flares off.
  char buf[256] = "";
  EXPECT_EQ(s.GetString("LENS_FLARE", "LENS_FLARE_MASKING_ENABLE", "", buf, sizeof buf), ZP_OK);
  EXPECT_STREQ(buf, "0 // SUN_MASKING_ENABLE must be 1");
  EXPECT_FALSE(s.GetBool("LENS_FLARE", "LENS_FLARE_MASKING_ENABLE", true));
}

TEST(BuiltInTexts, SectionsStandInOrderWithSeparatorsAndUnderlines)
{
  const struct
  {
    const char* name;
    std::vector<const char*> sections;
  } texts[] = { { ENGINE,
                  { "WORLD", "CAMERA", "LIGHT", "POINT_SPRITE", "TEXT", "FOG", "WIREFRAME",
                    "GAMMA_CORRECTION", "STENCIL_SHADOW" } },
                { APPLI,
                  { "PATH", "CAMERA", "SPHERE", "EARTH", "EARTH_DIFRACTION", "EARTH_ATMOSPHERE", "CLOUDS",
                    "MOON", "MOON_DIFRACTION", "CONTELLATIONS", "SUN", "LENS_FLARE", "SKYBOX" } },
                { FONT, { "FONT" } } };
  const std::string sep(72, '/');
  for (const auto& e : texts)
  {
    const SText t = Text(e.name);
    ASSERT_NE(t.pText, nullptr);
    const std::string text(t.pText, t.uLength);
    size_t at = 0;
    size_t headers = 0;
    for (size_t p = text.find("\r\n["); p != std::string::npos; p = text.find("\r\n[", p + 1))
      ++headers;
    EXPECT_EQ(headers, e.sections.size()) << e.name;
    for (const char* section : e.sections)
    {
      const std::string header = std::string("[") + section + "]";
      const std::string block =
          "\r\n" + sep + "\r\n\r\n" + header + "\r\n" + std::string(header.size(), '-') + "\r\n";
      const size_t p = text.find(block, at);
      EXPECT_NE(p, std::string::npos) << e.name << " " << section;
      if (p != std::string::npos)
        at = p + block.size();
    }
  }
}

TEST(BuiltInTexts, EngineTextGivesEveryEngineSetting)
{
  const SText t = Text(ENGINE);
  ASSERT_NE(t.pText, nullptr);
  const SKey keys[] = {
    { "WORLD", "ASK_ME_ON_START", BOOL, 1, nullptr },
    { "WORLD", "WIDTH", SHORT, 800, nullptr },
    { "WORLD", "HEIGHT", SHORT, 600, nullptr },
    { "WORLD", "COLOR_DEPTH", BYTE, 32, nullptr },
    { "WORLD", "FULLSCREEN", BOOL, 0, nullptr },
    { "WORLD", "DESKTOP_ENABLE", BOOL, 0, nullptr },
    { "WORLD", "FRAME_TIMER", INT, 0, nullptr },
    { "WORLD", "SLEEP_TIMER", INT, 30, nullptr },
    { "FOG", "FOG_ENABLE", BOOL, 0, nullptr },
    { "FOG", "FOG_START", FLOAT, 1000.0, nullptr },
    { "FOG", "FOG_END", FLOAT, 2000.0, nullptr },
    { "FOG", "FOG_DENSITY", FLOAT, 1.0, nullptr },
    { "CAMERA", "VIEW_DEG_FIELD", FLOAT, 45.0, nullptr },
    { "CAMERA", "VIEW_NEAR_DISTANCE", FLOAT, 1.0, nullptr },
    { "CAMERA", "VIEW_FAR_DISTANCE", FLOAT, 50000.0, nullptr },
    { "LIGHT", "LIGHT_1_ENABLE", BOOL, 1, nullptr },
    { "LIGHT", "LIGHT_1_TYPE", INT, 1, nullptr },
    { "LIGHT", "LIGHT_1_POS_X", FLOAT, 5000.0, nullptr },
    { "LIGHT", "LIGHT_1_POS_Y", FLOAT, 0.0, nullptr },
    { "LIGHT", "LIGHT_1_POS_Z", FLOAT, 0.0, nullptr },
    { "LIGHT", "LIGHT_1_DIFFUSE", FLOAT, 2.0, nullptr },
    { "LIGHT", "LIGHT_1_SPECULAR", FLOAT, 0.7, nullptr },
    { "LIGHT", "LIGHT_1_AMBIENT", FLOAT, 0.03, nullptr },
    { "LIGHT", "MATERIAL_1_DIFFUSE", FLOAT, 1.0, nullptr },
    { "LIGHT", "MATERIAL_1_SPECULAR", FLOAT, 1.0, nullptr },
    { "LIGHT", "MATERIAL_1_AMBIENT", FLOAT, 1.0, nullptr },
    { "LIGHT", "LIGHT_2_ENABLE", BOOL, 0, nullptr },
    { "LIGHT", "LIGHT_2_TYPE", INT, 1, nullptr },
    { "LIGHT", "LIGHT_2_POS_X", FLOAT, 0.0, nullptr },
    { "LIGHT", "LIGHT_2_POS_Y", FLOAT, 0.0, nullptr },
    { "LIGHT", "LIGHT_2_POS_Z", FLOAT, 0.0, nullptr },
    { "LIGHT", "LIGHT_2_DIFFUSE", FLOAT, 0.04, nullptr },
    { "LIGHT", "LIGHT_2_SPECULAR", FLOAT, 0.0, nullptr },
    { "LIGHT", "LIGHT_2_AMBIENT", FLOAT, 0.0, nullptr },
    { "LIGHT", "MATERIAL_2_DIFFUSE", FLOAT, 1.0, nullptr },
    { "LIGHT", "MATERIAL_2_SPECULAR", FLOAT, 1.0, nullptr },
    { "LIGHT", "MATERIAL_2_AMBIENT", FLOAT, 1.0, nullptr },
    { "LIGHT", "LIGHTING_ENABLE", BOOL, 1, nullptr },
    { "LIGHT", "SPECULAR_ENABLE", BOOL, 1, nullptr },
    { "LIGHT", "ALPHA_ENABLE", BOOL, 1, nullptr },
    { "WIREFRAME", "RENDER_WIREFRAME_ENABLE", BOOL, 0, nullptr },
    { "TEXT", "TEXT_ENABLE", BOOL, 1, nullptr },
    { "GAMMA_CORRECTION", "GAMMA_INITIAL", INT, 128, nullptr },
    { "GAMMA_CORRECTION", "GAMMA_CORRECT_RED", INT, 0, nullptr },
    { "GAMMA_CORRECTION", "GAMMA_CORRECT_GREEN", INT, 0, nullptr },
    { "GAMMA_CORRECTION", "GAMMA_CORRECT_BLUE", INT, 0, nullptr },
    { "GAMMA_CORRECTION", "GAMMA_CORRECTION_ENABLE", BOOL, 1, nullptr },
    { "POINT_SPRITE", "MIN_SIZE", FLOAT, 0.0, nullptr },
    { "POINT_SPRITE", "MAX_SIZE", FLOAT, 7.0, nullptr },
    { "STENCIL_SHADOW", "STENCIL_SHADOW", BOOL, 1, nullptr },
    { "STENCIL_SHADOW", "SHOW_CONSTRUCT", BOOL, 0, nullptr },
    { "STENCIL_SHADOW", "SHADOW_COLOR_FACTOR", BYTE, 30, nullptr },
  };
  for (const SKey& k : keys)
    ExpectKey(t, k);
  ExpectColour(t, "FOG", "FOG_COLOR", INT, 255, 212, 221, 238);
  ExpectColour(t, "LIGHT", "COLOR_CLEAR", INT, 0, 0, 0, 0);
  ExpectColour(t, "LIGHT", "AMBIENT_COLOR", INT, 0, 0, 0, 0);
  ExpectColour(t, "WIREFRAME", "WIREFRAME_COLOR", INT, 0, 0, 150, 0);
  ExpectColour(t, "TEXT", "COLOR_TEXT", INT, 0, 0, 255, 255);
}

TEST(BuiltInTexts, ApplicationTextGivesEverySceneSetting)
{
  const SText t = Text(APPLI);
  ASSERT_NE(t.pText, nullptr);
  const SKey keys[] = {
    { "PATH", "DATA_PATH", STRING, 0, "Data" },
    { "CAMERA", "SPEED_FACTOR", FLOAT, 0.0006, nullptr },
    { "CAMERA", "CAMERA_SPEED", FLOAT, 1.0, nullptr },
    { "SPHERE", "SPHERE_RADIUS", FLOAT, 200.0, nullptr },
    { "SPHERE", "SPHERE_NB_SEG", INT, 30, nullptr },
    { "EARTH", "EARTH_AXIAL_TILT", FLOAT, 23.45, nullptr },
    { "EARTH", "EARTH_SPHERE_RATIO", FLOAT, 1.0, nullptr },
    { "EARTH", "EARTH_SPEED", FLOAT, -2.5, nullptr },
    { "EARTH", "EARTH_DAY_TEXTURE", STRING, 0, "EarthDay.png" },
    { "EARTH", "EARTH_NIGHT_TEXTURE", STRING, 0, "EarthNight.png" },
    { "EARTH", "EARTH_SHADOW_ENABLE", BOOL, 0, nullptr },
    { "EARTH_DIFRACTION", "EARTH_DIFRACTION_ENABLE", BOOL, 1, nullptr },
    { "EARTH_DIFRACTION", "EARTH_DIFRACTION_RATIO", FLOAT, 1.7, nullptr },
    { "EARTH_DIFRACTION", "EARTH_DIFRACTION_TEXTURE", STRING, 0, "Difraction.png" },
    { "EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_ENABLE", BOOL, 1, nullptr },
    { "EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_SPHERE_RATIO", FLOAT, 1.015, nullptr },
    { "EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_TEXTURE", STRING, 0, "Atmosphere.png" },
    { "CLOUDS", "CLOUDS_SPHERE_RATIO", FLOAT, 1.008, nullptr },
    { "CLOUDS", "CLOUDS_SPEED", FLOAT, -3.5, nullptr },
    { "CLOUDS", "CLOUDS_TEXTURE", STRING, 0, "EarthClouds.png" },
    { "MOON", "MOON_SPHERE_RATIO", FLOAT, 0.2, nullptr },
    { "MOON", "MOON_DIST_FROM_EARTH", FLOAT, 3000.0, nullptr },
    { "MOON", "MOON_SPEED", FLOAT, 1.2, nullptr },
    { "MOON", "MOON_TEXTURE", STRING, 0, "Moon.png" },
    { "MOON", "MOON_SHADOW_ENABLE", BOOL, 0, nullptr },
    { "MOON_DIFRACTION", "MOON_DIFRACTION_ENABLE", BOOL, 0, nullptr },
    { "MOON_DIFRACTION", "MOON_DIFRACTION_RATIO", FLOAT, 0.33, nullptr },
    { "MOON_DIFRACTION", "MOON_DIFRACTION_TEXTURE", STRING, 0, "Difraction.png" },
    { "CONTELLATIONS", "CONTELLATIONS_ENABLE", BOOL, 0, nullptr },
    { "CONTELLATIONS", "READ_FROM_CATALOG", BOOL, 0, nullptr },
    { "CONTELLATIONS", "STARS_NB_MAX", INT, 3000, nullptr },
    { "CONTELLATIONS", "STAR_TEXTURE", STRING, 0, "Shine.png" },
    { "CONTELLATIONS", "CONTELLATIONS_CATALOG", STRING, 0, "Constellations.catalog.txt" },
    { "SUN", "SUN_MASKING_ENABLE", BOOL, 0, nullptr },
    { "SUN", "INTENSITY_ENABLE", BOOL, 0, nullptr },
    { "SUN", "INTENSITY_VIEWPORT_RATIO", FLOAT, 1.0, nullptr },
    { "SUN", "SUN_ROTATION_SPEED", FLOAT, 0.8, nullptr },
    { "SUN", "SUN_MAIN_LENGTH", FLOAT, 200.0, nullptr },
    { "SUN", "SUN_MAIN_LENGTH_RATIO", FLOAT, 1.02, nullptr },
    { "SUN", "SUN_HALO_RATIO", FLOAT, 2.3, nullptr },
    { "SUN", "SUN_RAY_RATIO", FLOAT, 1.5, nullptr },
    { "SUN", "SUN_MASKING_MAIN_TEXTURE_1", STRING, 0, "Sun2.png" },
    { "SUN", "SUN_MASKING_MAIN_TEXTURE_2", STRING, 0, "Sun3.png" },
    { "SUN", "SUN_MASKING_MAIN_TEXTURE_MASK", STRING, 0, "Sun4.png" },
    { "SUN", "SUN_MAIN_TEXTURE_1", STRING, 0, "Sun6.png" },
    { "SUN", "SUN_MAIN_TEXTURE_2", STRING, 0, "Sun7.png" },
    { "SUN", "SUN_HALO_TEXTURE", STRING, 0, "Flare0.png" },
    { "SUN", "SUN_RAY_TEXTURE", STRING, 0, "Sun5.png" },
    { "LENS_FLARE", "LENS_FLARE_ENABLE", BOOL, 0, nullptr },
    { "LENS_FLARE", "LENS_FLARE_MASKING_ENABLE", BOOL, 0, nullptr },
    { "LENS_FLARE", "LENS_FLARE_RANDOM_COLOR", BOOL, 0, nullptr },
    { "LENS_FLARE", "LENS_FLARE_RADIUS_REF", FLOAT, 0.5, nullptr },
    { "SKYBOX", "SKYBOX_ENABLE", BOOL, 1, nullptr },
    { "SKYBOX", "SKYBOX_LENGTH", FLOAT, 10000.0, nullptr },
    { "SKYBOX", "SKYBOX_TEXTURE_REPEAT", FLOAT, 3.0, nullptr },
    { "SKYBOX", "SKYBOX_TEXTURE_CUT_X", FLOAT, 0.012, nullptr },
    { "SKYBOX", "SKYBOX_TEXTURE_CUT_Y", FLOAT, 0.988, nullptr },
  };
  for (const SKey& k : keys)
    ExpectKey(t, k);

  for (const char* face : { "BACK", "FRONT", "RIGHT", "LEFT", "DOWN", "UP" })
  {
    const std::string key = std::string("SKYBOX_TEXTURE_") + face;
    ExpectKey(t, { "SKYBOX", key.c_str(), STRING, 0, "Univer.png" });
  }
  const double ratio[6] = { 1.0, 1.0, 0.7, 1.0, 1.0, 0.7 };
  const double pos[6] = { 1.0, 0.85, 0.60, 0.40, 0.30, 0.12 };
  const char* flare[6] = {
    "Flare3.png", "Flare2.png", "Flare4.png", "Flare1.png", "Flare0.png", "Flare4.png"
  };
  for (int i = 0; i < 6; ++i)
  {
    char key[64];
    std::snprintf(key, sizeof key, "LENS_FLARE_RATIO_%02d", i + 1);
    ExpectKey(t, { "LENS_FLARE", key, FLOAT, ratio[i], nullptr });
    std::snprintf(key, sizeof key, "LENS_FLARE_POS_%02d", i + 1);
    ExpectKey(t, { "LENS_FLARE", key, FLOAT, pos[i], nullptr });
    std::snprintf(key, sizeof key, "LENS_FLARE_TEXTURE_%02d", i + 1);
    ExpectKey(t, { "LENS_FLARE", key, STRING, 0, flare[i] });
  }

  ExpectColour(t, "EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_COLOR", INT, 255, 45, 80, 120);
  ExpectColour(t, "EARTH_DIFRACTION", "EARTH_DIFRACTION_COLOR", INT, 255, 220, 150, 5);
  ExpectColour(t, "SUN", "SUN_HALO_COLOR", BYTE, 255, 255, 180, 50);
  ExpectColour(t, "SUN", "SUN_RAY_COLOR", BYTE, 255, 255, 150, 20);
  ExpectColour(t, "LENS_FLARE", "LENS_FLARE_COLOR", BYTE, 255, 255, 200, 50);
}

TEST(BuiltInTexts, FontTextGivesGridTextureNameAndAsciiCells)
{
  const SText t = Text(FONT);
  ASSERT_NE(t.pText, nullptr);
  ExpectKey(t, { "FONT", "NB_COL", INT, 16, nullptr });
  ExpectKey(t, { "FONT", "NB_ROW", INT, 16, nullptr });
  ExpectKey(t, { "FONT", "FONT_TEXTURE_PATH", STRING, 0, "Font.tga" });

  // Each glyph key gives its character's cell in an ASCII-ordered 16 x 16 grid;
  // POURCENT gives the percent sign's cell (it is stored for code 137).
  struct SGlyph
  {
    int code;
    const char* key;
  };
  std::vector<SGlyph> glyphs = { { 32, "SPACE" },    { 44, "VIRGULE" },      { 46, "POINT" },
                                 { 58, "2POINTS" },  { 59, "POINT_VIRG" },   { 61, "EGAL" },
                                 { 64, "AROBAZ" },   { 91, "CROCHET_OPEN" }, { 93, "CROCHET_CLOSE" },
                                 { 37, "POURCENT" }, { 123, "{" },           { 125, "}" } };
  static char single[128][2];
  for (int c : { 33, 34, 36, 38, 39, 40, 41, 42, 43, 45, 60, 62, 63, 92, 95 })
  {
    single[c][0] = static_cast<char>(c);
    glyphs.push_back({ c, single[c] });
  }
  static char names[2][26][8];
  for (int i = 0; i < 26; ++i)
  {
    std::snprintf(names[0][i], sizeof names[0][i], "MAJ_%c", 'A' + i);
    std::snprintf(names[1][i], sizeof names[1][i], "MIN_%c", 'a' + i);
    glyphs.push_back({ 'A' + i, names[0][i] });
    glyphs.push_back({ 'a' + i, names[1][i] });
  }
  for (int c = '0'; c <= '9'; ++c)
  {
    single[c][0] = static_cast<char>(c);
    glyphs.push_back({ c, single[c] });
  }
  ASSERT_EQ(glyphs.size(), 89u);
  for (const SGlyph& g : glyphs)
  {
    const std::string cell = std::to_string(g.code % 16 + 1) + "." + std::to_string(g.code / 16 + 1);
    ExpectKey(t, { "FONT", g.key, STRING, 0, cell.c_str() });
  }
  ExpectKey(t, { "FONT", "#", STRING, 0, "1.1" });

  // "/" is written like the others but reads as a comment line, so the program
  // never gets its value.
  const std::string text(t.pText, t.uLength);
  EXPECT_NE(text.find("\r\n/ = 16.3\r\n"), std::string::npos);
  CIniSettings s(t.pText, t.uLength);
  char buf[256] = "";
  EXPECT_NE(s.GetString("FONT", "/", "1.1", buf, sizeof buf), ZP_OK);
}
