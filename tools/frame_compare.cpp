#include "tools/frame_compare.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <limits>

bool ReadFramePng(const std::string& path, SFrameImage* pImage, std::string* pError)
{
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f)
  {
    *pError = "cannot open " + path;
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  // Declared before setjmp so that a longjmp leaves nothing half-built on the stack.
  std::vector<png_bytep> rows;
  if (png && info && !setjmp(png_jmpbuf(png)))
  {
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const int w = static_cast<int>(png_get_image_width(png, info));
    const int h = static_cast<int>(png_get_image_height(png, info));
    pImage->width = w;
    pImage->height = h;
    pImage->rgb.assign(static_cast<size_t>(w) * h * 3, 0);
    rows.resize(h);
    for (int y = 0; y < h; ++y)
      rows[y] = pImage->rgb.data() + static_cast<size_t>(y) * w * 3;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    ok = true;
  }
  png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
  std::fclose(f);
  if (!ok)
    *pError = "cannot read " + path + " as PNG";
  return ok;
}

bool CompareFrameImages(const SFrameImage& reference, const SFrameImage& candidate, SFrameDifference* pDiff,
                        std::string* pError)
{
  if (reference.width != candidate.width || reference.height != candidate.height ||
      reference.rgb.size() != candidate.rgb.size())
  {
    *pError = "the pictures differ in size (" + std::to_string(reference.width) + "x" +
              std::to_string(reference.height) + " and " + std::to_string(candidate.width) + "x" +
              std::to_string(candidate.height) + ")";
    return false;
  }
  SFrameDifference d;
  const size_t pixels = static_cast<size_t>(reference.width) * reference.height;
  double sumSquares = 0.0;
  for (size_t i = 0; i < pixels; ++i)
  {
    int worst = 0;
    for (int c = 0; c < 3; ++c)
    {
      const int diff = std::abs(int(reference.rgb[i * 3 + c]) - int(candidate.rgb[i * 3 + c]));
      sumSquares += double(diff) * diff;
      if (diff > worst)
        worst = diff;
    }
    if (worst > d.iMaxChannel)
      d.iMaxChannel = worst;
    if (worst > FRAME_LEVEL_THRESHOLD)
      ++d.qwPixelsOver;
  }
  d.dShareOver = pixels ? 100.0 * double(d.qwPixelsOver) / double(pixels) : 0.0;
  const double mse = pixels ? sumSquares / (3.0 * double(pixels)) : 0.0;
  d.dPsnr = mse > 0.0 ? 10.0 * std::log10(255.0 * 255.0 / mse) : std::numeric_limits<double>::infinity();
  *pDiff = d;
  return true;
}

bool FrameWithinTolerance(const SFrameDifference& diff, double dMinPsnr, double dMaxSharePercent)
{
  return diff.dPsnr >= dMinPsnr && diff.dShareOver < dMaxSharePercent;
}
