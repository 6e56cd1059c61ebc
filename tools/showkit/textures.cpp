#include "tools/showkit/textures.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <memory>
#include <numbers>
#include <stdexcept>

namespace tav::showkit {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

struct Colour {
  float r, g, b;
};
Colour mix(Colour a, Colour b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Colour scale(Colour c, float s) {
  return {c.r * s, c.g * s, c.b * s};
}
Colour add(Colour a, Colour b) {
  return {a.r + b.r, a.g + b.g, a.b + b.b};
}

// Value noise from an integer hash: the same picture on every run.
float hash(int x, int y, int seed) {
  auto h = static_cast<std::uint32_t>(x * 374761393 + y * 668265263 + seed * 2147483647);
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<float>((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}
float smooth(float t) {
  return t * t * (3.0f - 2.0f * t);
}
float noise(float x, float y, int seed) {
  int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
  float fx = smooth(x - static_cast<float>(ix)), fy = smooth(y - static_cast<float>(iy));
  float a = hash(ix, iy, seed), b = hash(ix + 1, iy, seed);
  float c = hash(ix, iy + 1, seed), d = hash(ix + 1, iy + 1, seed);
  return a + (b - a) * fx + (c - a) * fy + (a - b - c + d) * fx * fy;
}
// Fractal noise in 0..1, wrapping every `period` cells so textures tile.
float fbm(float x, float y, int seed, int octaves = 5) {
  float sum = 0, amplitude = 0.5f, frequency = 1;
  for (int o = 0; o < octaves; ++o) {
    sum += amplitude * noise(x * frequency, y * frequency, seed + o);
    amplitude *= 0.5f;
    frequency *= 2.0f;
  }
  return sum / (1.0f - std::pow(0.5f, static_cast<float>(octaves)));
}

Image paint(int width, int height, const std::function<Colour(float, float)>& at) {
  Image image{width, height,
              std::vector<std::uint8_t>(static_cast<std::size_t>(width * height * 3))};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Colour c = at((static_cast<float>(x) + 0.5f) / static_cast<float>(width),
                    (static_cast<float>(y) + 0.5f) / static_cast<float>(height));
      std::uint8_t* p = &image.rgb[static_cast<std::size_t>((y * width + x) * 3)];
      p[0] = static_cast<std::uint8_t>(std::clamp(c.r, 0.0f, 1.0f) * 255.0f + 0.5f);
      p[1] = static_cast<std::uint8_t>(std::clamp(c.g, 0.0f, 1.0f) * 255.0f + 0.5f);
      p[2] = static_cast<std::uint8_t>(std::clamp(c.b, 0.0f, 1.0f) * 255.0f + 0.5f);
    }
  }
  return image;
}

// Light drawn additively on black: each 8 x 8 block that is all but black (no channel above 4 of
// 255, which at the alphas these are drawn with adds 2 levels at most) becomes exactly black,
// and stays so through JPEG (see writeJpeg), so that the renderer can tell where such a texture
// adds nothing.
Image onBlack(Image image) {
  for (int by = 0; by < image.height; by += 8) {
    for (int bx = 0; bx < image.width; bx += 8) {
      std::uint8_t brightest = 0;
      for (int y = by; y < std::min(by + 8, image.height); ++y) {
        for (int x = bx; x < std::min(bx + 8, image.width); ++x) {
          const std::uint8_t* p = &image.rgb[static_cast<std::size_t>((y * image.width + x) * 3)];
          brightest = std::max({brightest, p[0], p[1], p[2]});
        }
      }
      if (brightest > 4) continue;
      for (int y = by; y < std::min(by + 8, image.height); ++y) {
        std::fill_n(&image.rgb[static_cast<std::size_t>((y * image.width + bx) * 3)],
                    3 * (std::min(bx + 8, image.width) - bx), 0);
      }
    }
  }
  return image;
}

// A soft round dot on black: the sprite and glow shape.
Image dot(Colour colour, float sharpness) {
  return onBlack(paint(64, 64, [=](float u, float v) {
    float d = std::hypot(u - 0.5f, v - 0.5f) * 2.0f;
    float glow = std::pow(std::max(0.0f, 1.0f - d), sharpness);
    return scale(colour, glow);
  }));
}

struct Named {
  const char* file;
  std::function<Image()> make;
};

std::vector<Named> pictures() {
  return {
      // Backdrops and layers the set-up adds by name.
      {"max_bron.jpg",
       [] {
         return paint(512, 384, [](float u, float v) {
           float n = fbm(u * 6, v * 4.5f, 11);
           Colour base = mix({0.35f, 0.18f, 0.06f}, {0.85f, 0.55f, 0.25f}, n);
           float veins = std::pow(std::abs(std::sin((u * 9 + n * 3) * kPi)), 12.0f);
           return add(scale(base, 0.55f + 0.45f * (1.0f - v)),
                      scale({0.9f, 0.7f, 0.4f}, veins * 0.4f));
         });
       }},
      {"max_bron_over.jpg",
       [] {
         return paint(512, 384, [](float u, float v) {
           float c = std::pow(std::abs(std::sin((fbm(u * 5, v * 4, 12) * 7 + u * 3) * kPi)), 20.0f);
           return scale({1.0f, 0.8f, 0.5f}, c);
         });
       }},
      {"hiss.jpg",
       [] {
         return paint(512, 384, [](float u, float v) {
           float lines = 0.5f + 0.5f * std::sin(v * 384 * kPi * 0.5f);
           float n = fbm(u * 8, v * 6, 21);
           return scale(mix({0.05f, 0.02f, 0.2f}, {0.3f, 0.1f, 0.5f}, n), 0.6f + 0.4f * lines);
         });
       }},
      {"disc.jpg",
       [] {
         return onBlack(paint(64, 64, [](float u, float v) {
           float d = std::hypot(u - 0.5f, v - 0.5f) * 2.0f;
           float ring = std::exp(-std::pow((d - 0.7f) * 9.0f, 2.0f)) + std::max(0.0f, 0.4f - d);
           return scale({0.6f, 0.8f, 1.0f}, ring);
         }));
       }},
      {"max_mast.jpg",
       [] {
         return paint(512, 384, [](float u, float v) {
           Colour sky = mix({0.95f, 0.55f, 0.25f}, {0.1f, 0.08f, 0.3f}, v);
           float hills = 0.75f + 0.08f * fbm(u * 5, 0.5f, 31);
           return v > hills ? scale(sky, 0.15f)
                            : add(sky, scale({0.2f, 0.1f, 0.1f}, fbm(u * 20, v * 20, 32)));
         });
       }},
      {"max_e22.jpg",
       [] {
         return paint(512, 384, [](float u, float v) {
           float n = fbm(u * 4 + 3, v * 3, 41);
           float grid = std::max(std::pow(std::abs(std::sin(u * 24 * kPi)), 40.0f),
                                 std::pow(std::abs(std::sin(v * 18 * kPi)), 40.0f));
           return add(mix({0.0f, 0.15f, 0.2f}, {0.1f, 0.5f, 0.55f}, n),
                      scale({0.2f, 0.6f, 0.6f}, grid * 0.5f));
         });
       }},
      {"max_e22_over2.jpg",
       [] {
         return paint(512, 384, [](float u, float v) {
           float blobs = std::pow(fbm(u * 5, v * 4, 42), 4.0f) * 3.0f;
           return scale({0.3f, 1.0f, 0.8f}, blobs);
         });
       }},
      {"white.jpg",
       [] {
         return paint(512, 384, [](float u, float v) {
           // Not quite white, so that sprites added on top still show.
           float n = fbm(u * 3, v * 3, 51);
           return mix({0.62f, 0.64f, 0.68f}, {0.74f, 0.74f, 0.76f}, n);
         });
       }},
      // Maps the models' materials name.
      {"glow.jpg",
       [] {
         return dot({1.0f, 1.0f, 1.0f}, 2.0f);
       }},
      {"glow_warm.jpg",
       [] {
         return dot({1.0f, 0.7f, 0.35f}, 1.6f);
       }},
      {"glow_cool.jpg",
       [] {
         return dot({0.45f, 0.75f, 1.0f}, 1.6f);
       }},
      {"glow_green.jpg",
       [] {
         return dot({0.5f, 1.0f, 0.6f}, 1.8f);
       }},
      {"glow_ink.jpg",
       [] {
         return dot({0.55f, 0.35f, 0.9f}, 1.4f);
       }},
      {"ssmall.jpg",
       [] {
         return dot({0.8f, 0.9f, 1.0f}, 6.0f);
       }},
      {"tile.jpg",
       [] {
         return paint(256, 256, [](float u, float v) {
           bool dark = (static_cast<int>(u * 8) + static_cast<int>(v * 8)) % 2 != 0;
           float n = fbm(u * 16, v * 16, 61);
           return scale(dark ? Colour{0.25f, 0.25f, 0.3f} : Colour{0.6f, 0.6f, 0.65f},
                        0.8f + 0.2f * n);
         });
       }},
      {"stone.jpg",
       [] {
         return paint(256, 256, [](float u, float v) {
           float n = fbm(u * 8, v * 8, 71);
           return mix({0.3f, 0.28f, 0.25f}, {0.75f, 0.7f, 0.62f}, n);
         });
       }},
      {"metal.jpg",
       [] {
         return paint(256, 256, [](float u, float v) {
           float brush = fbm(u * 64, v * 2, 81, 3);
           return mix({0.45f, 0.47f, 0.5f}, {0.85f, 0.87f, 0.9f}, brush);
         });
       }},
      {"env.jpg",
       [] {
         return paint(256, 256, [](float u, float v) {
           float sky = 1.0f - v;
           return add(mix({0.1f, 0.1f, 0.2f}, {0.6f, 0.8f, 1.0f}, sky),
                      scale({1, 1, 0.8f}, std::pow(fbm(u * 4, v * 4, 91), 6.0f)));
         });
       }},
      {"ripple.jpg",
       [] {
         return paint(256, 256, [](float u, float v) {
           float r = std::hypot(u - 0.5f, v - 0.5f);
           float w = 0.5f + 0.5f * std::sin(r * 60.0f);
           return mix({0.05f, 0.1f, 0.25f}, {0.4f, 0.6f, 0.9f}, w);
         });
       }},
      {"history.jpg",
       [] {
         return paint(512, 384, [](float u, float v) {
           float n = fbm(u * 3, v * 2, 101);
           float band = 0.5f + 0.5f * std::sin((v * 3 + n) * kPi);
           return mix({0.05f, 0.05f, 0.12f}, {0.35f, 0.25f, 0.45f}, band * n);
         });
       }},
      {"ball.jpg",
       [] {
         return paint(128, 64, [](float u, float) {
           bool stripe = static_cast<int>(u * 8) % 2 == 0;
           return stripe ? Colour{0.9f, 0.3f, 0.2f} : Colour{0.95f, 0.9f, 0.8f};
         });
       }},
      {"floor.jpg",
       [] {
         return paint(256, 256, [](float u, float v) {
           float n = fbm(u * 10, v * 10, 111);
           float lines = std::max(std::pow(std::abs(std::cos(u * 10 * kPi)), 60.0f),
                                  std::pow(std::abs(std::cos(v * 10 * kPi)), 60.0f));
           return add(mix({0.1f, 0.12f, 0.15f}, {0.25f, 0.3f, 0.35f}, n),
                      scale({0.3f, 0.5f, 0.6f}, lines));
         });
       }},
  };
}

// Four photographs for the closing cards: skies over hills in different light.
Image photo(int which) {
  const Colour skies[4][2] = {{{0.9f, 0.5f, 0.3f}, {0.2f, 0.2f, 0.5f}},
                              {{0.6f, 0.8f, 1.0f}, {0.2f, 0.4f, 0.8f}},
                              {{1.0f, 0.8f, 0.5f}, {0.5f, 0.3f, 0.4f}},
                              {{0.3f, 0.3f, 0.4f}, {0.05f, 0.05f, 0.15f}}};
  // A white border, wider at the bottom, around a square picture.
  constexpr float kSide = 0.08f, kTop = 0.07f, kBottom = 0.22f;
  return paint(128, 152, [which, &skies](float x, float y) {
    if (x < kSide || x > 1 - kSide || y < kTop || y > 1 - kBottom)
      return Colour{0.95f, 0.94f, 0.9f};
    float u = (x - kSide) / (1 - 2 * kSide), v = (y - kTop) / (1 - kTop - kBottom);
    float horizon = 0.6f + 0.1f * fbm(u * 4, 1.0f, 121 + which);
    if (v < horizon) return mix(skies[which][1], skies[which][0], v / horizon);
    float n = fbm(u * 12, v * 12, 131 + which);
    return scale({0.2f, 0.35f, 0.15f}, 0.5f + 0.5f * n);
  });
}

}  // namespace

bool writeJpeg(const std::filesystem::path& file, const Image& image, int quality) {
  // A picture with black 8 x 8 blocks keeps its colour at full resolution: each block is then
  // coded alone, and a black one decodes exactly black (its DC, a multiple of the quantiser
  // at this quality, and no chroma spilling over from a neighbour).
  bool hasBlackBlocks = false;
  for (int by = 0; by + 8 <= image.height && !hasBlackBlocks; by += 8) {
    for (int bx = 0; bx + 8 <= image.width && !hasBlackBlocks; bx += 8) {
      bool black = true;
      for (int y = by; y < by + 8 && black; ++y) {
        const std::uint8_t* row = &image.rgb[static_cast<std::size_t>((y * image.width + bx) * 3)];
        black = std::all_of(row, row + 24, [](std::uint8_t v) { return v == 0; });
      }
      hasBlackBlocks = black;
    }
  }
  std::unique_ptr<void, int (*)(tjhandle)> tj(tjInitCompress(), &tjDestroy);
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  if (!tj ||
      tjCompress2(tj.get(), image.rgb.data(), image.width, image.width * 3, image.height, TJPF_RGB,
                  &jpeg, &size, hasBlackBlocks ? TJSAMP_444 : TJSAMP_420, quality, 0) != 0) {
    return false;
  }
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(jpeg), static_cast<std::streamsize>(size));
  tjFree(jpeg);
  return static_cast<bool>(out);
}

std::vector<std::string> writeTextures(const std::filesystem::path& dir) {
  std::vector<std::string> written;
  auto save = [&](const std::string& name, const Image& image) {
    if (!writeJpeg(dir / name, image, 88))
      throw std::runtime_error("cannot write " + (dir / name).string());
    written.push_back(name);
  };
  for (const Named& picture : pictures())
    save(picture.file, picture.make());
  for (int i = 0; i < 4; ++i)
    save("photo" + std::to_string(i + 1) + ".jpg", photo(i));
  return written;
}

}  // namespace tav::showkit
