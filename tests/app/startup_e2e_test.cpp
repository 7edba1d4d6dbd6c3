// Start-up, shutdown and the failure paths of the real program, as a user starts it.

#include "tests/app/e2e_fixture.h"

TEST_F(E2E, HelpVersionAndBadOptionsAnswerBeforeAnythingElse)
{
  SRun r = Run("$PLANETO --help", false);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Usage:"), std::string::npos);
  EXPECT_NE(r.out.find("--platform=NAME"), std::string::npos);

  r = Run("$PLANETO --version", false);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Planeto 2.110"), std::string::npos);

  r = Run("$PLANETO --frames=many", false);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("bad frame count"), std::string::npos);
  EXPECT_NE(r.err.find("--help"), std::string::npos);
  EXPECT_TRUE(r.log.empty()) << "no log is started for a bad option";

  r = Run("$PLANETO --nonsense", false);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("unknown option '--nonsense'"), std::string::npos);
}

TEST_F(E2E, OpenGLRunShowsTheEarthAndShutsDownInOrder)
{
  SRun r = Run("$PLANETO" + kSkipDialog + " --seed=7 --step=1 --frames=20 --screenshot=shot.png");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(LogHasInOrder(
      r.log, { "# STARTED...\n", "# RELEASE build\n", "# PARAM_NAME = \"Planeto.Engine.ini\"\n",
               "# PARAM_NAME_EX = \"Planeto.Appli.ini\"\n", "# PARAM_NAME_FONT = \"Planeto.Font.ini\"\n",
               "# DEFAULT_INI_PATH = \".\"\n", "# DEFAULT_DLL_PATH = \".\"\n",
               "# DEFAULT_DATA_PATH = \"Data\"\n", "# \"ZephyroSDK\" (v3,0) build: Mar  4 2008 20:14:05\n",
               "# \"OpenGL 1.2\" (v1,0) build: Mar  4 2008 23:04:54\n",
               "# \"Planeto\" (v2,110) build: Mar  4 2008 23:05:46\n", "# pWorld->Unload\n",
               "# RAM size max = ", "# ENDED.\n" }));
  EXPECT_EQ(r.log.find("failed"), std::string::npos) << r.log;

  SImageRGB img;
  ASSERT_TRUE(ReadPng(m_dir + "/shot.png", &img));
  EXPECT_EQ(img.width, 800u);
  EXPECT_EQ(img.height, 600u);
  // The Earth fills a good part of the view: many bright, blue-dominated pixels (oceans
  // lit by the Sun) against a sky that stays dark.
  size_t blue = 0, dark = 0;
  for (unsigned y = 0; y < img.height; ++y)
    for (unsigned x = 0; x < img.width; ++x)
    {
      const unsigned char* p = img.At(x, y);
      if (p[2] > 60 && p[2] > p[0] + 20)
        ++blue;
      if (p[0] + p[1] + p[2] < 90)
        ++dark;
    }
  size_t total = static_cast<size_t>(img.width) * img.height;
  EXPECT_GT(blue, total / 40) << "no Earth to be seen";
  EXPECT_GT(dark, total / 3) << "the sky is not dark";
}

TEST_F(E2E, SoftwareRunDrawsEdgesOnGreyWithTheFrameRateLine)
{
  SRun r = Run("$PLANETO --platform=software" + kSkipDialog +
               " --seed=7 --step=1 --frames=10 --screenshot=shot.png");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# \"Zephyro3D zp3D\" (v1,0) build: Mar  4 2008 20:14:30\n",
                                     "# pWorld->Unload\n", "# ENDED.\n" }));
  SImageRGB img;
  ASSERT_TRUE(ReadPng(m_dir + "/shot.png", &img));
  size_t grey = 0, other = 0, text = 0;
  for (unsigned y = 0; y < img.height; ++y)
    for (unsigned x = 0; x < img.width; ++x)
    {
      const unsigned char* p = img.At(x, y);
      bool isGrey = p[0] == p[1] && p[1] == p[2] && p[0] > 100 && p[0] < 140;
      (isGrey ? grey : other)++;
      if (y < 24 && x < 320 && p[2] > 200 && p[1] > 200 && p[0] < 80)
        ++text; // the cyan frame-rate line
    }
  EXPECT_GT(grey, other) << "the grey fill is missing";
  EXPECT_GT(other, 2000u) << "no edges were drawn";
  EXPECT_GT(text, 50u) << "no frame-rate line";
}

TEST_F(E2E, EscapeEndsTheRunAndSignalsEndItCleanly)
{
  SRun r = Run("$PLANETO" + kSkipDialog +
               " --platform=software --frames=100000 & pid=$!\n"
               "w=$(timeout 20 xdotool search --sync --name 'ZephyroSDK - ' | head -n1)\n"
               "sleep 0.5; xdotool key --window $w Escape\n"
               "wait $pid; echo status=$?");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" }));

  r = Run("$PLANETO" + kSkipDialog +
          " --platform=software --frames=100000 & pid=$!\n"
          "timeout 20 xdotool search --sync --name 'ZephyroSDK - ' >/dev/null\n"
          "sleep 0.5; kill -TERM $pid; wait $pid; echo status=$?");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" }));
}

TEST_F(E2E, FailedStartsAreLoggedAndEndWithStatusZero)
{
  // DirectX 8.1 is listed but describes nothing here: validation refuses it.
  SRun r = Run("$PLANETO --platform=directx" + kSkipDialog);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(LogHasInOrder(r.log, { "# ValidPlatform failed! (\".\", \"DirectX 8.1\")\n" }));
  EXPECT_EQ(r.log.find("# ENDED."), std::string::npos);

  // Escape in the platform dialog is EXIT.
  r = Run("$PLANETO & pid=$!\n"
          "w=$(timeout 20 xdotool search --sync --name 'Select platform' | head -n1)\n"
          "sleep 0.5; xdotool key --window $w Escape; wait $pid; echo status=$?");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# SelectPlatform failed! (dwCount=2, \".\")\n" }));

  // With no X server the window cannot be made.
  r = Run("DISPLAY=:987 $PLANETO" + kSkipDialog, false);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(LogHasInOrder(r.log, { "# CreateWindow(0x6CF0000, " }));

  // A log that cannot be written does not stop the run, and standard error still
  // receives every line.
  r = Run("mkdir Planeto.log; $PLANETO --platform=software" + kSkipDialog + " --frames=3");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("# ENDED."), std::string::npos);
}

TEST_F(E2E, ScreenSaverRunsConfigureRunAndRefuse)
{
  // Preview and password change are refused at once.
  SRun r = Run("ln -s $PLANETO planeto.scr; ./planeto.scr /p 1234; ./planeto.scr /a");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(LogHasInOrder(r.log, { "# IsScreenSaver enabled with invalid arguments!\n" }));
  EXPECT_EQ(r.log.find("# ENDED."), std::string::npos);

  // Configuration: the dialog always shows, OK saves the choice and ends.
  r = Run("ln -s $PLANETO planeto.scr; ./planeto.scr /c & pid=$!\n"
          "w=$(timeout 20 xdotool search --sync --name 'Select platform' | head -n1)\n"
          "sleep 0.5; xdotool key --window $w Return; wait $pid; echo status=$?");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# ScreenSaver options ended.\n" }));
  std::string reg = ReadFile(m_dir + "/registry.reg");
  EXPECT_NE(reg.find("\"FULLSCREEN\"=dword:00000001"), std::string::npos) << reg;
  EXPECT_NE(reg.find("\"WIDTH\"=dword:00000320"), std::string::npos) << reg;
  EXPECT_NE(reg.find("\"ASK_ME_ON_START\"=dword:00000001"), std::string::npos) << reg;

  // Running: full screen, and any key ends it.
  r = Run("ln -s $PLANETO planeto.scr; ./planeto.scr /s --platform=software" + kSkipDialog +
          " --screenshot=shot.png & pid=$!\n"
          "w=$(timeout 20 xdotool search --sync --name 'ZephyroSDK - ' | head -n1)\n"
          "sleep 1; xdotool key --window $w a; wait $pid; echo status=$?");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" }));
  SImageRGB img;
  ASSERT_TRUE(ReadPng(m_dir + "/shot.png", &img));
  EXPECT_EQ(img.width, 1280u);
  EXPECT_EQ(img.height, 1024u);
}
