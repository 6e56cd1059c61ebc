#pragma once
// Where a texture can add light: the rectangle of its texels that are not exactly black. Drawn
// with additive blending, a black texel adds exactly nothing, so nothing outside this rectangle
// (and the filter's reach around it) needs to be filled.
#include <cstdint>

#include "platform/image.h"

namespace tav {

struct TexelBounds {
  int width = 0;  // the texture's size
  int height = 0;
  // Inclusive texel columns and rows, row 0 first in memory (texture coordinate t = 0); empty
  // when every texel is black.
  int left = 0, right = -1, top = 0, bottom = -1;
  bool empty() const { return right < left || bottom < top; }
};

TexelBounds texelBounds(const platform::RgbImage& image);

// The texture coordinates outside of which linear filtering cannot reach a non-black texel:
// the rectangle grown by one texel, or the whole range on an axis where it touches an edge (the
// texture repeats, so filtering at one edge reads the other). False for an all-black texture.
struct TexRange {
  float s0 = 0.0f, s1 = 1.0f, t0 = 0.0f, t1 = 1.0f;
};
bool reachOf(const TexelBounds& bounds, TexRange& range);

}  // namespace tav
