#include "app/screenshot.h"

#include "sdk/core/3d_engine.h"
#include "sdk/os/window.h"
#include "sdk/os/window_capture.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

bool WritePng(const std::string& path, int iWidth, int iHeight, const uint32_t* pPixels, std::string& error)
{
  if (iWidth <= 0 || iHeight <= 0 || !pPixels)
  {
    error = "nothing to save";
    return false;
  }
  std::string tmp = path + ".part";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f)
  {
    error = std::strerror(errno);
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(static_cast<size_t>(iWidth) * 3);
  bool ok = false;
  if (png && info && !setjmp(png_jmpbuf(png)))
  {
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(iWidth), static_cast<png_uint_32>(iHeight), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < iHeight; ++y)
    {
      const uint32_t* src = pPixels + static_cast<size_t>(y) * iWidth;
      for (int x = 0; x < iWidth; ++x)
      {
        row[x * 3 + 0] = static_cast<png_byte>(src[x] >> 16);
        row[x * 3 + 1] = static_cast<png_byte>(src[x] >> 8);
        row[x * 3 + 2] = static_cast<png_byte>(src[x]);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  if (std::fclose(f) != 0)
    ok = false;
  // The finished image replaces an older one (std::rename refuses that on Windows).
  std::error_code ec;
  if (ok && (std::filesystem::rename(tmp, path, ec), ec))
  {
    error = ec.message();
    std::remove(tmp.c_str());
    return false;
  }
  if (!ok)
  {
    error = "could not write the image";
    std::remove(tmp.c_str());
  }
  return ok;
}

bool SaveScreenshot(const std::string& path, zos::HWND hwnd, C3DEngine* pDevice, std::string& error,
                    std::string& note)
{
  int w = 0, h = 0, iClientW = 0, iClientH = 0;
  std::vector<uint32_t> pixels;
  note.clear();
  if (!(pDevice && pDevice->ReadPresentedFrame(&w, &h, &pixels)) &&
      !zos::CaptureWindow(hwnd, &w, &h, &pixels, &error))
    return false;
  if (!WritePng(path, w, h, pixels.data(), error))
    return false;
  if (zos::CWindow::IsWindow(hwnd) && hwnd->GetClientSize(&iClientW, &iClientH) &&
      (w < iClientW || h < iClientH))
    note = "the screenshot '" + path + "' holds the " + std::to_string(w) + " x " + std::to_string(h) +
           " pixels of the " + std::to_string(iClientW) + " x " + std::to_string(iClientH) +
           " window that lie on the screen";
  return true;
}
