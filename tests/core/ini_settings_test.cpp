#include "sdk/core/ini_settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace
{
// A small text in the layout of the built-in ones: separator lines, underlined section
// names, CR LF line ends, TABs, duplicate keys and trailing comments.
const char kText[] = "////////////////////////////////////////\r\n"
                     "[WORLD]\r\n"
                     "-------\r\n"
                     "ASK_ME_ON_START = 1\r\n"
                     "FULLSCREEN      = 0\r\n"
                     "WIDTH           = 800\r\n"
                     "WIDTH           = 320\r\n"
                     "WIDTH           = 1024\r\n"
                     "TITLE           = Planet  view   \r\n"
                     "// HIDDEN = 5\r\n"
                     ";HIDDEN2 = 6\r\n"
                     "  // SPACED = 7\r\n"
                     "\r\n"
                     "[LIGHT]\r\n"
                     "-------\r\n"
                     "LIGHT_1_TYPE        = 1 // 0=DIRECTIONAL, 1=POINT\r\n"
                     "LIGHT_1_AMBIENT     = 0.03\r\n"
                     "LIGHT_1_AMBIENT     = 0.02 // black\r\n"
                     "BIG_BYTE = 300\r\n"
                     "BIG_SHORT = 70000\r\n"
                     "NEG = -5\r\n"
                     "WORD = abc\r\n"
                     "ZERO = 0\r\n"
                     "EMPTY =\r\n"
                     "[FOG]\r\n"
                     "FOG_END\t\t= 2000.0\r\n"
                     "FOG_ENABLE\t= 0\r\n"
                     "ONLY_LATER = 42\r\n"
                     "W I D E = 9\r\n"
                     "[ fog ]\r\n"
                     "LOWER = 1\r\n"
                     "[ S P A C E D ]\r\n"
                     "IN_SPACED = 3\r\n"
                     "LAST = 77"; // last line without LF

CIniSettings Store() { return CIniSettings(kText, static_cast<uint32_t>(std::strlen(kText))); }
} // namespace

TEST(IniSettings, FirstOccurrenceWins)
{
  CIniSettings ini = Store();
  EXPECT_EQ(ini.GetShort("WORLD", "WIDTH", 1), 800);
  EXPECT_EQ(ini.GetInt("WORLD", "FULLSCREEN", 7), 0);
  EXPECT_FLOAT_EQ(ini.GetFloat("LIGHT", "LIGHT_1_AMBIENT", 9.0f), 0.03f);
}

TEST(IniSettings, KeySearchRunsPastLaterHeadersButNotBackwards)
{
  CIniSettings ini = Store();
  // Only in FOG, asked for in WORLD: found, since the search does not stop at headers.
  EXPECT_EQ(ini.GetInt("WORLD", "ONLY_LATER", -1), 42);
  // Only in WORLD, asked for in FOG: not found.
  EXPECT_EQ(ini.GetShort("FOG", "WIDTH", 5), 5);
  EXPECT_EQ(ini.GetInt("NO_SUCH_SECTION", "WIDTH", 13), 13);
  EXPECT_EQ(ini.GetInt("WORLD", "NO_SUCH_KEY", 13), 13);
}

TEST(IniSettings, ValueRunsToLineEndWithComment)
{
  CIniSettings ini = Store();
  EXPECT_EQ(ini.GetInt("LIGHT", "LIGHT_1_TYPE", 9), 1);
  char sz[256];
  ASSERT_EQ(ini.GetString("LIGHT", "LIGHT_1_TYPE", "x", sz, sizeof(sz)), ZP_OK);
  EXPECT_STREQ(sz, "1 // 0=DIRECTIONAL, 1=POINT");
  // No CR in the value; inner and trailing blanks stay.
  ASSERT_EQ(ini.GetString("WORLD", "TITLE", "x", sz, sizeof(sz)), ZP_OK);
  EXPECT_STREQ(sz, "Planet  view   ");
  ASSERT_EQ(ini.GetString("LIGHT", "EMPTY", "x", sz, sizeof(sz)), ZP_OK);
  EXPECT_STREQ(sz, "");
  ASSERT_EQ(ini.GetString("SPACED", "LAST", "x", sz, sizeof(sz)), ZP_OK);
  EXPECT_STREQ(sz, "77");
}

TEST(IniSettings, BlanksAndTabs)
{
  CIniSettings ini = Store();
  EXPECT_DOUBLE_EQ(ini.GetDouble("FOG", "FOG_END", 1.0), 2000.0);
  EXPECT_FALSE(ini.GetBool("FOG", "FOG_ENABLE", true));
  // Blanks between the letters of a key are skipped.
  EXPECT_EQ(ini.GetInt("FOG", "WIDE", 0), 9);
  // Blanks inside the brackets, and between the name's letters, are skipped too.
  EXPECT_EQ(ini.GetInt("SPACED", "IN_SPACED", 0), 3);
}

TEST(IniSettings, CommentLinesNeverMatch)
{
  CIniSettings ini = Store();
  EXPECT_EQ(ini.GetInt("WORLD", "HIDDEN", -1), -1);
  EXPECT_EQ(ini.GetInt("WORLD", "HIDDEN2", -1), -1);
  EXPECT_EQ(ini.GetInt("WORLD", "SPACED", -1), -1);
}

TEST(IniSettings, SectionNamesAreCaseSensitive)
{
  CIniSettings ini = Store();
  // "[ fog ]" is not FOG, and "[FOG]" is not fog: LOWER is only reachable through "fog".
  EXPECT_EQ(ini.GetInt("fog", "LOWER", -1), 1);
  EXPECT_EQ(ini.GetInt("FOG", "LOWER", -1), 1); // found past the header, from [FOG]
  EXPECT_EQ(ini.GetInt("Fog", "LOWER", -1), -1);
  EXPECT_EQ(ini.GetInt("WORLD", "width", -1), -1);
}

TEST(IniSettings, HeaderMatching)
{
  auto get = [](const char* pszText, const char* pszSection)
  {
    CIniSettings ini(pszText, static_cast<uint32_t>(std::strlen(pszText)));
    return ini.GetInt(pszSection, "K", -1);
  };
  EXPECT_EQ(get("[WORLD]\nK=1\n", "WORLD"), 1);
  EXPECT_EQ(get("  [ WO RLD ]  \nK=1\n", "WORLD"), 1);
  EXPECT_EQ(get("[[WORLD]\nK=1\n", "WORLD"), 1);  // a further "[" changes nothing
  EXPECT_EQ(get("[WORLDS]\nK=1\n", "WORLD"), -1); // extra letter
  EXPECT_EQ(get("[WORL]\nK=1\n", "WORLD"), -1);   // missing letter
  EXPECT_EQ(get("x[WORLD]\nK=1\n", "WORLD"), -1); // other byte before the bracket
  EXPECT_EQ(get("WORLD]\nK=1\n", "WORLD"), -1);   // never opened
  EXPECT_EQ(get("[WORLD\nK=1\n", "WORLD"), -1);   // never closed
  EXPECT_EQ(get("[WORLD]\r\nK=1\r\n", "WORLD"), 1);
  EXPECT_EQ(get("[WORLD]\nK=1\n", ""), -1); // empty section name
  EXPECT_EQ(get("[A]\nK=1\n", "A"), 1);     // shortest header
}

TEST(IniSettings, KeyMatching)
{
  auto get = [](const char* pszText, const char* pszKey)
  {
    CIniSettings ini(pszText, static_cast<uint32_t>(std::strlen(pszText)));
    return ini.GetInt("S", pszKey, -1);
  };
  EXPECT_EQ(get("[S]\nKEY=1\n", "KEY"), 1);
  EXPECT_EQ(get("[S]\nKEYS=1\nKEY=2\n", "KEY"), 2); // longer name skipped
  EXPECT_EQ(get("[S]\nKE=1\nKEY=2\n", "KEY"), 2);   // shorter name skipped
  EXPECT_EQ(get("[S]\nKEY\nKEY=3\n", "KEY"), 3);    // no "=" rejected
  EXPECT_EQ(get("[S]\nKEY/=1\nKEY=4\n", "KEY"), 4); // "/" inside the name rejects
  EXPECT_EQ(get("[S]\nKEY=1\n", ""), -1);           // empty key
  EXPECT_EQ(get("[S]\n=1\n", ""), -1);
  EXPECT_EQ(get("[S]\nKEY = 5 = 6\n", "KEY"), 5); // first "=" ends the name
  EXPECT_EQ(get("KEY=0\n[S]\n", "KEY"), -1);      // before the header only
  EXPECT_EQ(get("[S]\nK=8", "K"), 8);             // last line without LF
}

TEST(IniSettings, Conversions)
{
  CIniSettings ini = Store();
  EXPECT_EQ(ini.GetByte("LIGHT", "BIG_BYTE", 1), 44);
  EXPECT_EQ(ini.GetShort("LIGHT", "BIG_SHORT", 1), 4464);
  EXPECT_EQ(ini.GetInt("LIGHT", "NEG", 0), -5);
  EXPECT_EQ(ini.GetByte("LIGHT", "NEG", 0), 251);
  // Present but not a number: 0, never the default.
  EXPECT_EQ(ini.GetInt("LIGHT", "WORD", 77), 0);
  EXPECT_FALSE(ini.GetBool("LIGHT", "WORD", true));
  EXPECT_EQ(ini.GetFloat("LIGHT", "WORD", 3.0f), 0.0f);
  EXPECT_TRUE(ini.GetBool("WORLD", "ASK_ME_ON_START", false));
  EXPECT_FALSE(ini.GetBool("LIGHT", "ZERO", true));
  EXPECT_TRUE(ini.GetBool("LIGHT", "NEG", false));
  // Out of the 32-bit range the long conversion saturates as a 32-bit long does.
  const char kBig[] = "[S]\nK=99999999999\n";
  CIniSettings big(kBig, sizeof(kBig) - 1);
  EXPECT_EQ(big.GetInt("S", "K", 0), 2147483647);
}

TEST(IniSettings, NonFiniteFloatsGiveTheDefaultAndOneLogLine)
{
  // Numbers too large for the type become infinities ("nan" itself converts to NaN on
  // Linux, to 0 with the Windows runtime).
  const char kText[] = "[S]\nBIG = 1e39\nINF = -1e999\nFINE = 2.5\n";
  CIniSettings ini(kText, sizeof(kText) - 1);
  const std::string log = ::testing::TempDir() + "ini_non_finite.log";
  std::remove(log.c_str());
  ini.SetLogPath(log.c_str());
  EXPECT_EQ(ini.GetFloat("S", "BIG", 3.0f), 3.0f);
  EXPECT_EQ(ini.GetFloat("S", "BIG", 3.0f), 3.0f); // asked again: no second line
  EXPECT_EQ(ini.GetDouble("S", "BIG", 3.0), 1e39); // a double holds it
  EXPECT_EQ(ini.GetDouble("S", "INF", 4.0), 4.0);
  EXPECT_EQ(ini.GetFloat("S", "FINE", 0.0f), 2.5f);
  std::ifstream in(log);
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(in, line))
    lines.push_back(line.substr(0, line.find('\r')));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "# CIniSettings::GetFloat failed! (\"S/BIG\" = 1e+39 is not a finite number, 3 used)");
}

TEST(IniSettings, StringBuffersAndPrefix)
{
  CIniSettings ini = Store();
  char sz[8];
  ASSERT_EQ(ini.GetString("LIGHT", "LIGHT_1_TYPE", "x", sz, sizeof(sz)), ZP_OK);
  EXPECT_STREQ(sz, "1 // 0="); // cut to size - 1
  char szLong[64];
  ASSERT_EQ(ini.GetStringWithPrefix("FOG", "FOG_END", "d", szLong, sizeof(szLong), "./data/"), ZP_OK);
  EXPECT_STREQ(szLong, "./data/2000.0");
  ASSERT_EQ(ini.GetStringWithPrefix("FOG", "FOG_END", "d", szLong, sizeof(szLong), nullptr), ZP_OK);
  EXPECT_STREQ(szLong, "2000.0");
  ASSERT_EQ(ini.GetStringWithPrefix("FOG", "FOG_END", "d", sz, sizeof(sz), "ABCDEFGHIJ"), ZP_OK);
  EXPECT_STREQ(sz, "ABCDEFG");
  // Absent: failure, the buffer holds prefix and default.
  EXPECT_EQ(ini.GetString("FOG", "NOPE", "dflt", szLong, sizeof(szLong)), ZP_FAIL);
  EXPECT_STREQ(szLong, "dflt");
  EXPECT_EQ(ini.GetStringWithPrefix("NOPE", "NOPE", "dflt", szLong, sizeof(szLong), "p/"), ZP_FAIL);
  EXPECT_STREQ(szLong, "p/dflt");
  EXPECT_EQ(ini.GetString("FOG", "FOG_END", "x", nullptr, 10), ZP_FAIL);
}

TEST(IniSettings, IsReadOnly)
{
  CIniSettings ini = Store();
  EXPECT_EQ(ini.SetInt("WORLD", "WIDTH", 5), ZP_FAIL);
  EXPECT_EQ(ini.SetString("WORLD", "TITLE", "x"), ZP_FAIL);
  EXPECT_EQ(ini.SetBool("WORLD", "FULLSCREEN", true), ZP_FAIL);
  EXPECT_EQ(ini.SetDouble("FOG", "FOG_END", 1.0), ZP_FAIL);
  EXPECT_EQ(ini.GetShort("WORLD", "WIDTH", 1), 800);
}

TEST(IniSettings, BaseStoreAnswersDefaults)
{
  CSettingsStore base;
  char sz[16] = "keep";
  EXPECT_TRUE(base.GetBool("A", "B", true));
  EXPECT_EQ(base.GetByte("A", "B", 7), 7);
  EXPECT_EQ(base.GetShort("A", "B", 700), 700);
  EXPECT_EQ(base.GetInt("A", "B", -7), -7);
  EXPECT_EQ(base.GetFloat("A", "B", 1.5f), 1.5f);
  EXPECT_EQ(base.GetDouble("A", "B", 2.5), 2.5);
  EXPECT_EQ(base.GetString("A", "B", "d", sz, sizeof(sz)), ZP_FAIL);
  EXPECT_EQ(base.GetStringWithPrefix("A", "B", "d", sz, sizeof(sz), "p"), ZP_FAIL);
  EXPECT_STREQ(sz, "keep");
  EXPECT_EQ(base.SetInt("A", "B", 1), ZP_FAIL);
  EXPECT_EQ(base.SetString("A", "B", "x"), ZP_FAIL);
}

TEST(IniSettings, LongLinesAreReadSafely)
{
  // A 600-byte value on one line: matched as one line, cut to the caller's buffer.
  std::string text = "[S]\nLONG = " + std::string(600, '7') + "\nAFTER = 5\n";
  CIniSettings ini(text.data(), static_cast<uint32_t>(text.size()));
  char sz[256];
  ASSERT_EQ(ini.GetString("S", "LONG", "", sz, sizeof(sz)), ZP_OK);
  EXPECT_EQ(std::strlen(sz), 255u);
  EXPECT_EQ(ini.GetInt("S", "AFTER", 0), 5);
  EXPECT_EQ(ini.GetInt("S", "LONG", 0), 2147483647);
  // A long line's tail never passes for a key line of its own.
  std::string tricky = "[S]\nX = " + std::string(300, 'a') + "KEY = 3\nKEY = 4\n";
  CIniSettings ini2(tricky.data(), static_cast<uint32_t>(tricky.size()));
  EXPECT_EQ(ini2.GetInt("S", "KEY", 0), 4);
}

TEST(IniSettings, NulBytesEndValuesButNotTheText)
{
  // A NUL ends a value; inside a header or a key name it is a byte like any other, so
  // such lines do not match, and the search goes on past them.
  const char kNul[] = "[S]\nA = 12\0 34\nB\0=7\nB=8\n[T\0]\nC=1\n[T]\nC=2\n";
  CIniSettings ini(kNul, sizeof(kNul) - 1);
  char sz[16];
  ASSERT_EQ(ini.GetString("S", "A", "x", sz, sizeof(sz)), ZP_OK);
  EXPECT_STREQ(sz, "12");
  EXPECT_EQ(ini.GetInt("S", "A", 0), 12);
  EXPECT_EQ(ini.GetInt("S", "B", 0), 8);
  EXPECT_EQ(ini.GetInt("T", "C", 0), 2);
}

TEST(IniSettings, LengthBoundsTheText)
{
  // The store reads only uLength bytes: a value ends at the text's end.
  const char kText2[] = "[S]\nK=12345\n";
  CIniSettings ini(kText2, 9); // "[S]\nK=123"
  EXPECT_EQ(ini.GetInt("S", "K", 0), 123);
  CIniSettings none(nullptr, 10);
  EXPECT_EQ(none.GetInt("S", "K", 6), 6);
}

TEST(IniSettings, RandomTextsNeverCrash)
{
  // Random bytes from a small alphabet that hits every rule; run under the sanitizers.
  std::mt19937 rng(12345);
  const char kAlphabet[] = "[]=/; \t\r\n\0ABK1-.";
  for (int n = 0; n < 3000; ++n)
  {
    std::string text(rng() % 400, ' ');
    for (char& c : text)
      c = kAlphabet[rng() % (sizeof(kAlphabet) - 1)];
    CIniSettings ini(text.data(), static_cast<uint32_t>(text.size()));
    char sz[16];
    ini.GetInt("A", "B", 0);
    ini.GetDouble("AB", "K", 0);
    ini.GetStringWithPrefix("A", "K", "dd", sz, sizeof(sz), "pp");
    ASSERT_LT(std::strlen(sz), sizeof(sz));
  }
}
