// How the program ends when told to, whatever its settings say, or when its window is
// taken away.

#include "tests/app/e2e_fixture.h"

#include <cstdlib>

namespace {

const std::string kWaitWindow = "timeout 20 xdotool search --sync --name 'ZephyroSDK - ' >/dev/null; sleep 0.5\n";

// wait_ended: waits for $pid and prints its status; a run that does not end is killed
// after 15 s rather than holding up the suite.
const std::string kWaitEnded =
  "wait_ended() { (sleep 15; kill -KILL $pid 2>/dev/null) & g=$!; wait $pid; echo status=$?; kill $g; }\n";

}  // namespace

TEST_F(E2E, LongAndEndlessSleepsStillEndPromptlyOnSigterm)
{
  for (const char* sleep : { "-1", "5000" }) {
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
  for (const char* platform : { "software", "opengl" }) {
    SRun r = Run(kWaitEnded + "$PLANETO --platform=" + platform + kSkipDialog + " & pid=$!\n" +
                 "w=$(timeout 20 xdotool search --sync --name 'ZephyroSDK - ' | head -n1); sleep 0.5\n"
                 "xdotool windowclose $w; wait_ended");
    EXPECT_NE(r.out.find("status=0"), std::string::npos) << platform << r.out << r.err;
    EXPECT_TRUE(LogHasInOrder(r.log, { "# pWorld->Unload\n", "# ENDED.\n" })) << platform << r.log;
  }
}
