// capture_window WINDOW-ID FILE.png: saves what an X window shows, for tests that
// compare frames of a running program.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
  if (argc != 3)
  {
    std::fprintf(stderr, "usage: capture_window WINDOW-ID FILE.png\n");
    return 2;
  }
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy)
    return 1;
  Window win = std::strtoul(argv[1], nullptr, 0);
  XWindowAttributes attrs;
  if (!XGetWindowAttributes(dpy, win, &attrs))
    return 1;
  XImage* img = XGetImage(dpy, win, 0, 0, attrs.width, attrs.height, AllPlanes, ZPixmap);
  if (!img)
    return 1;
  std::vector<unsigned char> rgb(static_cast<size_t>(attrs.width) * attrs.height * 3);
  for (int y = 0; y < attrs.height; ++y)
    for (int x = 0; x < attrs.width; ++x)
    {
      unsigned long p = XGetPixel(img, x, y); // 24-bit TrueColor: 0xRRGGBB
      unsigned char* o = &rgb[(static_cast<size_t>(y) * attrs.width + x) * 3];
      o[0] = static_cast<unsigned char>(p >> 16);
      o[1] = static_cast<unsigned char>(p >> 8);
      o[2] = static_cast<unsigned char>(p);
    }
  XDestroyImage(img);
  XCloseDisplay(dpy);
  png_image out{};
  out.version = PNG_IMAGE_VERSION;
  out.width = attrs.width;
  out.height = attrs.height;
  out.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&out, argv[2], 0, rgb.data(), 0, nullptr) ? 0 : 1;
}
