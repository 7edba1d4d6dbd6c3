// Comparison of two rendered frames, for tools/compare_frames.sh: how far a build's
// picture has moved from a reference build's picture of the same frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An 8-bit RGB picture, rows top first.
struct SFrameImage
{
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb; // width x height x 3
};

struct SFrameDifference
{
  int iMaxChannel = 0;       // largest difference of one channel of one pixel
  uint64_t qwPixelsOver = 0; // pixels with a channel off by more than the threshold
  double dShareOver = 0.0;   // the same as a share of all pixels, in percent
  double dPsnr = 0.0;        // over all channels, in dB; infinite when identical
};

// Pixels count as off when one of their channels differs by more than this.
constexpr int FRAME_LEVEL_THRESHOLD = 8;

// Reads a PNG of any colour type into 8-bit RGB (alpha is dropped, grey is spread).
bool ReadFramePng(const std::string& path, SFrameImage* pImage, std::string* pError);

// Fails (with the reason) when the two pictures differ in size.
bool CompareFrameImages(const SFrameImage& reference, const SFrameImage& candidate, SFrameDifference* pDiff,
                        std::string* pError);

// The picture is the same within tolerance: PSNR at least dMinPsnr and fewer than
// dMaxSharePercent of the pixels off.
bool FrameWithinTolerance(const SFrameDifference& diff, double dMinPsnr, double dMaxSharePercent);
