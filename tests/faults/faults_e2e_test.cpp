// The real program against faults from outside: its X server killed, its window resized,
// unmapped and mapped again in quick succession, signals at awkward moments, a log it
// cannot write and a registry file that is damaged or cannot be replaced.

#include "tests/app/e2e_fixture.h"

#include <string>

namespace
{

const std::string kWaitWindow =
    "w=$(timeout 30 xdotool search --sync --onlyvisible --name '^ZephyroSDK' | head -n1)\n";

// Pixels of the image that are not the colour of its top-left corner.
size_t NonUniform(const SImageRGB& img)
{
  size_t n = 0;
  const unsigned char* c = img.At(0, 0);
  for (unsigned y = 0; y < img.height; ++y)
    for (unsigned x = 0; x < img.width; ++x)
    {
      const unsigned char* p = img.At(x, y);
      n += p[0] != c[0] || p[1] != c[1] || p[2] != c[2];
    }
  return n;
}

// The screenshot is there, of this size, and shows something.
void ExpectShot(const std::string& path, unsigned uWidth, unsigned uHeight, const std::string& err)
{
  SImageRGB img;
  ASSERT_TRUE(ReadPng(path, &img)) << err;
  EXPECT_EQ(img.width, uWidth);
  EXPECT_EQ(img.height, uHeight);
  EXPECT_GT(NonUniform(img), 2000u);
}

} // namespace

class Faults : public E2E, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(Faults, KilledXServerEndsTheRunWithALogLineAndStatusZero)
{
  // A server of the test's own, so that it can be killed under the program.
  SRun r = Run("Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>dpy.txt 2>xvfb.txt & xpid=$!\n"
               "for i in $(seq 200); do [ -s dpy.txt ] && break; sleep 0.05; done\n"
               "export DISPLAY=:$(cat dpy.txt)\n"
               "$PLANETO --platform=" +
                   std::string(GetParam()) + kSkipDialog + " --frames=1000000 & pid=$!\n" + kWaitWindow +
                   "sleep 0.5; kill -KILL $xpid; wait $pid; echo status=$?",
               false);
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  // One whole line, in the log and on standard error.
  const std::string line = "# X server connection lost (";
  size_t at = r.log.find(line);
  ASSERT_NE(at, std::string::npos) << r.log;
  size_t end = r.log.find('\n', at);
  ASSERT_NE(end, std::string::npos);
  EXPECT_EQ(r.log.compare(end - 2, 2, ")."), 0) << r.log.substr(at);
  EXPECT_EQ(r.log.substr(at, end - at).find('#', 1), std::string::npos) << r.log.substr(at);
  EXPECT_NE(r.err.find(line), std::string::npos) << r.err;
}

TEST_P(Faults, ResizedUnmappedAndMappedWindowKeepsDrawing)
{
  // Sizes far from the 800 x 600 the devices were made for, larger than the screen,
  // one pixel wide or high, in quick succession; then unmapped (what minimising comes to
  // without a window manager) and mapped again.
  SRun r =
      Run("$PLANETO --platform=" + std::string(GetParam()) + kSkipDialog +
          " --seed=7 --step=1 --screenshot=shot.png & pid=$!\n" + kWaitWindow +
          "for s in '1 1' '1600 1200' '300 200' '2000 80' '80 2000' '1 600' '800 1' "
          "'1280 1024' '640 480' '2 2' '1024 768'; do\n"
          "  xdotool windowsize $w $s; sleep 0.05\n"
          "done\n"
          "for i in $(seq 30); do xdotool windowsize $w $((i * 37 % 900 + 1)) $((i * 53 % 700 + 1)); done\n"
          "sleep 0.5; kill -0 $pid && echo resized=running\n"
          "xdotool windowminimize $w; xdotool windowunmap $w; sleep 0.5\n"
          "kill -0 $pid && echo unmapped=running\n"
          "xdotool windowmap $w; xdotool windowsize $w 500 400; sleep 1\n"
          "kill -0 $pid && echo mapped=running\n"
          "xdotool key --window $w Escape; wait $pid; echo status=$?");
  EXPECT_NE(r.out.find("resized=running"), std::string::npos) << r.out << r.err;
  EXPECT_NE(r.out.find("unmapped=running"), std::string::npos) << r.out << r.err;
  EXPECT_NE(r.out.find("mapped=running"), std::string::npos) << r.out << r.err;
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" }));
  EXPECT_EQ(r.log.find("detected memory leaks"), std::string::npos) << r.log;
  // The last frame fills the restored window and shows something.
  ExpectShot(m_dir + "/shot.png", 500, 400, r.err);
}

TEST_P(Faults, SignalsDuringStartAndFramesEndTheRunInOrder)
{
  const std::string platform = " --platform=" + std::string(GetParam());
  // As soon as the window exists, while the world may still be loading.
  SRun r = Run("$PLANETO" + platform + kSkipDialog +
               " --frames=1000000 & pid=$!\n"
               "timeout 30 xdotool search --sync --name '^ZephyroSDK' >/dev/null\n"
               "kill -TERM $pid; wait $pid; echo status=$?");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" }));

  // Interrupt and hang-up while frames run, and a second signal during the shutdown.
  for (const char* sig : { "INT", "HUP" })
  {
    r = Run("$PLANETO" + platform + kSkipDialog + " --frames=1000000 & pid=$!\n" + kWaitWindow +
            "sleep 0.5; kill -" + sig + " $pid; kill -TERM $pid 2>/dev/null; wait $pid; echo status=$?");
    EXPECT_NE(r.out.find("status=0"), std::string::npos) << sig << r.out << r.err;
    EXPECT_TRUE(LogHasInOrder(r.log, { "# Stopped by a signal.\n", "# pWorld->Unload\n", "# ENDED.\n" }))
        << sig;
  }
}

TEST_P(Faults, WindowEnlargedPastTheScreenIsStillCaptured)
{
  SRun r = Run("$PLANETO --platform=" + std::string(GetParam()) + kSkipDialog +
               " --set=engine.WORLD.WIDTH=400 --set=engine.WORLD.HEIGHT=300 --seed=7 --step=1"
               " --screenshot=shot.png & pid=$!\n" +
               kWaitWindow +
               "xdotool windowmove $w 0 0 windowsize $w 4000 3000; sleep 1\n"
               "xdotool key --window $w Escape; wait $pid; echo status=$?");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_EQ(r.err.find("X error"), std::string::npos) << r.err;
  // What lies on the 1280 x 1024 screen is saved, and said to be a part.
  EXPECT_NE(r.err.find("holds the 1280 x 1024 pixels of the 4000 x 3000 window"), std::string::npos) << r.err;
  ExpectShot(m_dir + "/shot.png", 1280, 1024, r.err);
}

INSTANTIATE_TEST_SUITE_P(Platforms, Faults, ::testing::Values("opengl", "software"));

TEST_F(E2E, LogThatCannotBeCreatedLeavesTheRunToStandardError)
{
  // The log's name points into a folder that does not exist.
  SRun r = Run("ln -s missing/folder/Planeto.log Planeto.log; $PLANETO --platform=software" + kSkipDialog +
               " --frames=5 --screenshot=shot.png; echo status=$?");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(r.err, { "# STARTED...\n", "# pWorld->Unload\n", "# ENDED.\n" })) << r.err;
  SImageRGB img;
  EXPECT_TRUE(ReadPng(m_dir + "/shot.png", &img));
}

TEST_F(E2E, DamagedRegistryFileDoesNotStopTheScreenSaverNorGetLost)
{
  // Unreadable lines of every kind around a key that reads well, and a key of another
  // program that must survive.
  SRun r = Run(
      "printf 'Windows Registry Editor Version 5.00\\r\\n\\r\\n' > registry.reg\n"
      "printf '[HKEY_LOCAL_MACHINE\\\\SOFTWARE/Other/Program]\\r\\n\"KEEP\"=\"yes\"\\r\\n' >> registry.reg\n"
      "printf '[HKEY_LOCAL_MACHINE\\\\SOFTWARE/Zephyro/Planeto/WORLD\\n' >> registry.reg\n"
      "printf '\"WIDTH\"=dword:1ffffffff\\n\"HEIGHT\"=dword:zz\\n\"DEPTH\"=hex:0g,1\\n' >> registry.reg\n"
      "printf '\"OPEN=\"unterminated\\n\"LIST\"=hex:01,\\\\\\n' >> registry.reg\n"
      "printf 'bin\\000ary\\377\\376\\n[\\n]\\n=\\n\"\"\\n' >> registry.reg\n"
      "head -c 100000 /dev/zero | tr '\\0' 'A' >> registry.reg\n"
      "cp registry.reg original.reg\n"
      "ln -s $PLANETO planeto.scr; ./planeto.scr /s --platform=software" +
      kSkipDialog +
      " --frames=10 --screenshot=shot.png; echo status=$?\n"
      "cmp registry.reg.bad original.reg && echo kept=yes");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" }));
  SImageRGB img;
  EXPECT_TRUE(ReadPng(m_dir + "/shot.png", &img));
  // The damaged bytes are kept whole beside the file, the readable key stays, and the
  // run's choices were written.
  EXPECT_NE(r.out.find("kept=yes"), std::string::npos) << r.out << r.err;
  std::string reg = ReadFile(m_dir + "/registry.reg");
  EXPECT_NE(reg.find("[HKEY_LOCAL_MACHINE\\SOFTWARE/Other/Program]"), std::string::npos) << reg;
  EXPECT_NE(reg.find("\"KEEP\"=\"yes\""), std::string::npos) << reg;
  EXPECT_NE(reg.find("\"FULLSCREEN\"=dword:00000001"), std::string::npos) << reg;
}

TEST_F(E2E, RegistryThatCannotBeWrittenDoesNotStopTheScreenSaver)
{
  // A file the system does not let anyone replace, even root, and a path through a file.
  for (const char* path : { "/proc/version", "afile/registry.reg" })
  {
    SRun r = Run(std::string("echo x > afile; export PLANETO_REGISTRY=") + path +
                 "\nln -s $PLANETO planeto.scr; ./planeto.scr /s --platform=software" + kSkipDialog +
                 " --frames=10 --screenshot=shot.png; echo status=$?");
    EXPECT_NE(r.out.find("status=0"), std::string::npos) << path << r.out << r.err;
    EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" })) << path;
    SImageRGB img;
    EXPECT_TRUE(ReadPng(m_dir + "/shot.png", &img)) << path;
    EXPECT_EQ(ReadFile(m_dir + "/afile"), "x\n");
  }
}

TEST_F(E2E, SignalsDuringTheStartDialogEndTheRunAtOnce)
{
  for (const char* sig : { "TERM", "INT" })
  {
    SRun r =
        Run(std::string("$PLANETO --platform=software & pid=$!\n"
                        "timeout 30 xdotool search --sync --onlyvisible --name 'Select platform' >/dev/null\n"
                        "kill -") +
            sig +
            " $pid; for i in $(seq 30); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done\n"
            "kill -0 $pid 2>/dev/null && echo still=running && kill -KILL $pid\n"
            "wait $pid; echo status=$?");
    EXPECT_EQ(r.out.find("still=running"), std::string::npos) << sig;
    EXPECT_NE(r.out.find("status=0"), std::string::npos) << sig << r.out << r.err;
    EXPECT_TRUE(LogHasInOrder(r.log, { "# Stopped by a signal.\n", "# ENDED.\n" })) << sig;
    EXPECT_EQ(r.log.find("SelectPlatform failed"), std::string::npos) << sig;
  }
}
