#include "sdk/image/image_readers.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

// ---------------------------------------------------------------- byte source

// Bounds-checked cursor over a byte buffer: every read past the end is a short read.
struct SByteReader
{
  const uint8_t* data;
  size_t size;
  size_t pos;

  bool Read(void* out, size_t count)
  {
    if (count > size - pos)
      return false;
    std::memcpy(out, data + pos, count);
    pos += count;
    return true;
  }
};

// Reads the whole file; a file longer than `limit` bytes is refused unread.
bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes, size_t limit)
{
  if (!path || !*path)
    return false;
  FILE* f = std::fopen(path, "rb");
  if (!f)
    return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  long length = ok ? std::ftell(f) : -1;
  ok = ok && length >= 0 && static_cast<unsigned long>(length) <= limit && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok)
  {
    bytes->resize(static_cast<size_t>(length));
    ok = length == 0 || std::fread(bytes->data(), 1, bytes->size(), f) == bytes->size();
  }
  std::fclose(f);
  return ok;
}

// ---------------------------------------------------------------- TGA

const uint8_t kTgaUncompressed[12] = { 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
const uint8_t kTgaRunLength[12] = { 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0 };

// Stored blue-green-red(-alpha); used red-green-blue(-alpha).
inline void PutPixel(uint8_t* dst, const uint8_t* src, unsigned bytesPerPixel)
{
  dst[0] = src[2];
  dst[1] = src[1];
  dst[2] = src[0];
  if (bytesPerPixel == 4)
    dst[3] = src[3];
}

// ---------------------------------------------------------------- PNG

// The largest map a user may give (8192 x 4096) fits; a forged header cannot ask for
// gigabytes.
const png_uint_32 kPngMaxSide = 8192;

// A TGA file of more than this is not one of ours.
const size_t kTgaMaxFile = 64u << 20;

struct SPngJob
{
  png_structp png = nullptr;
  png_infop info = nullptr;
  // Memory input
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  // File input
  FILE* file = nullptr;
  // Output, owned by the job until handed over
  uint8_t* pixels = nullptr;
  png_bytep* rows = nullptr;
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int components = 0;
  uint32_t format = 0;
};

void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void PngWarning(png_structp, png_const_charp) {}

void PngReadMemory(png_structp png, png_bytep out, png_size_t count)
{
  SPngJob* job = static_cast<SPngJob*>(png_get_io_ptr(png));
  if (count > job->size - job->pos)
    png_error(png, "read past the end of the image");
  std::memcpy(out, job->data + job->pos, count);
  job->pos += count;
}

// Everything libpng may unwind out of lives here.  No C++ object with a destructor is
// alive in this frame and the job is reached through a pointer, so the longjmp is safe.
bool DecodePng(SPngJob* job)
{
  if (setjmp(png_jmpbuf(job->png)))
    return false;

  png_structp png = job->png;
  png_infop info = job->info;
  png_set_user_limits(png, kPngMaxSide, kPngMaxSide);
  png_read_info(png, info);

  int colorType = png_get_color_type(png, info);
  int bitDepth = png_get_bit_depth(png, info);
  if (colorType == PNG_COLOR_TYPE_PALETTE)
    png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
    png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS))
    png_set_tRNS_to_alpha(png);
  if (bitDepth == 16)
    png_set_strip_16(png);
  if (bitDepth < 8)
    png_set_packing(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  job->width = png_get_image_width(png, info);
  job->height = png_get_image_height(png, info);
  bitDepth = png_get_bit_depth(png, info);
  colorType = png_get_color_type(png, info);
  switch (colorType)
  {
    case PNG_COLOR_TYPE_GRAY:
      job->format = IMAGE_LUMINANCE;
      job->components = 1;
      break;
    case PNG_COLOR_TYPE_RGB:
      job->format = IMAGE_RGB;
      job->components = 3;
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      job->format = IMAGE_LUMINANCE_ALPHA;
      job->components = 2;
      break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      job->format = IMAGE_RGBA;
      job->components = 4;
      break;
    default: return false;
  }
  size_t rowBytes = static_cast<size_t>(job->width) * job->components;
  if (bitDepth != 8 || job->width == 0 || job->height == 0 || png_get_rowbytes(png, info) != rowBytes)
    return false;

  job->pixels = static_cast<uint8_t*>(std::malloc(rowBytes * job->height));
  job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * job->height));
  if (!job->pixels || !job->rows)
    return false;
  // PNG row i goes to buffer row (height - 1 - i): the buffer starts with the bottom row.
  for (png_uint_32 i = 0; i < job->height; ++i)
    job->rows[i] = job->pixels + rowBytes * (job->height - 1 - i);
  png_read_image(png, job->rows);
  png_read_end(png, nullptr);
  return true;
}

ZRESULT RunPngJob(SPngJob* job, SImage* image)
{
  job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (job->png)
    job->info = png_create_info_struct(job->png);
  bool ok = false;
  if (job->png && job->info)
  {
    if (job->file)
    {
      png_init_io(job->png, job->file);
      png_set_sig_bytes(job->png, 1);
    }
    else
    {
      png_set_read_fn(job->png, job, PngReadMemory);
    }
    ok = DecodePng(job);
  }
  png_destroy_read_struct(job->png ? &job->png : nullptr, job->info ? &job->info : nullptr, nullptr);
  std::free(job->rows);
  if (ok)
  {
    size_t bytes = static_cast<size_t>(job->width) * job->height * job->components;
    image->width = static_cast<uint16_t>(job->width);
    image->height = static_cast<uint16_t>(job->height);
    image->bitsPerPixel = static_cast<uint16_t>(job->components * 8);
    image->format = job->format;
    image->components = static_cast<uint32_t>(job->components);
    image->pixels.assign(job->pixels, job->pixels + bytes);
  }
  std::free(job->pixels);
  return ok ? ZP_OK : ZP_FAIL;
}

// Only the first byte of the signature is tested before libpng takes over.
const uint8_t kPngFirstSignatureByte = 0x89;

} // namespace

// ---------------------------------------------------------------- TGA

ZRESULT ReadTGA(const uint8_t* data, size_t size, SImage* image)
{
  if (!data || !image)
    return ZP_FAIL;
  SByteReader in{ data, size, 0 };

  uint8_t signature[12];
  if (!in.Read(signature, sizeof(signature)))
    return ZP_FAIL;
  bool runLength;
  if (std::memcmp(signature, kTgaUncompressed, 12) == 0)
    runLength = false;
  else if (std::memcmp(signature, kTgaRunLength, 12) == 0)
    runLength = true;
  else
    return ZP_FAIL;

  // Width, height, depth, descriptor.  The descriptor is ignored: bottom row first always.
  uint8_t header[6];
  if (!in.Read(header, sizeof(header)))
    return ZP_FAIL;
  uint16_t width = static_cast<uint16_t>(header[0] | (header[1] << 8));
  uint16_t height = static_cast<uint16_t>(header[2] | (header[3] << 8));
  uint8_t bits = header[4];
  if (width == 0 || height == 0 || (bits != 24 && bits != 32))
    return ZP_FAIL;

  const unsigned bpp = bits / 8u;
  const size_t pixelCount = static_cast<size_t>(width) * height;
  // Refuse before allocating when the rest of the input cannot fill the image: raw data
  // needs every byte, and a run packet of 1 + bpp bytes gives at most 128 pixels.
  const size_t left = in.size - in.pos;
  if (!runLength && left / bpp < pixelCount)
    return ZP_FAIL;
  if (runLength && (left / (1 + bpp) + 1) * 128 < pixelCount)
    return ZP_FAIL;
  std::vector<uint8_t> pixels(pixelCount * bpp);

  if (!runLength)
  {
    if (!in.Read(pixels.data(), pixels.size()))
      return ZP_FAIL;
    for (size_t i = 0; i < pixels.size(); i += bpp)
    {
      uint8_t t = pixels[i];
      pixels[i] = pixels[i + 2];
      pixels[i + 2] = t;
    }
  }
  else
  {
    size_t done = 0;
    uint8_t value[4];
    while (done < pixelCount)
    {
      uint8_t packet;
      if (!in.Read(&packet, 1))
        return ZP_FAIL;
      if (packet & 0x80)
      {
        size_t count = packet - 127u;
        if (count > pixelCount - done || !in.Read(value, bpp))
          return ZP_FAIL;
        for (size_t k = 0; k < count; ++k, ++done)
          PutPixel(&pixels[done * bpp], value, bpp);
      }
      else
      {
        size_t count = packet + 1u;
        if (count > pixelCount - done)
          return ZP_FAIL;
        for (size_t k = 0; k < count; ++k, ++done)
        {
          if (!in.Read(value, bpp))
            return ZP_FAIL;
          PutPixel(&pixels[done * bpp], value, bpp);
        }
      }
    }
  }

  image->width = width;
  image->height = height;
  image->bitsPerPixel = bits;
  image->format = bits == 24 ? IMAGE_RGB : IMAGE_RGBA;
  image->components = bpp;
  image->pixels = std::move(pixels);
  return ZP_OK;
}

ZRESULT ReadTGAFile(const char* path, SImage* image)
{
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes, kTgaMaxFile))
    return ZP_FAIL;
  return ReadTGA(bytes.data(), bytes.size(), image);
}

// ---------------------------------------------------------------- PNG

ZRESULT ReadPNG(const uint8_t* data, size_t size, SImage* image)
{
  if (!data || !image || size < 1 || data[0] != kPngFirstSignatureByte)
    return ZP_FAIL;
  SPngJob job;
  job.data = data;
  job.size = size;
  return RunPngJob(&job, image);
}

ZRESULT ReadPNGFile(const char* path, SImage* image)
{
  if (!path || !image)
    return ZP_FAIL;
  FILE* f = std::fopen(path, "rb");
  if (!f)
    return ZP_FAIL;
  uint8_t first = 0;
  ZRESULT r = ZP_FAIL;
  if (std::fread(&first, 1, 1, f) == 1 && first == kPngFirstSignatureByte)
  {
    SPngJob job;
    job.file = f;
    r = RunPngJob(&job, image);
  }
  std::fclose(f);
  return r;
}

// ---------------------------------------------------------------- RAW

ZRESULT ReadRAWFile(const char* path, SImage* image)
{
  if (!image)
    return ZP_FAIL;
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes, RAW_IMAGE_SIZE) || bytes.size() != RAW_IMAGE_SIZE)
    return ZP_FAIL;
  image->width = 256;
  image->height = 256;
  image->bitsPerPixel = 24;
  image->format = IMAGE_RGB;
  image->components = 3;
  image->pixels = std::move(bytes);
  return ZP_OK;
}

EImageType ImageTypeFromName(const char* name)
{
  if (!name)
    return EImageType::Unknown;
  if (std::strstr(name, ".tga") || std::strstr(name, ".TGA"))
    return EImageType::TGA;
  if (std::strstr(name, ".png") || std::strstr(name, ".PNG"))
    return EImageType::PNG;
  if (std::strstr(name, ".raw") || std::strstr(name, ".RAW"))
    return EImageType::RAW;
  return EImageType::Unknown;
}
