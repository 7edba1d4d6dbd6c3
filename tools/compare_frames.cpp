// compare_frames REFERENCE.png CANDIDATE.png [MIN_PSNR_DB MAX_SHARE_PERCENT]
//
// Prints how far the candidate frame is from the reference frame, one line:
//   max=<largest channel difference> over8=<percent of pixels off by more than 8 levels>
//   psnr=<dB, or inf> <ok|OFF>
// and exits 0 when the frame is within the tolerance (PSNR at least MIN_PSNR_DB, 40 when
// not given, and fewer than MAX_SHARE_PERCENT, 0.5 when not given, of the pixels off),
// 1 when it is not, 2 when a picture cannot be read or the sizes differ.
#include "tools/frame_compare.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
  if (argc != 3 && argc != 5)
  {
    std::fprintf(stderr,
                 "usage: compare_frames REFERENCE.png CANDIDATE.png [MIN_PSNR_DB MAX_SHARE_PERCENT]\n");
    return 2;
  }
  const double minPsnr = argc == 5 ? std::atof(argv[3]) : 40.0;
  const double maxShare = argc == 5 ? std::atof(argv[4]) : 0.5;

  SFrameImage reference, candidate;
  SFrameDifference diff;
  std::string error;
  if (!ReadFramePng(argv[1], &reference, &error) || !ReadFramePng(argv[2], &candidate, &error) ||
      !CompareFrameImages(reference, candidate, &diff, &error))
  {
    std::fprintf(stderr, "compare_frames: %s\n", error.c_str());
    return 2;
  }
  const bool ok = FrameWithinTolerance(diff, minPsnr, maxShare);
  char psnr[32];
  if (std::isinf(diff.dPsnr))
    std::snprintf(psnr, sizeof(psnr), "inf");
  else
    std::snprintf(psnr, sizeof(psnr), "%.2f", diff.dPsnr);
  std::printf("max=%d over8=%.4f psnr=%s %s\n", diff.iMaxChannel, diff.dShareOver, psnr, ok ? "ok" : "OFF");
  return ok ? 0 : 1;
}
