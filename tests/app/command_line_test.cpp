#include "app/command_line.h"
#include "app/settings_overrides.h"
#include "sdk/core/ini_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(CommandLine, ScreenSaverModesFollowTheOptionLetter)
{
  EXPECT_EQ(ClassifyCommandLine("planeto"), RUN_APPLICATION);
  EXPECT_EQ(ClassifyCommandLine("planeto /s"), RUN_APPLICATION); // no ".scr": always an application
  EXPECT_EQ(ClassifyCommandLine("planeto.scr"), RUN_SAVER_CONFIG);
  EXPECT_EQ(ClassifyCommandLine("planeto.scr   "), RUN_SAVER_CONFIG);
  EXPECT_EQ(ClassifyCommandLine("planeto.scr /s"), RUN_SAVER);
  EXPECT_EQ(ClassifyCommandLine("planeto.SCR -S"), RUN_SAVER);
  EXPECT_EQ(ClassifyCommandLine("planeto.scr s"), RUN_SAVER);
  EXPECT_EQ(ClassifyCommandLine("planeto.scr /p 1234"), RUN_SAVER_PREVIEW);
  EXPECT_EQ(ClassifyCommandLine("planeto.scr /l:1234"), RUN_SAVER_PREVIEW);
  EXPECT_EQ(ClassifyCommandLine("planeto.scr /c:5678"), RUN_SAVER_CONFIG);
  EXPECT_EQ(ClassifyCommandLine("planeto.scr /a"), RUN_SAVER_PASSWORD);
  EXPECT_EQ(ClassifyCommandLine("planeto.scr /x"), RUN_APPLICATION);
  EXPECT_EQ(ClassifyCommandLine("planeto.Scr /s"), RUN_APPLICATION); // mixed case is not the extension
  // A quoted program name is skipped up to its closing quote, spaces and all.
  EXPECT_EQ(ClassifyCommandLine("\"/opt/my savers/planeto.scr\" /s"), RUN_SAVER);
  EXPECT_EQ(ClassifyCommandLine("\"/opt/my savers/planeto.scr\""), RUN_SAVER_CONFIG);
  // Unquoted, the first space ends the name: what follows is the option.
  EXPECT_EQ(ClassifyCommandLine("/opt/my dir/planeto.scr /s"), RUN_APPLICATION);

  // As Windows starts a screen saver: its path first, short names in upper case.
  const char* preview[] = { "C:\\Program Files\\Planeto\\planeto.scr", "/p", "1234" };
  SOptions o;
  std::string error;
  ASSERT_TRUE(ParseOptions(3, preview, o, error));
  EXPECT_EQ(ClassifyCommandLine(o.commandLine.c_str()), RUN_SAVER_PREVIEW);
  EXPECT_EQ(ClassifyCommandLine("C:\\WINDOWS\\SYSTEM32\\PLANETO.SCR /S"), RUN_SAVER);
  EXPECT_EQ(ClassifyCommandLine("C:\\WINDOWS\\SYSTEM32\\PLANETO.SCR /C:3014"), RUN_SAVER_CONFIG);
}

TEST(CommandLine, OwnOptionsAreTakenOutBeforeClassification)
{
  const char* argv[] = { "planeto.scr",
                         "--platform=software",
                         "/s",
                         "--frames",
                         "12",
                         "--seed=7",
                         "--step=0.5",
                         "--set=engine.WORLD.WIDTH=640",
                         "--screenshot=a.png" };
  SOptions o;
  std::string error;
  ASSERT_TRUE(ParseOptions(9, argv, o, error)) << error;
  EXPECT_EQ(o.commandLine, "planeto.scr /s");
  EXPECT_EQ(ClassifyCommandLine(o.commandLine.c_str()), RUN_SAVER);
  EXPECT_EQ(o.platformIndex, 4);
  EXPECT_EQ(o.frames, 12);
  EXPECT_TRUE(o.hasSeed);
  EXPECT_EQ(o.seed, 7u);
  EXPECT_DOUBLE_EQ(o.step, 0.5);
  ASSERT_EQ(o.overrides.size(), 1u);
  EXPECT_EQ(o.overrides[0].section, "WORLD");
  EXPECT_EQ(o.overrides[0].key, "WIDTH");
  EXPECT_EQ(o.overrides[0].value, "640");
  EXPECT_EQ(o.screenshot, "a.png");

  // A program path with spaces reaches the classification quoted.
  const char* spaced[] = { "/opt/my dir/planeto.scr", "/s" };
  ASSERT_TRUE(ParseOptions(2, spaced, o, error));
  EXPECT_EQ(o.commandLine, "\"/opt/my dir/planeto.scr\" /s");
  EXPECT_EQ(ClassifyCommandLine(o.commandLine.c_str()), RUN_SAVER);

  EXPECT_EQ(PlatformIndexFromName("OpenGL 1.2"), 2);
  EXPECT_EQ(PlatformIndexFromName("zephyro3d ZP3D"), 4);
  EXPECT_EQ(PlatformIndexFromName("directx"), 1);
}

TEST(CommandLine, BadOptionsAreRefusedWithAReason)
{
  std::vector<std::vector<const char*>> bad = {
    { "planeto", "--bogus" },
    { "planeto", "--platform=vulkan" },
    { "planeto", "--frames=0" },
    { "planeto", "--frames=-3" },
    { "planeto", "--frames=12x" },
    { "planeto", "--frames" },
    { "planeto", "--step=0" },
    { "planeto", "--step=nan" },
    { "planeto", "--seed=4294967296" },
    { "planeto", "--set=engine.WORLD" },
    { "planeto", "--set=disk.WORLD.WIDTH=1" },
    { "planeto", "--set=engine.WORLD.WIDTH" },
    { "planeto", "--set=engine.WO RLD.WIDTH=1" },
    { "planeto", "--screenshot=" },
    { "planeto", "--window-id=0x" },
    { "planeto", "--time=yesterday" },
    { "planeto", "--time=2024-02-30T12:00:00Z" },
    { "planeto", "--time=2024-04-08T18:17:20" },
    { "planeto", "--time-rate=fast" },
    { "planeto", "--view=91,0" },
    { "planeto", "--view=10" },
    { "planeto", "--view=10,20,1.0" },
    { "planeto", "--view=10,20,5,6" },
    { "planeto", "--map-day=" },
  };
  // Elsewhere one dash is no option of ours: it goes on to the classification.
  if (XSCREENSAVER_HACK)
  {
    bad.push_back({ "planeto", "-window-id" });
    bad.push_back({ "planeto", "-window-id", "0" });
  }
  for (const auto& args : bad)
  {
    SOptions o;
    std::string error;
    EXPECT_FALSE(ParseOptions(static_cast<int>(args.size()), args.data(), o, error)) << args[1];
    EXPECT_FALSE(error.empty()) << args[1];
  }
  // After "--" everything is passed on, even what looks like an option.
  const char* argv[] = { "planeto", "--", "--frames=3" };
  SOptions o;
  std::string error;
  ASSERT_TRUE(ParseOptions(3, argv, o, error));
  EXPECT_EQ(o.frames, -1);
  EXPECT_EQ(o.commandLine, "planeto --frames=3");
}

TEST(CommandLine, TheEarthNowOptions)
{
  const char* argv[] = { "planeto", "--time=2024-04-08T18:17:20Z", "--time-rate=-60", "--view=25.3,-104.1",
                         "--clock", "--map-day=day.png",           "--map-clouds",    "clouds.png" };
  SOptions o;
  std::string error;
  ASSERT_TRUE(ParseOptions(8, argv, o, error)) << error;
  EXPECT_TRUE(o.hasTime && !o.timeNow && o.clock && o.hasView);
  // 2024-04-08 is MJD 60408; 18:17:20 is 65840 s into it.
  EXPECT_NEAR((o.timeUtc1 - 2400000.5 - 60408.0) * 86400.0 + o.timeUtc2 * 86400.0, 65840.0, 1e-3);
  EXPECT_DOUBLE_EQ(o.timeRate, -60.0);
  EXPECT_DOUBLE_EQ(o.viewLatitude, 25.3);
  EXPECT_DOUBLE_EQ(o.viewLongitude, -104.1);
  EXPECT_DOUBLE_EQ(o.viewDistance, 0.0);
  EXPECT_EQ(o.mapDay, "day.png");
  EXPECT_EQ(o.mapClouds, "clouds.png");
  EXPECT_TRUE(o.mapNight.empty());
  EXPECT_EQ(o.commandLine, "planeto");

  const char* now[] = { "planeto", "--time=now", "--view=0,0,60" };
  ASSERT_TRUE(ParseOptions(3, now, o, error)) << error;
  EXPECT_TRUE(o.hasTime && o.timeNow && !o.clock);
  EXPECT_DOUBLE_EQ(o.viewDistance, 60.0);
}

TEST(CommandLine, SettingsThatNoFloatCanHoldAreRefused)
{
  for (const char* szArg :
       { "--set=appli.CAMERA.SPEED_FACTOR=nan", "--set=appli.SPHERE.SPHERE_RADIUS=-Infinity",
         "--set=appli.SPHERE.SPHERE_RADIUS=1e39 " })
  {
    const char* argv[] = { "planeto", szArg };
    SOptions o;
    std::string error;
    EXPECT_FALSE(ParseOptions(2, argv, o, error)) << szArg;
    EXPECT_NE(error.find("not a finite number"), std::string::npos) << error;
  }
  // Words that only start like one are names, and stay allowed.
  const char* argv[] = { "planeto", "--set=appli.EARTH.EARTH_TEXTURE=information.png",
                         "--set=font.FONT.NB_COL=1e3" };
  SOptions o;
  std::string error;
  EXPECT_TRUE(ParseOptions(3, argv, o, error)) << error;
}

TEST(CommandLine, XscreensaverOptionsNameTheWindowToDrawInto)
{
  if (!XSCREENSAVER_HACK)
    GTEST_SKIP() << "xscreensaver hacks run on X11 only";
  unsigned long id = 0;
  EXPECT_TRUE(ParseWindowId("0x1A00007", id) && id == 0x1A00007ul);
  EXPECT_TRUE(ParseWindowId("4194311", id) && id == 4194311ul);
  for (const char* bad : { "", "0", "0x0", "-5", " 5", "0x1g", "12abc", "010x", "0x100000000" })
    EXPECT_FALSE(ParseWindowId(bad, id)) << bad;

  // One dash as xscreensaver gives them, taken out before the line is classified.
  const char* argv[] = { "planeto", "-root", "-fps", "-window-id", "0x2a", "/s" };
  SOptions o;
  std::string error;
  ASSERT_TRUE(ParseOptions(6, argv, o, error)) << error;
  EXPECT_TRUE(o.hackTarget == HACK_WINDOW && o.windowId == 42ul && o.fps);
  EXPECT_EQ(o.commandLine, "planeto /s");

  // $XSCREENSAVER_WINDOW stands in for the root, never for an explicit window.
  EXPECT_TRUE(ApplyScreenSaverWindow(o, "0x30", error) && o.windowId == 42ul);
  ASSERT_TRUE(ParseOptions(2, argv, o, error));
  EXPECT_TRUE(ApplyScreenSaverWindow(o, "0x30", error) && o.hackTarget == HACK_WINDOW &&
              o.windowId == 0x30ul);
  o = SOptions();
  EXPECT_FALSE(ApplyScreenSaverWindow(o, "junk", error));
  EXPECT_NE(error.find("XSCREENSAVER_WINDOW"), std::string::npos);
}

TEST(CommandLine, HackOptionsAreOfferedOnlyWhereXscreensaverRuns)
{
  SOptions o;
  std::string error;
  const char* argv[] = { "planeto", "--window-id=42" };
  EXPECT_EQ(ParseOptions(2, argv, o, error), XSCREENSAVER_HACK);
  EXPECT_EQ(UsageText("planeto").find("-window-id") != std::string::npos, XSCREENSAVER_HACK);
}

TEST(CommandLine, WindowSystemAndBackgroundOptionsExcludeWhatCannotGoTogether)
{
  if (!LINUX_DESKTOP)
    GTEST_SKIP() << "--x11, --wayland and --background are Linux options";
  SOptions o;
  std::string error;
  const char* ok[] = { "planeto", "--wayland", "--background", "--wayland" };
  ASSERT_TRUE(ParseOptions(4, ok, o, error)) << error;
  EXPECT_EQ(o.windowSystem, WINDOWS_WAYLAND);
  EXPECT_TRUE(o.background);
  EXPECT_EQ(o.commandLine, "planeto");
  // Two systems, or a hack (which draws into an X window it is given) on Wayland or as
  // a background: one line saying which.
  const std::vector<std::vector<const char*>> bad = { { "planeto", "--x11", "--wayland" },
                                                      { "planeto", "-root", "--wayland" },
                                                      { "planeto", "--background", "-window-id", "0x2a" } };
  for (const auto& argv : bad)
  {
    EXPECT_FALSE(ParseOptions(static_cast<int>(argv.size()), argv.data(), o, error)) << argv[1];
    EXPECT_NE(error.find(argv[1] == std::string("--x11") ? "--x11" : "hack"), std::string::npos) << error;
  }
  const char* wayland[] = { "planeto", "--wayland" };
  ASSERT_TRUE(ParseOptions(2, wayland, o, error));
  EXPECT_FALSE(ApplyScreenSaverWindow(o, "0x2a", error));
  EXPECT_NE(error.find("XSCREENSAVER_WINDOW"), std::string::npos) << error;
}

namespace
{

std::string Override(const std::string& text, const std::vector<SSettingOverride>& all)
{
  return ApplySettingOverrides(text.data(), text.size(), all, "engine");
}

} // namespace

TEST(SettingOverrides, ChangeWhatTheLookupFindsAndAddWhatIsMissing)
{
  const std::string text = "//////\r\n[WORLD]\r\n-------\r\nWIDTH   = 800 // first\r\nWIDTH   = 320\r\n"
                           "[LIGHT]\r\n-------\r\nLIGHT_1_TYPE = 1\r\n";
  // The first WIDTH is the one read: it changes, the duplicate and the comment stay.
  std::string out = Override(text, { { "engine", "WORLD", "WIDTH", "1024" } });
  CIniSettings ini(out.data(), static_cast<uint32_t>(out.size()));
  EXPECT_EQ(ini.GetShort("WORLD", "WIDTH", 0), 1024);
  EXPECT_NE(out.find("WIDTH   = 320\r\n"), std::string::npos);

  // A later override wins; other stores' overrides are left alone.
  out = Override(text, { { "engine", "WORLD", "WIDTH", "640" },
                         { "appli", "WORLD", "WIDTH", "1" },
                         { "engine", "WORLD", "WIDTH", "512" } });
  CIniSettings ini2(out.data(), static_cast<uint32_t>(out.size()));
  EXPECT_EQ(ini2.GetShort("WORLD", "WIDTH", 0), 512);

  // A missing key goes into its section, a missing section to the end.
  out = Override(text, { { "engine", "WORLD", "HEIGHT", "480" }, { "engine", "FOG", "FOG_ENABLE", "1" } });
  CIniSettings ini3(out.data(), static_cast<uint32_t>(out.size()));
  EXPECT_EQ(ini3.GetShort("WORLD", "HEIGHT", 0), 480);
  EXPECT_TRUE(ini3.GetBool("FOG", "FOG_ENABLE", false));
  EXPECT_EQ(ini3.GetInt("LIGHT", "LIGHT_1_TYPE", 0), 1);
  EXPECT_EQ(ini3.GetShort("WORLD", "WIDTH", 0), 800);

  // A text whose last line has no line end still gets whole lines.
  out = Override("[WORLD]", { { "engine", "WORLD", "WIDTH", "7" } });
  CIniSettings ini4(out.data(), static_cast<uint32_t>(out.size()));
  EXPECT_EQ(ini4.GetShort("WORLD", "WIDTH", 0), 7);
}

TEST(SettingOverrides, KeysTheBuiltInTextLacksAreNamedWithTheNearestOne)
{
  const std::vector<std::string> warnings =
      SettingOverrideWarnings({ { "appli", "CAMERA", "SPEED_FACTOR", "1" },
                                { "appli", "CAMERA", "SPEED_FACTORR", "1" },
                                { "appli", "CAMREA", "CAMERA_SPEED", "1" },
                                { "engine", "world", "fullscreen", "1" },
                                { "font", "NEW_SECTION", "NEW_KEY", "1" } });
  EXPECT_EQ(warnings, (std::vector<std::string>{
                          "appli.CAMERA.SPEED_FACTORR is not a built-in setting; the nearest is "
                          "appli.CAMERA.SPEED_FACTOR (added as a new key)",
                          "appli.CAMREA.CAMERA_SPEED is not a built-in setting; the nearest is "
                          "appli.CAMERA.CAMERA_SPEED (added as a new key)",
                          "engine.world.fullscreen is not a built-in setting; the nearest is "
                          "engine.WORLD.FULLSCREEN (added as a new key)",
                          "font.NEW_SECTION.NEW_KEY is not a built-in setting (added as a new key)" }));
}
