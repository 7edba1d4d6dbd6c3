// The program on real Wayland compositors: a headless sway, read back with grim and
// typed at with wtype, and weston's headless one, which has no layer shell.  Each test
// starts its own compositor on small outputs.

#include "tests/app/e2e_fixture.h"

#include <unistd.h>

#include <cstdlib>

using e2e::ChangedShare;
using e2e::FindEarth;
using e2e::kWaitEnded;

namespace
{

// sway will not run as root: the suite's own user runs it, the program stays ours.
const char* const kSwayUser = "planeto-wayland";

// start_sway SIZE: a headless sway with one output of SIZE in ./rt, its socket in
// $WAYLAND_DISPLAY; the program's windows float without borders.  Ended at exit.
// drawn FILE [OUTPUT]: captures until something is drawn (a black output makes a tiny PNG).
// tree_has APP: waits for a window of that app id.
const std::string kSway =
    std::string("start_sway() {\n"
                "  mkdir -m 700 rt\n"
                "  printf 'xwayland disable\\noutput HEADLESS-1 resolution %s\\n"
                "for_window [app_id=\"Planeto\"] floating enable, border none\\n' $1 >rt/config\n"
                "  as=''; if [ $(id -u) = 0 ]; then chmod 755 .; chown -R ") +
    kSwayUser + " rt; as=\"setpriv --reuid=" + kSwayUser + " --regid=$(id -g " + kSwayUser +
    ") --clear-groups\"; fi\n"
    "  (cd rt && exec $as env -i PATH=$PATH HOME=$PWD XDG_RUNTIME_DIR=$PWD WLR_BACKENDS=headless \\\n"
    "     WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway -c config >sway.log 2>&1) & sway=$!\n"
    "  trap 'kill $sway' EXIT\n"
    "  for i in $(seq 100); do [ -S rt/wayland-1 ] && break; sleep 0.05; done\n"
    "  export WAYLAND_DISPLAY=$PWD/rt/wayland-1 XDG_RUNTIME_DIR=$PWD/rt SWAYSOCK=$(echo $PWD/rt/sway-ipc.*)\n"
    "  unset DISPLAY\n"
    "}\n"
    "drawn() { for i in $(seq 100); do grim ${2:+-o $2} $1; [ $(stat -c %s $1) -gt 20000 ] && return;"
    " sleep 0.2; done; }\n"
    "tree_has() { for i in $(seq 100); do swaymsg -t get_tree | grep -q \"\\\"app_id\\\": \\\"$1\\\"\" && "
    "return; sleep 0.1; done; }\n";

class Wayland : public E2E
{
protected:
  void SetUp() override
  {
    E2E::SetUp();
    const bool bTools = std::system("command -v sway swaymsg grim wtype weston >/dev/null") == 0;
    // CI installs everything: there a missing tool is a fault, not a reason to skip.
    if (!bTools && std::getenv("CI"))
      FAIL() << "sway, grim, wtype or weston is missing although scripts/setup.sh installs them";
    if (!bTools)
      GTEST_SKIP() << "no sway, grim, wtype or weston here (scripts/setup.sh installs them): the Wayland "
                      "tests need a headless compositor";
    if (getuid() == 0 && std::system((std::string("id -u ") + kSwayUser + " >/dev/null 2>&1 || useradd "
                                      "--system --no-create-home --shell /usr/sbin/nologin " + kSwayUser)
                                         .c_str()) != 0)
      FAIL() << "cannot make the user " << kSwayUser << " that runs sway";
  }

  SRun RunSway(const std::string& size, const std::string& script)
  {
    return Run(kSway + kWaitEnded + "start_sway " + size + "\n" + script, false);
  }
};

} // namespace

TEST_F(Wayland, WindowShowsTheEarthAtTheOutputsScaleFollowsAResizeAndTakesKeys)
{
  // At scale 2 the 300 x 200 window is drawn 600 x 400: the last frame (read through
  // OpenGL) has the size the window was given last, in pixels.
  SRun r = RunSway("640x480",
                   "swaymsg output HEADLESS-1 scale 2 >/dev/null\n"
                   "$PLANETO" + kSkipDialog + " --seed=7 --step=3 --screenshot=last.png & pid=$!\n"
                   "tree_has Planeto; drawn shot.png\n"
                   "swaymsg '[app_id=Planeto] resize set 300 200, move position 0 0' >/dev/null; sleep 0.5\n"
                   "grim run1.png; sleep 0.7; grim run2.png\n"
                   "wtype -s 300 -k KP_Divide; sleep 0.5; grim stop1.png; sleep 0.7; grim stop2.png\n"
                   "wtype -s 300 -k KP_Multiply; sleep 0.7; grim again.png\n"
                   "wtype -s 300 -k Escape; wait_ended");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" })) << r.log;
  EXPECT_EQ(r.log.find("using X11"), std::string::npos) << r.log;

  SImageRGB shot, last, run1, run2, stop1, stop2, again;
  ASSERT_TRUE(ReadPng(m_dir + "/shot.png", &shot));
  EXPECT_GT(FindEarth(shot).count, shot.width * shot.height / 40) << "no Earth in the window";
  ASSERT_TRUE(ReadPng(m_dir + "/last.png", &last));
  EXPECT_EQ(last.width, 600u);
  EXPECT_EQ(last.height, 400u);
  EXPECT_GT(FindEarth(last).count, 2000u);
  ASSERT_TRUE(ReadPng(m_dir + "/run1.png", &run1) && ReadPng(m_dir + "/run2.png", &run2));
  ASSERT_TRUE(ReadPng(m_dir + "/stop1.png", &stop1) && ReadPng(m_dir + "/stop2.png", &stop2));
  ASSERT_TRUE(ReadPng(m_dir + "/again.png", &again));
  EXPECT_GT(ChangedShare(run1, run2), 0.005);
  EXPECT_LT(ChangedShare(stop1, stop2), 0.0005) << "keypad / stops the scene";
  EXPECT_GT(ChangedShare(stop2, again), 0.005) << "keypad * sets it going again";
}

TEST_F(Wayland, BackgroundLiesBehindTheWindowsOnEveryOutputAndEndsOnSigterm)
{
  // A second output before the background starts, a normal window over the lower right
  // quarter of the first.
  SRun r = RunSway("640x480",
                   "swaymsg create_output >/dev/null; swaymsg output HEADLESS-2 resolution 400x300 >/dev/null\n"
                   "XDG_STATE_HOME=$PWD/state $PLANETO --background --seed=7 --step=1 & pid=$!\n"
                   "drawn two.png HEADLESS-2\n"
                   "$PLANETO --platform=software" + kSkipDialog + " & win=$!\n"
                   "tree_has Planeto\n"
                   "swaymsg '[app_id=Planeto] resize set 320 240, move position 320 240' >/dev/null; sleep 1\n"
                   "grim -o HEADLESS-1 one.png\n"
                   "kill -TERM $pid; wait_ended\n"
                   "swaymsg '[app_id=Planeto] kill' >/dev/null; wait $win; echo closed=$?");
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  // The close request ends the normal window as its close box would.
  EXPECT_NE(r.out.find("closed=0"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" })) << r.log;
  EXPECT_TRUE(LogHasInOrder(ReadFile(m_dir + "/state/planeto/Planeto.log"), { "# pWorld->Unload\n", "# ENDED.\n" }));

  SImageRGB one, two;
  ASSERT_TRUE(ReadPng(m_dir + "/one.png", &one));
  ASSERT_TRUE(ReadPng(m_dir + "/two.png", &two));
  ASSERT_EQ(one.width, 640u);
  ASSERT_EQ(two.width, 400u);
  EXPECT_GT(FindEarth(two).count, two.width * two.height / 40) << "no Earth on the second output";
  // The Earth of the background on the left; the software window's grey over the
  // lower right, where the background would show stars on black.
  size_t earth = 0, grey = 0;
  for (unsigned y = 0; y < one.height; ++y)
    for (unsigned x = 0; x < one.width; ++x)
    {
      const unsigned char* p = one.At(x, y);
      if (x < 300 && p[2] > 60 && p[2] > p[0] + 20)
        ++earth;
      if (x >= 330 && y >= 250 && p[0] > 60 && std::abs(p[0] - p[1]) < 8 && std::abs(p[1] - p[2]) < 8)
        ++grey;
    }
  EXPECT_GT(earth, 2000u) << "no Earth from the background";
  EXPECT_GT(grey, 300u * 220u / 2) << "the window is not over the background";
}

TEST_F(Wayland, WithoutACompositorOrItsLayerShellTheNearestChoiceRunsAndTheLogSaysWhy)
{
  // No compositor: X11, under the suite's virtual X server.
  SRun r = Run("WAYLAND_DISPLAY=nowhere $PLANETO --wayland --platform=software" + kSkipDialog + " --frames=3");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(LogHasInOrder(r.log, { "# No Wayland compositor answers at \"nowhere\"; using X11.\n",
                                     "# ENDED.\n" }));

  // weston has no layer shell: the background is a normal window there.
  r = Run(kWaitEnded +
              "mkdir -m 700 rt; export XDG_RUNTIME_DIR=$PWD/rt WAYLAND_DISPLAY=$PWD/rt/wl; unset DISPLAY\n"
              "weston --backend=headless-backend.so --socket=wl --width=320 --height=240 --idle-time=0 "
              ">rt/weston.log 2>&1 & weston=$!; trap 'kill $weston' EXIT\n"
              "for i in $(seq 100); do [ -S rt/wl ] && break; sleep 0.05; done\n"
              "XDG_STATE_HOME=$PWD/state $PLANETO --background --platform=software & pid=$!\n"
              "sleep 1.5; kill -TERM $pid; wait_ended",
          false);
  EXPECT_NE(r.out.find("status=0"), std::string::npos) << r.out << r.err;
  const std::string log = ReadFile(m_dir + "/state/planeto/Planeto.log");
  EXPECT_TRUE(LogHasInOrder(log, { "# The Wayland compositor has no layer shell (zwlr_layer_shell_v1): the "
                                   "background runs as a normal window.\n",
                                   "# 320 x 240 : 32 windowed\n", "# ENDED.\n" }));
}
