#pragma once

#include <cstdint>
#include <vector>

struct SImage;

// A small globe: the Earth map (equirectangular, bottom row first) seen from the side,
// lit from the left, on a transparent square of n by n pixels.  0xAARRGGBB, top row
// first.  Empty when the map has no colour.
std::vector<uint32_t> DrawGlobeIcon(const SImage& map, int n);
