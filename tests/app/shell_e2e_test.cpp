// The window, the keyboard, the mouse and the timer of the real program, driven with
// real input under its own X server.

#include "tests/app/e2e_fixture.h"

#include <cstdlib>

using e2e::ChangedShare;

TEST_F(E2E, TheWindowCarriesItsTitleAndClassAndEndsOnEscape)
{
  SRun r = Run("$PLANETO --platform=software" + kSkipDialog +
               " & pid=$!\n"
               "w=$(timeout 20 xdotool search --sync --name '^ZephyroSDK' | head -n1)\n"
               "xdotool getwindowname $w; xprop -id $w WM_CLASS; xdotool getwindowgeometry $w\n"
               "sleep 0.5; xdotool key --window $w Escape\n"
               "wait $pid; echo status=$?");
  EXPECT_NE(r.out.find("ZephyroSDK - Zephyro3D zp3D - Planeto (v2,110)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("WM_CLASS(STRING) = \"Planeto\", \"Planeto\""), std::string::npos) << r.out;
  // 800 x 600, centred on the 1280 x 1024 screen.
  EXPECT_NE(r.out.find("Position: 240,212"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Geometry: 800x600"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" }));

  // OpenGL is the platform a plain start picks.
  r = Run("$PLANETO" + kSkipDialog +
          " --frames=100000 & pid=$!\n"
          "w=$(timeout 20 xdotool search --sync --name '^ZephyroSDK' | head -n1)\n"
          "xdotool getwindowname $w; sleep 0.5; xdotool key --window $w Escape; wait $pid");
  EXPECT_NE(r.out.find("ZephyroSDK - OpenGL 1.2 - Planeto (v2,110)\n"), std::string::npos) << r.out;

  // A window larger than the screen is clipped to it and starts at its corner.
  r = Run("$PLANETO --platform=software" + kSkipDialog +
          " --set=engine.WORLD.WIDTH=1600"
          " --set=engine.WORLD.HEIGHT=1200 & pid=$!\n"
          "w=$(timeout 20 xdotool search --sync --name '^ZephyroSDK' | head -n1)\n"
          "xdotool getwindowgeometry $w; sleep 0.5; xdotool key --window $w Escape; wait $pid");
  EXPECT_NE(r.out.find("Position: 0,0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Geometry: 1280x1024"), std::string::npos) << r.out;
}

TEST_F(E2E, ScreenSaverEndsOnADiagonalMoveButNotOnAStraightOne)
{
  SRun r = Run("ln -s $PLANETO planeto.scr; ./planeto.scr /s --platform=software" + kSkipDialog +
               " & pid=$!\n"
               "w=$(timeout 20 xdotool search --sync --name '^ZephyroSDK' | head -n1)\n"
               "sleep 0.5; xdotool mousemove 100 100; sleep 0.3; xdotool mousemove 300 100; sleep 0.5\n"
               "kill -0 $pid && echo after-straight=running\n"
               "xdotool mousemove 400 250; sleep 1\n"
               "kill -0 $pid 2>/dev/null && echo after-diagonal=running\n"
               "wait $pid; echo status=$?");
  EXPECT_NE(r.out.find("after-straight=running"), std::string::npos) << r.out << r.log;
  EXPECT_EQ(r.out.find("after-diagonal=running"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" }));

  // The configuration dialog's EXIT ends the run without saving.
  r = Run("rm -f registry.reg; ln -s $PLANETO planeto.scr; ./planeto.scr /c & pid=$!\n"
          "w=$(timeout 20 xdotool search --sync --name 'Select platform' | head -n1)\n"
          "sleep 0.5; xdotool key --window $w Escape; wait $pid; echo status=$?");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# SelectPlatform failed! (dwCount=2, \".\")\n" }));
  EXPECT_EQ(ReadFile(m_dir + "/registry.reg").find("WIDTH"), std::string::npos);
}

TEST_F(E2E, FrameTimerPacesTheFrames)
{
  // 20 frames at 25 a second cannot end sooner than 0.76 s after the first; left to the
  // idle loop they take a fraction of that.
  SRun r = Run("s=$(date +%s%N); $PLANETO --platform=software" + kSkipDialog +
               " --set=engine.WORLD.FRAME_TIMER=25 --frames=20; e=$(date +%s%N)\n"
               "echo elapsed_ms=$(( (e - s) / 1000000 ))");
  ASSERT_EQ(r.status, 0) << r.err;
  size_t at = r.out.find("elapsed_ms=");
  ASSERT_NE(at, std::string::npos);
  EXPECT_GE(std::atoi(r.out.c_str() + at + 11), 760) << r.out;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" }));
}

TEST_F(E2E, KeypadSlashStopsTheSceneAndStarSetsItGoingAgain)
{
  // Frames a second apart differ while the scene runs, and match once "/" has stopped it.
  SRun r = Run("$PLANETO" + kSkipDialog +
               " --seed=7 --step=3 & pid=$!\n"
               "w=$(timeout 20 xdotool search --sync --onlyvisible --name '^ZephyroSDK' | head -n1)\n"
               "sleep 1; $CAPTURE $w run1.png; sleep 1; $CAPTURE $w run2.png\n"
               "xdotool key --window $w KP_Divide; sleep 0.5\n"
               "$CAPTURE $w stop1.png; sleep 1; $CAPTURE $w stop2.png\n"
               "xdotool key --window $w KP_Multiply; sleep 1; $CAPTURE $w again.png\n"
               "xdotool key --window $w Escape; wait $pid; echo status=$?");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  SImageRGB run1, run2, stop1, stop2, again;
  ASSERT_TRUE(ReadPng(m_dir + "/run1.png", &run1));
  ASSERT_TRUE(ReadPng(m_dir + "/run2.png", &run2));
  ASSERT_TRUE(ReadPng(m_dir + "/stop1.png", &stop1));
  ASSERT_TRUE(ReadPng(m_dir + "/stop2.png", &stop2));
  ASSERT_TRUE(ReadPng(m_dir + "/again.png", &again));
  EXPECT_GT(ChangedShare(run1, run2), 0.01);
  EXPECT_LT(ChangedShare(stop1, stop2), 0.001);
  EXPECT_GT(ChangedShare(stop2, again), 0.01);
}

TEST_F(E2E, ScreenSaverStartsWithTheSavedChoiceWithoutAsking)
{
  // What the settings dialog (/c) saved: 16 bits.  Without it the built-in settings ask.
  SRun r =
      Run("printf 'Windows Registry Editor Version 5.00\\r\\n\\r\\n' > registry.reg\n"
          "printf '[HKEY_LOCAL_MACHINE\\\\SOFTWARE/Zephyro/Planeto/WORLD]\\r\\n' >> registry.reg\n"
          "printf '\"ASK_ME_ON_START\"=dword:00000001\\r\\n\"WIDTH\"=dword:00000320\\r\\n' >> registry.reg\n"
          "printf '\"HEIGHT\"=dword:00000258\\r\\n\"COLOR_DEPTH\"=dword:00000010\\r\\n' >> registry.reg\n"
          "ln -s $PLANETO planeto.scr\n"
          "timeout -s KILL 30 ./planeto.scr /s --platform=software --frames=3; echo status=$?");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# 1280 x 1024 : 16 fullscreen\n", "# ENDED.\n" }));
}
