// The program as an xscreensaver hack, and how it ends when told to or when its window
// is taken away.

#include "tests/app/e2e_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{

// capture_drawn WINDOW FILE: captures the window once the hack has drawn into it.  Until
// then it shows a plain background, which makes a PNG of a few kilobytes.
const std::string kCaptureDrawn =
    "capture_drawn() { for i in $(seq 150); do $CAPTURE $1 $2; [ $(stat -c %s $2) -gt 30000 ] && return;"
    " sleep 0.2; done; }\n";

const std::string kWaitWindow =
    "timeout 20 xdotool search --sync --name 'ZephyroSDK - ' >/dev/null; sleep 0.5\n";

} // namespace

using e2e::FindEarth;
using e2e::kWaitEnded;
using e2e::SEarth;

TEST_F(E2E, RootHackDrawsOnTheRootIgnoresInputAndEndsOnSigterm)
{
  SRun r = Run("export XDG_STATE_HOME=$PWD/state\n" + kCaptureDrawn + kWaitEnded +
               "root=$(xwininfo -root | awk '/Window id:/ {print $4}')\n"
               "children() { xwininfo -root -children | grep -c '^ *0x'; }\n"
               "before=$(children)\n"
               "$PLANETO -root --seed=7 --step=1 & pid=$!\n"
               "capture_drawn $root root.png\n"
               "echo new_windows=$(( $(children) - before ))\n"
               "xdotool mousemove 100 100 sleep 0.2 mousemove 700 600 click 1 key a key Escape; sleep 0.5\n"
               "kill -0 $pid && echo after-input=running\n"
               "kill -TERM $pid; wait_ended");
  EXPECT_NE(r.out.find("new_windows=0\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("after-input=running"), std::string::npos) << r.out << r.err;
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  const std::string log = ReadFile(m_dir + "/state/planeto/Planeto.log");
  EXPECT_TRUE(LogHasInOrder(log, { "# STARTED...\n", "# pWorld->Unload\n", "# ENDED.\n" }));
  EXPECT_TRUE(r.log.empty()) << "no log in the working folder";
  EXPECT_TRUE(ReadFile(m_dir + "/registry.reg").empty()) << "a hack writes no registry";

  SImageRGB img;
  ASSERT_TRUE(ReadPng(m_dir + "/root.png", &img));
  ASSERT_EQ(img.width, 1280u);
  const SEarth earth = FindEarth(img);
  EXPECT_GT(earth.count, img.width * img.height / 40) << "no Earth on the root window";
}

TEST_F(E2E, WindowIdHackFollowsItsWindowAndLeavesItAlive)
{
  SRun r = Run("export XDG_STATE_HOME=$PWD/state\n" + kCaptureDrawn + kWaitEnded +
               "xev -geometry 640x480 -name hack-target >/dev/null & xev=$!\n"
               "w=$(timeout 20 xdotool search --sync --name '^hack-target$' | head -n1)\n"
               "$PLANETO -window-id $w --seed=7 --step=1 & pid=$!\n"
               "capture_drawn $w small.png\n"
               "xdotool windowsize $w 1000 400; sleep 1.5; $CAPTURE $w wide.png\n"
               "kill -TERM $pid; wait_ended\n"
               "xwininfo -id $w >/dev/null && echo window=alive; kill $xev");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_NE(r.out.find("window=alive"), std::string::npos) << r.out;
  EXPECT_TRUE(LogHasInOrder(ReadFile(m_dir + "/state/planeto/Planeto.log"), { "# ENDED.\n" }));

  // The Earth keeps its place and size, in frame heights, after the resize: the frame
  // took the window's new size.
  SImageRGB small, wide;
  ASSERT_TRUE(ReadPng(m_dir + "/small.png", &small));
  ASSERT_TRUE(ReadPng(m_dir + "/wide.png", &wide));
  ASSERT_EQ(wide.width, 1000u);
  const SEarth a = FindEarth(small), b = FindEarth(wide);
  ASSERT_GT(a.count, 1000u);
  ASSERT_GT(b.count, 1000u);
  EXPECT_NEAR(a.x, b.x, 0.05);
  EXPECT_NEAR(a.y, b.y, 0.05);
  EXPECT_NEAR(a.size, b.size, 0.1 * a.size);
}

TEST_F(E2E, BadHackWindowsEndWithStatusTwoAndOneLine)
{
  SRun r = Run("$PLANETO -window-id 0x7ffff00");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_NE(r.err.find("no window 0x7FFFF00"), std::string::npos) << r.err;

  r = Run("XSCREENSAVER_WINDOW=junk $PLANETO -root", false);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_NE(r.err.find("XSCREENSAVER_WINDOW"), std::string::npos) << r.err;
  EXPECT_TRUE(r.log.empty());
}

TEST_F(E2E, LongAndEndlessSleepsStillEndPromptlyOnSigterm)
{
  for (const char* sleep : { "-1", "5000" })
  {
    SRun r = Run(kWaitEnded + "$PLANETO --platform=software" + kSkipDialog +
                 " --set=engine.WORLD.SLEEP_TIMER=" + sleep + " & pid=$!\n" + kWaitWindow +
                 "t0=$(date +%s%N); kill -TERM $pid; wait_ended\n"
                 "echo ms=$(( ($(date +%s%N) - t0) / 1000000 ))");
    EXPECT_NE(r.out.find("status=0"), std::string::npos) << sleep << r.out << r.err;
    EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" })) << sleep;
    const size_t at = r.out.find("ms=");
    ASSERT_NE(at, std::string::npos);
    EXPECT_LT(std::atoi(r.out.c_str() + at + 3), 2000) << sleep;
  }
}

TEST_F(E2E, WindowDestroyedByAnotherClientEndsTheRunCleanly)
{
  for (const char* platform : { "software", "opengl" })
  {
    SRun r = Run(kWaitEnded + "$PLANETO --platform=" + platform + kSkipDialog + " & pid=$!\n" +
                 "w=$(timeout 20 xdotool search --sync --name 'ZephyroSDK - ' | head -n1); sleep 0.5\n"
                 "xdotool windowclose $w; wait_ended");
    EXPECT_NE(r.out.find("status=0"), std::string::npos) << platform << r.out << r.err;
    EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" })) << platform << r.log;
  }
}

TEST_F(E2E, BackgroundOnX11IsADesktopWindowOverTheScreenThatLeavesInputAlone)
{
  SRun r = Run("export XDG_STATE_HOME=$PWD/state\n" + kWaitEnded +
               "$PLANETO --background --platform=software & pid=$!\n"
               "w=$(timeout 20 xdotool search --sync --name '^ZephyroSDK - ' | head -n1); sleep 0.5\n"
               "xprop -id $w _NET_WM_WINDOW_TYPE _NET_WM_STATE; xdotool getwindowgeometry $w\n"
               "xdotool mousemove 100 100 click 1 key Escape; sleep 0.5\n"
               "kill -0 $pid && echo after-input=running\n"
               "kill -TERM $pid; wait_ended");
  EXPECT_NE(r.out.find("_NET_WM_WINDOW_TYPE_DESKTOP"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("_NET_WM_STATE_BELOW"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Geometry: 1280x1024"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("after-input=running"), std::string::npos) << r.out << r.err;
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(ReadFile(m_dir + "/state/planeto/Planeto.log"), { "# pWorld->Unload\n", "# ENDED.\n" }));
}
