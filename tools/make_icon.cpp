// Draws the program icon, the same globe as the window icon, from the Earth day map:
//   make_icon EARTHDAY.png SIZE OUT.png   the desktop icon (Linux)
//   make_icon EARTHDAY.png SIZE OUT.ico   the Windows icon: 16, 32 and 48 pixels as
//                                         32-bit bitmaps, and SIZE as PNG
// Writes 8-bit RGBA with no time stamp, so a rebuild gives the same bytes.

#include "app/globe_icon.h"
#include "sdk/image/image_readers.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

typedef std::vector<unsigned char> Bytes;

void WriteToBytes(png_structp png, png_bytep data, png_size_t length)
{
  Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

bool EncodeRgbaPng(int n, const std::vector<uint32_t>& argb, Bytes& out)
{
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (info && !setjmp(png_jmpbuf(png)))
  {
    png_set_write_fn(png, &out, WriteToBytes, nullptr);
    png_set_IHDR(png, info, n, n, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<size_t>(n) * 4);
    for (int y = 0; y < n; ++y)
    {
      for (int x = 0; x < n; ++x)
      {
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
  return ok;
}

void Put16(Bytes& b, unsigned v)
{
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, uint32_t v)
{
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// An icon image as the icon format stores small sizes: a BITMAPINFOHEADER of twice the
// height, the BGRA rows bottom first, then the 1-bit mask (all clear: alpha decides).
Bytes IconBitmap(int n, const std::vector<uint32_t>& argb)
{
  Bytes b;
  const uint32_t maskRow = ((n + 31) / 32) * 4;
  Put32(b, 40);
  Put32(b, n);
  Put32(b, 2 * n);
  Put16(b, 1);
  Put16(b, 32);
  Put32(b, 0);
  Put32(b, n * n * 4 + maskRow * n);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);
  for (int y = n - 1; y >= 0; --y)
    for (int x = 0; x < n; ++x)
      Put32(b, argb[static_cast<size_t>(y) * n + x]); // little-endian ARGB is B, G, R, A
  b.insert(b.end(), static_cast<size_t>(maskRow) * n, 0);
  return b;
}

bool WriteFile(const char* path, const Bytes& bytes)
{
  FILE* f = std::fopen(path, "wb");
  if (!f)
    return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool WriteIco(const char* path, const SImage& map, int n)
{
  std::vector<int> sizes;
  for (int s : { 16, 32, 48 })
    if (s < n)
      sizes.push_back(s);
  sizes.push_back(n);
  std::vector<Bytes> images;
  for (int s : sizes)
  {
    std::vector<uint32_t> pixels = DrawGlobeIcon(map, s);
    if (pixels.empty())
      return false;
    Bytes image;
    // Large sizes go in as PNG, as Windows Vista and later expect them.
    if (s > 48)
    {
      if (!EncodeRgbaPng(s, pixels, image))
        return false;
    }
    else
    {
      image = IconBitmap(s, pixels);
    }
    images.push_back(image);
  }
  Bytes ico;
  Put16(ico, 0);
  Put16(ico, 1);
  Put16(ico, static_cast<unsigned>(sizes.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i)
  {
    ico.push_back(sizes[i] >= 256 ? 0 : static_cast<unsigned char>(sizes[i])); // 0 means 256
    ico.push_back(sizes[i] >= 256 ? 0 : static_cast<unsigned char>(sizes[i]));
    ico.push_back(0);
    ico.push_back(0);
    Put16(ico, 1);
    Put16(ico, 32);
    Put32(ico, static_cast<uint32_t>(images[i].size()));
    Put32(ico, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const Bytes& image : images)
    ico.insert(ico.end(), image.begin(), image.end());
  return WriteFile(path, ico);
}

bool EndsWith(const std::string& s, const char* szEnd)
{
  const size_t n = std::strlen(szEnd);
  return s.size() >= n && s.compare(s.size() - n, n, szEnd) == 0;
}

} // namespace

int main(int argc, char** argv)
{
  int n = argc == 4 ? std::atoi(argv[2]) : 0;
  const bool bIco = argc == 4 && EndsWith(argv[3], ".ico");
  if (n < 16 || n > (bIco ? 256 : 1024))
  {
    std::fprintf(stderr, "usage: make_icon EARTHDAY.png SIZE OUT.png|OUT.ico (SIZE from 16 to 1024,\n"
                         "       at most 256 for an .ico)\n");
    return 2;
  }
  SImage map;
  if (ReadPNGFile(argv[1], &map) < 0)
  {
    std::fprintf(stderr, "make_icon: cannot read %s\n", argv[1]);
    return 1;
  }
  bool ok = false;
  if (bIco)
  {
    ok = WriteIco(argv[3], map, n);
  }
  else
  {
    std::vector<uint32_t> pixels = DrawGlobeIcon(map, n);
    Bytes png;
    ok = !pixels.empty() && EncodeRgbaPng(n, pixels, png) && WriteFile(argv[3], png);
  }
  if (!ok)
  {
    std::fprintf(stderr, "make_icon: cannot make %s\n", argv[3]);
    std::remove(argv[3]);
    return 1;
  }
  return 0;
}
