// Draws the desktop icon, the same globe as the window icon, from the Earth day map:
//   make_icon EARTHDAY.png SIZE OUT.png
// Writes an 8-bit RGBA PNG with no time stamp, so a rebuild gives the same bytes.

#include "app/globe_icon.h"
#include "sdk/opengl/image_readers.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

bool WriteRgbaPng(const char* path, int n, const std::vector<uint32_t>& argb)
{
  FILE* f = std::fopen(path, "wb");
  if (!f)
    return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, f);
    png_set_IHDR(png, info, n, n, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<size_t>(n) * 4);
    for (int y = 0; y < n; ++y) {
      for (int x = 0; x < n; ++x) {
        uint32_t p = argb[static_cast<size_t>(y) * n + x];
        row[x * 4 + 0] = static_cast<png_byte>(p >> 16);
        row[x * 4 + 1] = static_cast<png_byte>(p >> 8);
        row[x * 4 + 2] = static_cast<png_byte>(p);
        row[x * 4 + 3] = static_cast<png_byte>(p >> 24);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
  int n = argc == 4 ? std::atoi(argv[2]) : 0;
  if (n < 16 || n > 1024) {
    std::fprintf(stderr, "usage: make_icon EARTHDAY.png SIZE OUT.png (SIZE from 16 to 1024)\n");
    return 2;
  }
  SImage map;
  if (ReadPNGFile(argv[1], &map) < 0) {
    std::fprintf(stderr, "make_icon: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<uint32_t> pixels = DrawGlobeIcon(map, n);
  if (pixels.empty() || !WriteRgbaPng(argv[3], n, pixels)) {
    std::fprintf(stderr, "make_icon: cannot make %s\n", argv[3]);
    std::remove(argv[3]);
    return 1;
  }
  return 0;
}
