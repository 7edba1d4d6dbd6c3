// What makes the program a light screen saver: its pace, and no drawing while nobody
// can see it.

#include "tests/app/e2e_fixture.h"

#include <cstdlib>
#include <regex>

namespace
{

const std::string kSmall = " --set=engine.WORLD.WIDTH=400 --set=engine.WORLD.HEIGHT=300";

// The frame counts of the "planeto-stats: seen|unseen frames=N" lines, in order.
std::vector<std::pair<std::string, long>> VisibilityChanges(const std::string& err)
{
  std::vector<std::pair<std::string, long>> changes;
  const std::regex line("planeto-stats: (seen|unseen) frames=([0-9]+)");
  for (std::sregex_iterator it(err.begin(), err.end(), line), end; it != end; ++it)
    changes.emplace_back((*it)[1], std::atol((*it)[2].str().c_str()));
  return changes;
}

} // namespace

TEST_F(E2E, DelayIsThePauseBetweenFrames)
{
  // 100 ms after each frame: about ten frames a second (less by the frames' own time).
  SRun r = Run("PLANETO_STATS=1 $PLANETO --platform=software" + kSkipDialog + kSmall + " -delay 100000 --frames=16");
  ASSERT_EQ(r.status, 0) << r.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.err, m, std::regex("fps=([0-9.]+)"))) << r.err;
  const double fps = std::atof(m[1].str().c_str());
  EXPECT_GT(fps, 5.0) << r.err;
  EXPECT_LT(fps, 10.5) << r.err;
}

TEST_F(E2E, AWindowNobodyCanSeeDrawsNothingUntilItIsSeenAgain)
{
  // Unmapped (what minimising comes to without a window manager), then wholly covered
  // by another window: each time the count stands still until the window shows again.
  SRun r = Run("PLANETO_STATS=1 $PLANETO --platform=software" + kSkipDialog + kSmall +
               " & pid=$!\n"
               "w=$(timeout 20 xdotool search --sync --name '^ZephyroSDK' | head -n1)\n"
               "sleep 0.5; xdotool windowunmap $w; sleep 1; xdotool windowmap $w; sleep 0.5\n"
               "mkdir cover; (cd cover && exec $PLANETO --platform=software" +
               kSkipDialog + " --set=engine.WORLD.SLEEP_TIMER=200) 2>/dev/null & cover=$!\n"
               "sleep 1.5; kill -TERM $cover; wait $cover; sleep 0.5\n"
               "kill -TERM $pid; wait $pid; echo status=$?");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  const auto changes = VisibilityChanges(r.err);
  ASSERT_EQ(changes.size(), 4u) << r.err;
  for (size_t i = 0; i < changes.size(); i += 2)
  {
    EXPECT_EQ(changes[i].first, "unseen");
    EXPECT_EQ(changes[i + 1].first, "seen");
    EXPECT_GT(changes[i].second, 0);
    EXPECT_EQ(changes[i + 1].second, changes[i].second) << r.err;
  }
  // And it draws again once seen.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.err, m, std::regex("stats: first_frame_ns=[0-9]+ frames=([0-9]+)"))) << r.err;
  EXPECT_GT(std::atol(m[1].str().c_str()), changes.back().second);
  EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" }));
}

TEST_F(E2E, FullScreenCoversTheMonitorTheWindowIsOn)
{
  // Two monitors, the primary one smaller than the desktop they make together.
  SRun r = Run("$PLANETO --platform=software" + kSkipDialog +
                   " --set=engine.WORLD.FULLSCREEN=1 --frames=100000 --screenshot=shot.png & pid=$!\n"
                   "w=$(timeout 20 xdotool search --sync --name '^ZephyroSDK' | head -n1)\n"
                   "sleep 0.5; xdotool getwindowgeometry $w; kill -TERM $pid; wait $pid; echo status=$?",
               true, "+xinerama -screen 0 640x480x24 -screen 1 1024x768x24");
  EXPECT_NE(r.out.find("Position: 0,0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Geometry: 640x480"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  SImageRGB shot;
  ASSERT_TRUE(ReadPng(m_dir + "/shot.png", &shot)) << r.err;
  EXPECT_EQ(shot.width, 640u);
  EXPECT_EQ(shot.height, 480u);
}
