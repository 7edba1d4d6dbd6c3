// Generates the built-in images of data/images/.
//
//   make_images --out DIR [--day DAY.ppm] [--night NIGHT.ppm] [--moon MOON.ppm]
//               [--font FONT.ttf]
//
// The sun sprites, halos, flare, atmosphere rim, clouds and star field are computed
// here from fixed seeds, so every run writes the same bytes.  The Earth and Moon maps
// come in as binary PPM files already scaled to their final size (tools/make_images.sh
// prepares them); the day map gains its alpha channel here.  The font is rendered
// with FreeType from a TrueType file.  An input that is not given leaves its image
// untouched.

#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------
// Images and PNG output

struct Image
{
  int w = 0, h = 0, channels = 0; // 1 grey, 2 grey+alpha, 3 RGB, 4 RGBA
  std::vector<uint8_t> px;        // top row first

  Image(int width, int height, int ch) : w(width), h(height), channels(ch), px(size_t(width) * height * ch, 0)
  {
  }
  uint8_t* at(int x, int y) { return &px[(size_t(y) * w + x) * channels]; }
};

uint8_t ToByte(double v)
{
  v = std::clamp(v, 0.0, 1.0);
  return static_cast<uint8_t>(std::lround(v * 255.0));
}

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

double SmoothStep(double e0, double e1, double x)
{
  double t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3.0 - 2.0 * t);
}

bool WritePng(const std::string& path, const Image& img)
{
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f)
  {
    std::fprintf(stderr, "make_images: cannot write %s\n", path.c_str());
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png)))
  {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    std::fprintf(stderr, "make_images: libpng failed on %s\n", path.c_str());
    return false;
  }
  static const int kTypes[] = { 0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                                PNG_COLOR_TYPE_RGB_ALPHA };
  png_init_io(png, f);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, img.w, img.h, 8, kTypes[img.channels], PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < img.h; ++y)
    png_write_row(png, const_cast<png_bytep>(&img.px[size_t(y) * img.w * img.channels]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  std::printf("wrote %s (%dx%d, %d channels)\n", path.c_str(), img.w, img.h, img.channels);
  return true;
}

// Binary PPM (P6, maxval 255), as ImageMagick writes it.
bool ReadPpm(const std::string& path, Image& out)
{
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f)
  {
    std::fprintf(stderr, "make_images: cannot read %s\n", path.c_str());
    return false;
  }
  auto token = [f]() -> long
  {
    int c = std::fgetc(f);
    while (c == '#' || std::isspace(c))
    {
      if (c == '#')
        while (c != '\n' && c != EOF)
          c = std::fgetc(f);
      c = std::fgetc(f);
    }
    long v = -1;
    if (c >= '0' && c <= '9')
    {
      v = 0;
      while (c >= '0' && c <= '9')
      {
        v = v * 10 + (c - '0');
        c = std::fgetc(f);
      }
    }
    return v; // the one whitespace byte after the number is consumed
  };
  char magic[2] = {};
  bool ok = std::fread(magic, 1, 2, f) == 2 && magic[0] == 'P' && magic[1] == '6';
  long w = ok ? token() : -1, h = ok ? token() : -1, maxval = ok ? token() : -1;
  ok = ok && w > 0 && h > 0 && w < 16384 && h < 16384 && maxval == 255;
  if (ok)
  {
    out = Image(int(w), int(h), 3);
    ok = std::fread(out.px.data(), 1, out.px.size(), f) == out.px.size();
  }
  std::fclose(f);
  if (!ok)
    std::fprintf(stderr, "make_images: %s is not an 8-bit binary PPM\n", path.c_str());
  return ok;
}

// ---------------------------------------------------------------------------
// Random numbers and noise (own generator: the output must not depend on the
// standard library's distributions)

struct Rng
{
  uint64_t s;
  explicit Rng(uint64_t seed) : s(seed) {}
  uint64_t Next()
  {
    uint64_t z = (s += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Uniform() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); } // [0, 1)
  double Range(double a, double b) { return a + (b - a) * Uniform(); }
};

// Gradient noise on an integer lattice; `period` > 0 wraps the lattice so that 2D
// noise tiles.
class Noise
{
public:
  explicit Noise(uint64_t seed)
  {
    Rng rng(seed);
    for (int i = 0; i < 256; ++i)
      perm_[i] = i;
    for (int i = 255; i > 0; --i)
      std::swap(perm_[i], perm_[rng.Next() % uint64_t(i + 1)]);
    for (int i = 0; i < 256; ++i)
      perm_[256 + i] = perm_[i];
  }

  double Get3(double x, double y, double z) const
  {
    int xi = int(std::floor(x)), yi = int(std::floor(y)), zi = int(std::floor(z));
    double xf = x - xi, yf = y - yi, zf = z - zi;
    double u = Fade(xf), v = Fade(yf), w = Fade(zf);
    auto h = [&](int a, int b, int c) { return perm_[perm_[perm_[a & 255] + (b & 255)] + (c & 255)]; };
    auto g = [&](int a, int b, int c, double dx, double dy, double dz)
    { return Grad3(h(a, b, c), dx, dy, dz); };
    double x00 = Lerp(g(xi, yi, zi, xf, yf, zf), g(xi + 1, yi, zi, xf - 1, yf, zf), u);
    double x10 = Lerp(g(xi, yi + 1, zi, xf, yf - 1, zf), g(xi + 1, yi + 1, zi, xf - 1, yf - 1, zf), u);
    double x01 = Lerp(g(xi, yi, zi + 1, xf, yf, zf - 1), g(xi + 1, yi, zi + 1, xf - 1, yf, zf - 1), u);
    double x11 =
        Lerp(g(xi, yi + 1, zi + 1, xf, yf - 1, zf - 1), g(xi + 1, yi + 1, zi + 1, xf - 1, yf - 1, zf - 1), u);
    return Lerp(Lerp(x00, x10, v), Lerp(x01, x11, v), w); // about [-1, 1]
  }

  double Get2(double x, double y, int period) const
  {
    int xi = int(std::floor(x)), yi = int(std::floor(y));
    double xf = x - xi, yf = y - yi;
    auto wrap = [period](int a) { return period > 0 ? ((a % period) + period) % period : a; };
    auto g = [&](int a, int b, double dx, double dy)
    {
      int hv = perm_[perm_[wrap(a) & 255] + (wrap(b) & 255)];
      double ang = hv * (2.0 * kPi / 256.0);
      return std::cos(ang) * dx + std::sin(ang) * dy;
    };
    double u = Fade(xf), v = Fade(yf);
    return Lerp(Lerp(g(xi, yi, xf, yf), g(xi + 1, yi, xf - 1, yf), u),
                Lerp(g(xi, yi + 1, xf, yf - 1), g(xi + 1, yi + 1, xf - 1, yf - 1), u), v) *
           1.4;
  }

  double Fbm3(double x, double y, double z, int octaves) const
  {
    double sum = 0, amp = 0.5, norm = 0;
    for (int i = 0; i < octaves; ++i)
    {
      sum += amp * Get3(x, y, z);
      norm += amp;
      x *= 2.03;
      y *= 2.03;
      z *= 2.03;
      amp *= 0.5;
    }
    return sum / norm;
  }

  // Tiles with the given base period (in lattice cells at the first octave).
  double Fbm2(double x, double y, int period, int octaves, double gain = 0.5) const
  {
    double sum = 0, amp = 0.5, norm = 0;
    for (int i = 0; i < octaves; ++i)
    {
      sum += amp * Get2(x, y, period);
      norm += amp;
      x *= 2;
      y *= 2;
      period *= 2;
      amp *= gain;
    }
    return sum / norm;
  }

private:
  static double Fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }
  static double Lerp(double a, double b, double t) { return a + (b - a) * t; }
  static double Grad3(int hv, double x, double y, double z)
  {
    int hh = hv & 15;
    double u = hh < 8 ? x : y, v = hh < 4 ? y : (hh == 12 || hh == 14 ? x : z);
    return ((hh & 1) ? -u : u) + ((hh & 2) ? -v : v);
  }
  int perm_[512];
};

// Centre-relative coordinates of a pixel: x right, y up, both in [-1, 1] at the edges.
void Centered(const Image& img, int px, int py, double& x, double& y)
{
  x = (px + 0.5) / img.w * 2.0 - 1.0;
  y = 1.0 - (py + 0.5) / img.h * 2.0;
}

void SetRgba(Image& img, int x, int y, double r, double g, double b, double a)
{
  uint8_t* p = img.at(x, y);
  p[0] = ToByte(r);
  p[1] = ToByte(g);
  p[2] = ToByte(b);
  p[3] = ToByte(a);
}

// ---------------------------------------------------------------------------
// Sun sprites

// A sun disc of radius `rd` (in half-sizes) with limb darkening and a corona glow that
// reaches zero before the quad's edge.
Image MakeSunDisc(int size, double rd, double glow, uint64_t seed)
{
  Image img(size, size, 4);
  Noise noise(seed);
  double pixel = 2.0 / size;
  for (int py = 0; py < size; ++py)
    for (int px = 0; px < size; ++px)
    {
      double x, y;
      Centered(img, px, py, x, y);
      double r = std::hypot(x, y);
      double inside = SmoothStep(rd + pixel, rd - pixel, r);
      double t = std::min(r / rd, 1.0);
      double mu = std::sqrt(std::max(0.0, 1.0 - t * t));
      double limb = 1.0 - 0.25 * (1.0 - mu);
      double gran = 1.0 + 0.04 * noise.Fbm3(x * 9, y * 9, 0.5, 4);
      double dr = 1.0, dg = (1.0 - 0.10 * t * t) * limb * gran, db = (0.96 - 0.30 * t * t) * limb * gran;
      double d = std::max(0.0, r - rd);
      double corona =
          glow * (0.7 * std::exp(-d / 0.05) + 0.3 * std::exp(-d / 0.22)) * SmoothStep(1.0, 0.7, r);
      double a = inside + (1.0 - inside) * corona;
      double w = a > 0 ? inside / a : 0.0; // colour weight of the disc against the glow
      SetRgba(img, px, py, dr, w * dg + (1 - w) * 0.86, w * db + (1 - w) * 0.55, a);
    }
  return img;
}

// The second disc layer: a shimmer over the disc and corona streamers around it, mostly
// transparent, so that turning it against the first layer animates the sun.
Image MakeSunCorona(int size, double rd, uint64_t seed)
{
  Image img(size, size, 4);
  Noise noise(seed);
  for (int py = 0; py < size; ++py)
    for (int px = 0; px < size; ++px)
    {
      double x, y;
      Centered(img, px, py, x, y);
      double r = std::hypot(x, y), ang = std::atan2(y, x);
      // Streamers: noise around the circle (sampled on a circle so it closes up),
      // stretched outwards.
      double cx = std::cos(ang) * 2.2, cy = std::sin(ang) * 2.2;
      double streak = 0.5 + 0.5 * noise.Fbm3(cx, cy, r * 1.2, 5);
      streak = std::pow(Clamp01(streak * 1.25 - 0.1), 2.2);
      double out =
          std::exp(-std::max(0.0, r - rd) / 0.16) * SmoothStep(1.0, 0.7, r) * SmoothStep(rd * 0.8, rd, r);
      double shimmer = 0.5 + 0.5 * noise.Fbm3(x * 7, y * 7, 3.7, 4);
      double in = SmoothStep(rd + 0.01, rd - 0.02, r) * 0.28 * shimmer;
      double a = Clamp01(1.1 * streak * out + in);
      double hot = Clamp01(in / std::max(a, 1e-6));
      SetRgba(img, px, py, 1.0, 0.86 + 0.14 * hot, 0.55 + 0.4 * hot, a);
    }
  return img;
}

// Rays: thin spikes of random length and weight around a soft core, white with alpha.
Image MakeRays(int size, uint64_t seed)
{
  Image img(size, size, 2);
  Rng rng(seed);
  struct Spike
  {
    double ang, len, weight, width;
  };
  std::vector<Spike> spikes;
  for (int i = 0; i < 40; ++i)
    spikes.push_back(
        { rng.Range(0, 2 * kPi), rng.Range(0.45, 0.97), rng.Range(0.25, 1.0), rng.Range(0.8, 2.2) });
  double half = size / 2.0;
  for (int py = 0; py < size; ++py)
    for (int px = 0; px < size; ++px)
    {
      double x, y;
      Centered(img, px, py, x, y);
      double r = std::hypot(x, y), ang = std::atan2(y, x);
      double a = 0.55 * std::exp(-r / 0.12);
      for (const Spike& s : spikes)
      {
        double d = std::remainder(ang - s.ang, 2 * kPi);
        if (std::fabs(d) > kPi / 2)
          continue;
        double across = std::fabs(std::sin(d)) * r * half; // pixels from the spike's axis
        double taper = s.width * (1.0 - 0.6 * r / s.len);
        double along = std::pow(Clamp01(1.0 - r / s.len), 1.4);
        a += s.weight * along * std::exp(-(across * across) / (taper * taper));
      }
      a *= SmoothStep(1.0, 0.9, r);
      uint8_t* p = img.at(px, py);
      p[0] = 255;
      p[1] = ToByte(a);
    }
  return img;
}

// The occlusion mask: opaque where the sun disc is, transparent elsewhere.
Image MakeSunMask(int w, int h, double rd)
{
  Image img(w, h, 4);
  for (int py = 0; py < h; ++py)
    for (int px = 0; px < w; ++px)
    {
      double x, y;
      Centered(img, px, py, x, y);
      double r = std::hypot(x, y);
      double edge = 2.0 / std::min(w, h);
      SetRgba(img, px, py, 1, 1, 1, SmoothStep(rd + edge, rd - edge, r));
    }
  return img;
}

// Soft glow with a faint ring: the sun's halo and the first lens flare.
Image MakeFlare(int size)
{
  Image img(size, size, 4);
  for (int py = 0; py < size; ++py)
    for (int px = 0; px < size; ++px)
    {
      double x, y;
      Centered(img, px, py, x, y);
      double r = std::hypot(x, y);
      double glow = 0.8 * std::exp(-r / 0.24) + 0.2 * std::exp(-(r * r) / 0.01);
      double ring = 0.10 * std::exp(-std::pow((r - 0.72) / 0.045, 2));
      double a = (glow + ring) * SmoothStep(1.0, 0.82, r);
      SetRgba(img, px, py, 1, 1, 1, a);
    }
  return img;
}

// The ghosts a camera lens throws along the line from a bright light through the
// centre of the picture: light reflected between its glass surfaces and cut by the
// iris.  White, so that the flare's own colour shows; their shape is in the alpha,
// which is zero at every edge of the image.  `fringe` tints the rim of a ghost the way
// the glass spreads the colours, red outside, blue inside; the rest stays white.
enum class Ghost
{
  Disc,    // a soft, even disc: the iris seen out of focus
  Ring,    // a thin bright ring with coloured edges
  Halo,    // a wide faint glow that thins towards a soft outer ring
  Hexagon, // the six blades of the iris
};

// Distance from the centre in the metric of a regular hexagon of inner radius 1, flat
// sides at the top and the bottom (so that the ghost is the same turned left-right).
double HexRadius(double x, double y)
{
  const double c = 0.8660254037844386; // cos 30 degrees
  const double ax = std::fabs(x), ay = std::fabs(y);
  return std::max(ay, c * ax + 0.5 * ay);
}

// 1 on a ghost's rim (d = 0), falling off within about one unit of d either side.
double Rim(double d) { return std::exp(-d * d); }

Image MakeGhost(int size, Ghost kind)
{
  Image img(size, size, 4);
  const double pixel = 2.0 / size;
  for (int py = 0; py < size; ++py)
    for (int px = 0; px < size; ++px)
    {
      double x, y;
      Centered(img, px, py, x, y);
      const double r = std::hypot(x, y);
      double a = 0.0, fringe = 0.0; // fringe: -1 blue .. +1 red
      switch (kind)
      {
        case Ghost::Disc:
        {
          const double edge = 0.62;
          const double inside = SmoothStep(edge + 0.10, edge - 0.06, r);
          a = 0.42 * inside * (0.8 + 0.2 * SmoothStep(0.0, edge, r)); // a little brighter towards the rim
          fringe = std::clamp((r - edge + 0.02) / 0.08, -1.0, 1.0) * inside * Rim((r - edge) / 0.08);
          break;
        }
        case Ghost::Ring:
        {
          const double ring = 0.66, width = 0.06;
          const double d = (r - ring) / width;
          a = 0.75 * std::exp(-d * d) + 0.08 * SmoothStep(ring, 0.2, r);
          fringe = std::clamp(d / 1.5, -1.0, 1.0) * Rim(d / 2.0);
          break;
        }
        case Ghost::Halo:
        {
          const double d = (r - 0.78) / 0.09;
          a = 0.18 * std::exp(-r / 0.45) + 0.16 * std::exp(-d * d);
          fringe = std::clamp(d / 2.0, -1.0, 1.0) * 0.6 * Rim(d / 2.0);
          break;
        }
        case Ghost::Hexagon:
        {
          const double h = HexRadius(x, y) / 0.62;
          const double inside = SmoothStep(1.0 + 2.5 * pixel / 0.62, 1.0 - 2.5 * pixel / 0.62, h);
          a = inside * (0.30 + 0.22 * std::pow(Clamp01(h), 6.0)); // the blades' edges catch more light
          fringe = std::clamp((h - 0.9) / 0.1, -1.0, 1.0) * inside * Rim((h - 1.0) / 0.12);
          break;
        }
      }
      a *= SmoothStep(0.98, 0.90, r); // nothing reaches the quad's edge
      const double red = 1.0 - 0.18 * std::max(0.0, -fringe), blue = 1.0 - 0.22 * std::max(0.0, fringe);
      SetRgba(img, px, py, red, 1.0 - 0.08 * std::fabs(fringe), blue, a);
    }
  return img;
}

// ---------------------------------------------------------------------------
// Earth halos

// The atmosphere shell is a half sphere facing the camera with u across its half turn
// and v from pole to pole, so the cosine of a point's angle from the view axis is
// sin(pi u) sin(pi v).  The haze is strongest at the rim and clears towards the centre.
Image MakeAtmosphere(int size)
{
  Image img(size, size, 4);
  for (int py = 0; py < size; ++py)
    for (int px = 0; px < size; ++px)
    {
      double u = (px + 0.5) / size, v = (py + 0.5) / size;
      double facing = std::sin(kPi * u) * std::sin(kPi * v);
      double a = 0.95 * std::pow(Clamp01(1.0 - facing / 0.62), 1.7);
      double light = 0.82 + 0.18 * Clamp01(1.0 - facing / 0.3); // whiter right at the rim
      SetRgba(img, px, py, light, light, 1.0, a);
    }
  return img;
}

// The glow where the sun sets behind the planet.  The quad is centred on the planet
// and turned so that +u points to the sun; the limb sits at 0.6 of the half-size.
Image MakeDifraction(int size)
{
  Image img(size, size, 4);
  const double limb = 0.6;
  for (int py = 0; py < size; ++py)
    for (int px = 0; px < size; ++px)
    {
      double x, y;
      Centered(img, px, py, x, y);
      // The world turns the quad's u = 0 edge towards the sun: the glow sits on the left.
      x = -x;
      double r = std::hypot(x, y), ang = std::atan2(y, x);
      double dr = r - limb;
      double arc = std::exp(-(dr * dr) / (dr < 0 ? 0.0009 : 0.006)) * std::exp(-(ang * ang) / 0.35);
      double spot = std::exp(-(std::pow(x - limb - 0.02, 2) + y * y) / 0.006);
      double wide = 0.35 * std::exp(-(std::pow(x - limb, 2) + y * y) / 0.06);
      double streak = 0.35 * std::exp(-std::pow((x - limb - 0.01) / 0.012, 2)) * std::exp(-(y * y) / 0.08);
      double a = Clamp01(arc * 0.9 + spot + wide + streak);
      a *= SmoothStep(1.0, 0.85, std::max(std::fabs(x), std::fabs(y)));
      double core = Clamp01(spot + arc * 0.5);
      SetRgba(img, px, py, 1.0, 0.85 + 0.15 * core, 0.7 + 0.3 * core, a);
    }
  return img;
}

// ---------------------------------------------------------------------------
// Clouds: white with alpha from domain-warped noise sampled on the sphere (no seam,
// no pinching at the poles), thinned in the subtropics and thickened along the
// equatorial and mid-latitude belts.
Image MakeClouds(int w, int h)
{
  Image img(w, h, 4);
  Noise base(101), warp(202), detail(303);
  for (int py = 0; py < h; ++py)
  {
    double lat = kPi / 2 - (py + 0.5) / h * kPi;
    double deg = lat * 180.0 / kPi;
    auto band = [deg](double centre, double width) { return std::exp(-std::pow((deg - centre) / width, 2)); };
    double cover = -0.05 + 0.24 * band(6, 7) - 0.22 * band(24, 9) - 0.22 * band(-24, 9) +
                   0.20 * band(52, 12) + 0.22 * band(-55, 11) + 0.05 * band(80, 10) - 0.1 * band(-85, 6);
    for (int px = 0; px < w; ++px)
    {
      double lon = (px + 0.5) / w * 2 * kPi;
      double sx = std::cos(lat) * std::cos(lon), sy = std::sin(lat), sz = std::cos(lat) * std::sin(lon);
      // Stretch along the parallels: weather systems are drawn out by the winds.
      double qx = sx * 2.2, qy = sy * 4.4, qz = sz * 2.2;
      double wx = warp.Fbm3(qx + 1.7, qy, qz, 5), wy = warp.Fbm3(qx, qy + 9.2, qz, 5),
             wz = warp.Fbm3(qx, qy, qz + 4.4, 5);
      double n = base.Fbm3(qx + 1.8 * wx, qy + 1.8 * wy, qz + 1.8 * wz, 8);
      double fine = detail.Fbm3(sx * 20 + 2 * wx, sy * 34, sz * 20 + 2 * wz, 4);
      double v = n * 1.6 + cover + 0.22 * fine;
      double a = SmoothStep(-0.16, 0.42, v);
      a = std::pow(a, 1.6) * 0.98;
      SetRgba(img, px, py, 1, 1, 1, a);
    }
  }
  return img;
}

// ---------------------------------------------------------------------------
// Star field for the sky box: tiles seamlessly (the faces repeat it).
Image MakeUniverse(int size)
{
  std::vector<double> acc(size_t(size) * size * 3, 0.0);
  Noise neb(77);
  for (int py = 0; py < size; ++py)
    for (int px = 0; px < size; ++px)
    {
      double u = double(px) / size * 4, v = double(py) / size * 4;
      double n = neb.Fbm2(u, v, 4, 6, 0.55);
      double m = std::pow(Clamp01(n * 1.4 + 0.15), 2.0);
      double tint = 0.5 + 0.5 * neb.Fbm2(u + 0.37, v + 0.71, 4, 3);
      double* p = &acc[(size_t(py) * size + px) * 3];
      p[0] = 0.008 + m * (0.045 + 0.05 * tint);
      p[1] = 0.008 + m * 0.04;
      p[2] = 0.018 + m * (0.09 - 0.03 * tint);
    }
  Rng rng(4242);
  auto splat = [&](double cx, double cy, double sigma, double bright, double r, double g, double b)
  {
    int rad = int(std::ceil(sigma * 3.5));
    for (int dy = -rad; dy <= rad; ++dy)
      for (int dx = -rad; dx <= rad; ++dx)
      {
        int ix = int(std::floor(cx)) + dx, iy = int(std::floor(cy)) + dy;
        double ddx = ix + 0.5 - cx, ddy = iy + 0.5 - cy;
        double k = bright * std::exp(-(ddx * ddx + ddy * ddy) / (2 * sigma * sigma));
        ix = ((ix % size) + size) % size;
        iy = ((iy % size) + size) % size;
        double* p = &acc[(size_t(iy) * size + ix) * 3];
        p[0] += k * r;
        p[1] += k * g;
        p[2] += k * b;
      }
  };
  static const double kColours[][3] = { { 0.75, 0.85, 1.0 }, { 0.9, 0.94, 1.0 },  { 1.0, 1.0, 1.0 },
                                        { 1.0, 0.95, 0.82 }, { 1.0, 0.85, 0.65 }, { 1.0, 0.75, 0.6 } };
  for (int i = 0; i < 1100; ++i)
  {
    double x = rng.Range(0, size), y = rng.Range(0, size);
    double mag = std::pow(rng.Uniform(), 3.2); // many faint, few bright
    const double* c = kColours[rng.Next() % 6];
    double bright = 0.22 + 1.6 * mag;
    double sigma = 0.55 + 0.45 * mag;
    splat(x, y, sigma, bright, c[0], c[1], c[2]);
    if (mag > 0.45)
      splat(x, y, sigma * 3.0, 0.10 * mag, c[0], c[1], c[2]); // glow round the bright ones
  }
  for (int i = 0; i < 1800; ++i)
  { // the faint background
    double x = rng.Range(0, size), y = rng.Range(0, size);
    const double* c = kColours[rng.Next() % 6];
    splat(x, y, 0.5, rng.Range(0.06, 0.2), c[0], c[1], c[2]);
  }
  Image img(size, size, 3);
  for (size_t i = 0; i < acc.size(); ++i)
    img.px[i] = ToByte(acc[i]);
  return img;
}

// ---------------------------------------------------------------------------
// Earth and Moon maps

// The day map's alpha marks water, which the Earth's second pass uses for its specular
// glint; land stays at 0 so that pass leaves it alone, and water is kept low so the
// unlit second pass cannot light up the night side.
Image MakeEarthDay(const Image& rgb)
{
  Image img(rgb.w, rgb.h, 4);
  for (int y = 0; y < rgb.h; ++y)
    for (int x = 0; x < rgb.w; ++x)
    {
      const uint8_t* s = &rgb.px[(size_t(y) * rgb.w + x) * 3];
      double r = s[0], g = s[1], b = s[2];
      double blue = Clamp01((b - std::max(r, g * 0.95) + 8.0) / 28.0);
      double notIce = Clamp01((150.0 - r) / 50.0);
      uint8_t* d = img.at(x, y);
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[3] = ToByte(0.25 * blue * notIce);
    }
  return img;
}

// ---------------------------------------------------------------------------
// Font: 16 x 16 cells of 16 x 16 pixels, character code c in column c mod 16 and row
// c div 16 from the top, white with coverage as alpha.  The font settings map '#'
// to the first cell, so it is drawn there as well.
bool MakeFont(const std::string& ttf, Image& img)
{
  FT_Library lib;
  FT_Face face;
  if (FT_Init_FreeType(&lib))
    return false;
  if (FT_New_Face(lib, ttf.c_str(), 0, &face) || FT_Set_Pixel_Sizes(face, 0, 13))
  {
    std::fprintf(stderr, "make_images: cannot load font %s\n", ttf.c_str());
    FT_Done_FreeType(lib);
    return false;
  }
  img = Image(256, 256, 4);
  for (size_t i = 0; i < img.px.size(); i += 4)
    img.px[i] = img.px[i + 1] = img.px[i + 2] = 255;
  const int cell = 16, baseline = 12;
  auto draw = [&](int code, int cellIndex)
  {
    if (FT_Load_Char(face, FT_ULong(code), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT))
      return;
    FT_GlyphSlot g = face->glyph;
    int cx = (cellIndex % 16) * cell, cy = (cellIndex / 16) * cell;
    int advance = int(g->advance.x >> 6);
    int left = cx + (cell - advance) / 2 + g->bitmap_left;
    int top = cy + baseline - g->bitmap_top;
    for (unsigned row = 0; row < g->bitmap.rows; ++row)
      for (unsigned col = 0; col < g->bitmap.width; ++col)
      {
        int x = left + int(col), y = top + int(row);
        if (x < cx || x >= cx + cell || y < cy || y >= cy + cell)
        {
          if (g->bitmap.buffer[row * g->bitmap.pitch + col] > 64)
            std::fprintf(stderr, "make_images: glyph %d clipped\n", code);
          continue;
        }
        uint8_t* p = img.at(x, y);
        p[3] = std::max(p[3], g->bitmap.buffer[row * g->bitmap.pitch + col]);
      }
  };
  for (int c = 33; c < 127; ++c)
    draw(c, c);
  draw('#', 0);
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
  return true;
}

} // namespace

int main(int argc, char** argv)
{
  std::string out, day, night, moon, font;
  for (int i = 1; i + 1 < argc; i += 2)
  {
    std::string k = argv[i], v = argv[i + 1];
    if (k == "--out")
      out = v;
    else if (k == "--day")
      day = v;
    else if (k == "--night")
      night = v;
    else if (k == "--moon")
      moon = v;
    else if (k == "--font")
      font = v;
    else
    {
      std::fprintf(stderr, "make_images: unknown option %s\n", k.c_str());
      return 2;
    }
  }
  if (out.empty() || argc % 2 == 0)
  {
    std::fprintf(
        stderr, "usage: make_images --out DIR [--day F.ppm] [--night F.ppm] [--moon F.ppm] [--font F.ttf]\n");
    return 2;
  }
  auto path = [&out](const char* name) { return out + "/" + name; };
  bool ok = true;
  auto sized = [&ok](const Image& img, int w, int h, const std::string& what)
  {
    if (img.w == w && img.h == h)
      return true;
    std::fprintf(stderr, "make_images: %s is %dx%d, expected %dx%d\n", what.c_str(), img.w, img.h, w, h);
    ok = false;
    return false;
  };

  const double kDisc = 0.5; // disc radius of the sun sprites, in half-sizes
  ok &= WritePng(path("earthclouds.png"), MakeClouds(1024, 512));
  ok &= WritePng(path("atmosphere.png"), MakeAtmosphere(128));
  ok &= WritePng(path("difraction.png"), MakeDifraction(256));
  ok &= WritePng(path("univer.png"), MakeUniverse(512));
  ok &= WritePng(path("sun.png"), MakeSunDisc(128, 0.32, 0.9, 11));
  ok &= WritePng(path("sun2.png"), MakeSunDisc(256, kDisc, 0.8, 12));
  ok &= WritePng(path("sun3.png"), MakeSunCorona(256, kDisc, 13));
  // The masking sun measures a field of about +-0.71 half-sizes round the disc's centre:
  // the mask fills it, so that an unhidden sun measures full visibility.
  ok &= WritePng(path("sun4.png"), MakeSunMask(337, 319, 0.95));
  ok &= WritePng(path("sun5.png"), MakeRays(128, 15));
  ok &= WritePng(path("sun6.png"), MakeSunDisc(256, kDisc, 0.8, 16));
  ok &= WritePng(path("sun7.png"), MakeSunCorona(256, kDisc, 17));
  ok &= WritePng(path("flare0.png"), MakeFlare(128));
  ok &= WritePng(path("flare1.png"), MakeGhost(128, Ghost::Disc));
  ok &= WritePng(path("flare2.png"), MakeGhost(128, Ghost::Ring));
  ok &= WritePng(path("flare3.png"), MakeGhost(128, Ghost::Halo));
  ok &= WritePng(path("flare4.png"), MakeGhost(128, Ghost::Hexagon));

  Image src(0, 0, 3);
  auto load = [&](const std::string& file, int w, int h)
  {
    bool got = ReadPpm(file, src) && sized(src, w, h, file);
    ok &= got;
    return got;
  };
  if (!day.empty() && load(day, 1024, 512))
    ok &= WritePng(path("earthday.png"), MakeEarthDay(src));
  if (!night.empty() && load(night, 1024, 512))
    ok &= WritePng(path("earthnight.png"), src);
  if (!moon.empty() && load(moon, 720, 360))
    ok &= WritePng(path("moon.png"), src);
  if (!font.empty())
  {
    Image img(0, 0, 4);
    if (MakeFont(font, img))
      ok &= WritePng(path("font.png"), img);
    else
      ok = false;
  }
  return ok ? 0 : 1;
}
