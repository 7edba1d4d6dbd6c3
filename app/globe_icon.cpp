#include "app/globe_icon.h"

#include "sdk/image/image_readers.h"

#include <algorithm>
#include <cmath>

std::vector<uint32_t> DrawGlobeIcon(const SImage& map, int n)
{
  if (map.components < 3 || map.width == 0 || map.height == 0 || n < 2)
    return {};
  const float kPi = 3.14159265f;
  const float radius = n / 2.0f - 1.0f;
  std::vector<uint32_t> pixels(static_cast<size_t>(n) * n, 0);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
    {
      float dx = (x + 0.5f - n / 2.0f) / radius;
      float dy = (y + 0.5f - n / 2.0f) / radius;
      float r = std::sqrt(dx * dx + dy * dy);
      // The rim pixel is covered in proportion to how far inside it lies.
      float cover = std::clamp((1.0f - r) * radius + 0.5f, 0.0f, 1.0f);
      if (cover <= 0.0f)
        continue;
      if (r > 1.0f)
      {
        dx /= r;
        dy /= r;
      }
      float dz = std::sqrt(std::max(0.0f, 1.0f - dx * dx - dy * dy));
      float u = std::atan2(dx, dz) / (2.0f * kPi) + 0.5f;
      float v = 0.5f + std::asin(std::clamp(-dy, -1.0f, 1.0f)) / kPi; // 0 at the south pole
      int col = std::min(static_cast<int>(u * map.width), map.width - 1);
      int row = std::min(static_cast<int>(v * map.height), map.height - 1);
      const uint8_t* p = &map.pixels[(static_cast<size_t>(row) * map.width + col) * map.components];
      float light = std::clamp(0.25f + 0.9f * (0.6f * dz - 0.55f * dx + 0.3f), 0.2f, 1.0f);
      auto c = [&](int i) { return static_cast<uint32_t>(std::min(255.0f, p[i] * light)); };
      uint32_t a = static_cast<uint32_t>(cover * 255.0f + 0.5f);
      pixels[static_cast<size_t>(y) * n + x] = a << 24 | c(0) << 16 | c(1) << 8 | c(2);
    }
  return pixels;
}
