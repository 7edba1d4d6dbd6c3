// capture_window WINDOW-ID FILE.png: saves what an X window shows, for tests that
// compare frames of a running program.
// capture_window WINDOW-ID '#RRGGBB': prints how many of its pixels have that colour.
// WINDOW-ID "root" is the whole screen.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
  if (argc != 3)
  {
    std::fprintf(stderr, "usage: capture_window WINDOW-ID|root FILE.png|'#RRGGBB'\n");
    return 2;
  }
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy)
    return 1;
  Window win = std::string(argv[1]) == "root" ? DefaultRootWindow(dpy) : std::strtoul(argv[1], nullptr, 0);
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
  if (argv[2][0] == '#')
  {
    const unsigned long colour = std::strtoul(argv[2] + 1, nullptr, 16);
    size_t count = 0;
    for (size_t i = 0; i < rgb.size(); i += 3)
      count += (static_cast<unsigned long>(rgb[i]) << 16 | rgb[i + 1] << 8 | rgb[i + 2]) == colour;
    std::printf("%zu\n", count);
    return 0;
  }
  png_image out{};
  out.version = PNG_IMAGE_VERSION;
  out.width = attrs.width;
  out.height = attrs.height;
  out.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&out, argv[2], 0, rgb.data(), 0, nullptr) ? 0 : 1;
}
