// Platform choice logic without a display: matching, validation, saving and the
// dialog model's filling and reading back.

#include "app/platform_select.h"

#include "sdk/core/settings_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{

ZRESULT DescribeStub(SPlatformDesc*) { return ZP_OK; }

// The choice start-up fills from the built-in engine text.
PlatformChoice BuiltInChoice(SPlatformModule* pTable)
{
  PlatformChoice c = {};
  c.bAsk = 1;
  c.wWidth = 800;
  c.wHeight = 600;
  c.byColorDepth = 32;
  c.wPlatformIndex = 2;
  c.wModeIndex = 7;
  c.wDepthIndex = 1;
  c.pPlatformTable = pTable;
  return c;
}

SPlatformDesc Desc(const char* szName, uint32_t dwFlags)
{
  SPlatformDesc d;
  memset(&d, 0, sizeof(d));
  strcpy(d.szBuild, "Mar  4 2008 23:04:54");
  strncpy(d.szName, szName, sizeof(d.szName) - 1);
  d.wMajor = 1;
  d.dwFlags = dwFlags;
  return d;
}

class PlatformSelectTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    memset(m_table, 0, sizeof(m_table));
    for (int i : { 1, 2, 4 }) // DirectX 8.1, OpenGL 1.2, the software renderer
      m_table[i].pfnDescribe = DescribeStub;
  }
  SPlatformModule m_table[PLATFORM_COUNT];
};

TEST(DisplayModes, TablesHoldTheElevenModesAndTwoDepths)
{
  EXPECT_EQ(g_DisplayModes[0].wWidth, 200);
  EXPECT_STREQ(g_DisplayModes[3].szLabel, "480 x 272");
  EXPECT_EQ(g_DisplayModes[7].wWidth, 800);
  EXPECT_EQ(g_DisplayModes[7].wHeight, 600);
  EXPECT_STREQ(g_DisplayModes[10].szLabel, "1600 x 1200");
  EXPECT_EQ(g_ColorDepths[0].byBits, 16);
  EXPECT_STREQ(g_ColorDepths[1].szLabel, "32 bits");
}

TEST(MatchDisplayModeTest, KnownSizeAndDepthSetTheIndexes)
{
  PlatformChoice c = {};
  c.wWidth = 320;
  c.wHeight = 480;
  c.byColorDepth = 16;
  c.wModeIndex = 7;
  c.wDepthIndex = 1;
  EXPECT_EQ(MatchDisplayMode(&c), ZP_OK);
  EXPECT_EQ(c.wModeIndex, 2);
  EXPECT_EQ(c.wDepthIndex, 0);
}

TEST(MatchDisplayModeTest, UnknownSizeOrDepthKeepsTheIndexes)
{
  PlatformChoice c = {};
  c.wWidth = 1152;
  c.wHeight = 864;
  c.byColorDepth = 24;
  c.wModeIndex = 7;
  c.wDepthIndex = 1;
  EXPECT_EQ(MatchDisplayMode(&c), ZP_OK);
  EXPECT_EQ(c.wModeIndex, 7);
  EXPECT_EQ(c.wDepthIndex, 1);
  // Width alone is not enough.
  c.wWidth = 320;
  c.wHeight = 201;
  MatchDisplayMode(&c);
  EXPECT_EQ(c.wModeIndex, 7);
}

TEST(ValidPlatformTest, MapsTheTableIndexToTheDescriptorIndex)
{
  SPlatformDesc descs[2] = { Desc("OpenGL 1.2", PLATFORM_OPENGL12),
                             Desc("Zephyro3D zp3D", PLATFORM_SOFTWARE) };
  PlatformChoice c = {};
  c.wPlatformIndex = 4;
  EXPECT_EQ(ValidPlatform(&c, descs, 2), ZP_OK);
  EXPECT_EQ(c.wPlatformIndex, 1);

  c.wPlatformIndex = 1; // DirectX 8.1 gave no descriptor
  EXPECT_EQ(ValidPlatform(&c, descs, 2), ZP_FAIL);
  EXPECT_EQ(c.wPlatformIndex, 1);
  c.wPlatformIndex = PLATFORM_INDEX_NONE;
  EXPECT_EQ(ValidPlatform(&c, descs, 2), ZP_FAIL);
  c.wPlatformIndex = 2;
  EXPECT_EQ(ValidPlatform(&c, descs, 0), ZP_FAIL);
  EXPECT_EQ(ValidPlatform(&c, descs, 1), ZP_OK);
  EXPECT_EQ(c.wPlatformIndex, 0);
}

TEST(ValidPlatformTest, NamesCompareWholeAndExactly)
{
  SPlatformDesc descs[2] = { Desc("OpenGL 1.2x", 0), Desc("opengl 1.2", 0) };
  PlatformChoice c = {};
  c.wPlatformIndex = 2;
  EXPECT_EQ(ValidPlatform(&c, descs, 2), ZP_FAIL);
  // A name field filled to the last byte without a terminator matches nothing.
  memset(descs[0].szName, 'A', sizeof(descs[0].szName));
  EXPECT_EQ(ValidPlatform(&c, descs, 1), ZP_FAIL);
}

class RecordingStore : public CSettingsStore
{
public:
  std::vector<std::string> calls;
  ZRESULT SetBool(const char* s, const char* k, bool v) override
  {
    calls.push_back(std::string("bool ") + s + "/" + k + "=" + (v ? "1" : "0"));
    return ZP_FAIL; // read-only, as the engine store is
  }
  ZRESULT SetInt(const char* s, const char* k, int32_t v) override
  {
    calls.push_back(std::string("int ") + s + "/" + k + "=" + std::to_string(v));
    return ZP_FAIL;
  }
};

TEST(SavePlatformChoiceTest, WritesSixKeysInOrderAndIgnoresFailures)
{
  PlatformChoice c = {};
  c.bAsk = 0;
  c.wWidth = 1024;
  c.wHeight = 768;
  c.byColorDepth = 16;
  c.bFullscreen = 1;
  c.bDesktop = 0;
  c.wPlatformIndex = 4;
  RecordingStore store;
  EXPECT_EQ(SavePlatformChoice(&c, &store), ZP_OK);
  EXPECT_EQ(store.calls,
            (std::vector<std::string>{ "bool WORLD/ASK_ME_ON_START=0", "int WORLD/WIDTH=1024",
                                       "int WORLD/HEIGHT=768", "int WORLD/COLOR_DEPTH=16",
                                       "bool WORLD/FULLSCREEN=1", "bool WORLD/DESKTOP_ENABLE=0" }));
}

// The registry as the store sees it: DWORDs by name.
class DwordStore : public CSettingsStore
{
public:
  std::map<std::string, int32_t> values;
  ZRESULT SetBool(const char* s, const char* k, bool v) override { return SetInt(s, k, v ? 1 : 0); }
  ZRESULT SetInt(const char* s, const char* k, int32_t v) override
  {
    values[std::string(s) + "/" + k] = v;
    return ZP_OK;
  }
  int32_t GetInt(const char* s, const char* k, int32_t d) override
  {
    auto it = values.find(std::string(s) + "/" + k);
    return it == values.end() ? d : it->second;
  }
};

TEST(LoadSavedPlatformChoiceTest, ReadsBackWhatWasSavedAndTellsWhetherAnythingWas)
{
  DwordStore store;
  PlatformChoice c = BuiltInChoice(nullptr);
  // Every run of the screen saver writes FULLSCREEN first: that alone is no saved choice.
  store.SetBool("WORLD", "FULLSCREEN", true);
  EXPECT_FALSE(LoadSavedPlatformChoice(&c, &store));
  EXPECT_EQ(c.wWidth, 800);

  PlatformChoice saved = c;
  saved.bAsk = 0;
  saved.wWidth = 1024;
  saved.wHeight = 768;
  saved.byColorDepth = 16;
  saved.bDesktop = 1;
  saved.bRealTime = 1;
  saved.dwDialogFlags = DLGFLAG_REAL_TIME;
  SavePlatformChoice(&saved, &store);
  EXPECT_TRUE(LoadSavedPlatformChoice(&c, &store));
  EXPECT_EQ(c.bAsk, 0);
  EXPECT_EQ(c.wWidth, 1024);
  EXPECT_EQ(c.wHeight, 768);
  EXPECT_EQ(c.byColorDepth, 16);
  EXPECT_EQ(c.bDesktop, 1);
  EXPECT_EQ(c.bRealTime, 1);
}

TEST_F(PlatformSelectTest, DialogOpensOnTheBuiltInChoice)
{
  CPlatformDialogModel model(BuiltInChoice(m_table));
  ASSERT_EQ(model.PlatformItems().size(), 3u);
  EXPECT_EQ(model.PlatformItems()[0].strName, "DirectX 8.1");
  EXPECT_EQ(model.PlatformItems()[1].strName, "OpenGL 1.2");
  EXPECT_EQ(model.PlatformItems()[2].strName, "Zephyro3D zp3D");
  EXPECT_EQ(model.m_iPlatformSel, 1);
  EXPECT_EQ(CPlatformDialogModel::ModeLabels()[model.m_iModeSel], "800 x 600");
  EXPECT_EQ(CPlatformDialogModel::DepthLabels()[model.m_iDepthSel], "32 bits");
  EXPECT_EQ(model.m_iInputSel, 0);
  EXPECT_EQ(model.m_iAudioSel, 0);
  EXPECT_EQ(CPlatformDialogModel::InputLabels(), std::vector<std::string>{ "-Disable-" });
  EXPECT_FALSE(model.m_bFullscreen);
  EXPECT_FALSE(model.m_bDesktop);
  EXPECT_FALSE(model.m_bDontAsk);
  EXPECT_STREQ(model.OkCaption(), "SAVE AND LAUNCH");
  EXPECT_TRUE(model.PlatformEnabled() && model.ModeEnabled() && model.DepthEnabled() &&
              model.FullscreenEnabled() && model.DesktopEnabled() && model.DontAskEnabled() &&
              model.AudioEnabled() && model.InputEnabled());
  EXPECT_STREQ(CPlatformDialogModel::CAPTION, "Zephyro\xC2\xAE - Select platform :");
}

TEST_F(PlatformSelectTest, OkWithoutChangesGivesTheTableSizeOfTheSelectedMode)
{
  PlatformChoice c = BuiltInChoice(m_table);
  c.wWidth = 1152;
  c.wHeight = 864;
  MatchDisplayMode(&c);
  CPlatformDialogModel model(c);
  EXPECT_EQ(model.m_iModeSel, 7);
  PlatformChoice out = model.Accept();
  EXPECT_EQ(out.wWidth, 800);
  EXPECT_EQ(out.wHeight, 600);
  EXPECT_EQ(out.wModeIndex, 7);
  EXPECT_EQ(out.byColorDepth, 32);
  EXPECT_EQ(out.wPlatformIndex, 2);
  EXPECT_EQ(out.bAsk, 1);
  EXPECT_EQ(out.pPlatformTable, m_table);
}

TEST_F(PlatformSelectTest, EditedControlsReadBack)
{
  CPlatformDialogModel model(BuiltInChoice(m_table));
  model.m_iPlatformSel = 2;
  model.m_iModeSel = 9;
  model.m_iDepthSel = 0;
  model.m_bFullscreen = true;
  model.m_bDesktop = true;
  model.m_bDontAsk = true;
  PlatformChoice out = model.Accept();
  EXPECT_EQ(out.wPlatformIndex, 4);
  EXPECT_EQ(out.wWidth, 1280);
  EXPECT_EQ(out.wHeight, 1024);
  EXPECT_EQ(out.byColorDepth, 16);
  EXPECT_EQ(out.wDepthIndex, 0);
  EXPECT_EQ(out.bFullscreen, 1);
  EXPECT_EQ(out.bDesktop, 1);
  EXPECT_EQ(out.bAsk, 0);

  model.m_iPlatformSel = 0;
  EXPECT_EQ(model.Accept().wPlatformIndex, 1);
}

TEST_F(PlatformSelectTest, UnregisteredPlatformIndexLeavesNoSelection)
{
  PlatformChoice c = BuiltInChoice(m_table);
  c.wPlatformIndex = 0; // DirectX 9.0 is not registered
  CPlatformDialogModel model(c);
  EXPECT_EQ(model.m_iPlatformSel, -1);
  EXPECT_EQ(model.Accept().wPlatformIndex, PLATFORM_INDEX_NONE);
}

TEST_F(PlatformSelectTest, WithoutATableAllSixAreListedAndTheIndexIsDirect)
{
  PlatformChoice c = BuiltInChoice(nullptr);
  c.wPlatformIndex = 5;
  CPlatformDialogModel model(c);
  ASSERT_EQ(model.PlatformItems().size(), 6u);
  EXPECT_EQ(model.PlatformItems()[5].strName, "PSP GU");
  EXPECT_EQ(model.m_iPlatformSel, 5);
  model.m_iPlatformSel = 3;
  EXPECT_EQ(model.Accept().wPlatformIndex, 3);
}

TEST_F(PlatformSelectTest, PlatformWithoutDescriptorCannotBePicked)
{
  SPlatformDesc descs[2] = { Desc("OpenGL 1.2", PLATFORM_OPENGL12),
                             Desc("Zephyro3D zp3D", PLATFORM_SOFTWARE) };
  CPlatformDialogModel model(BuiltInChoice(m_table), descs, 2);
  EXPECT_FALSE(model.PlatformItems()[0].bAvailable);
  EXPECT_TRUE(model.PlatformItems()[1].bAvailable);
  EXPECT_FALSE(model.SelectPlatform(0));
  EXPECT_EQ(model.m_iPlatformSel, 1);
  EXPECT_TRUE(model.SelectPlatform(2));
  EXPECT_EQ(model.Accept().wPlatformIndex, 4);
  EXPECT_FALSE(model.SelectPlatform(3));
}

TEST_F(PlatformSelectTest, ScreenSaverFlagsLeaveModeDepthAndFullscreen)
{
  PlatformChoice c = BuiltInChoice(m_table);
  c.dwDialogFlags = DLGFLAGS_SCREEN_SAVER;
  CPlatformDialogModel model(c);
  EXPECT_FALSE(model.DontAskEnabled());
  EXPECT_FALSE(model.InputEnabled());
  EXPECT_FALSE(model.AudioEnabled());
  EXPECT_FALSE(model.PlatformEnabled());
  EXPECT_FALSE(model.DesktopEnabled());
  EXPECT_TRUE(model.ModeEnabled());
  EXPECT_TRUE(model.DepthEnabled());
  EXPECT_TRUE(model.FullscreenEnabled());
  EXPECT_STREQ(model.OkCaption(), "SAVE AND EXIT");
}

TEST_F(PlatformSelectTest, TheRealTimeChoiceIsOfferedAndSavedOnlyWhereAsked)
{
  PlatformChoice c = BuiltInChoice(m_table);
  c.dwDialogFlags = DLGFLAGS_SCREEN_SAVER;
  EXPECT_FALSE(CPlatformDialogModel(c).RealTimeEnabled());
  RecordingStore plain;
  SavePlatformChoice(&c, &plain);
  EXPECT_EQ(plain.calls.size(), 6u);

  c.dwDialogFlags = DLGFLAGS_SCREEN_SAVER | DLGFLAG_REAL_TIME;
  CPlatformDialogModel model(c);
  EXPECT_TRUE(model.RealTimeEnabled());
  EXPECT_FALSE(model.m_bRealTime);
  model.m_bRealTime = true;
  const PlatformChoice out = model.Accept();
  EXPECT_EQ(out.bRealTime, 1);
  RecordingStore store;
  SavePlatformChoice(&out, &store);
  ASSERT_EQ(store.calls.size(), 7u);
  EXPECT_EQ(store.calls.back(), "bool WORLD/REAL_TIME=1");
}

TEST_F(PlatformSelectTest, ListsWithoutSelectionKeepTheChoicesValues)
{
  PlatformChoice c = BuiltInChoice(m_table);
  c.wModeIndex = 40;
  c.wDepthIndex = 9;
  c.wWidth = 1152;
  c.wHeight = 864;
  c.byColorDepth = 24;
  CPlatformDialogModel model(c);
  EXPECT_EQ(model.m_iModeSel, -1);
  EXPECT_EQ(model.m_iDepthSel, -1);
  PlatformChoice out = model.Accept();
  EXPECT_EQ(out.wWidth, 1152);
  EXPECT_EQ(out.wHeight, 864);
  EXPECT_EQ(out.byColorDepth, 24);
  EXPECT_EQ(out.wModeIndex, 40);
}

} // namespace
