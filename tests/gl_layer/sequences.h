#pragma once
// Call sequences drawn twice, by the browser's GL layer and by the system's fixed-function OpenGL:
// one source (sequences.inc) compiled once against each.
#include <span>

namespace tav::gl_layer {

inline constexpr int kWidth = 96, kHeight = 64;

// Where a sequence finds the ARB_multitexture entry points, as a window hands them out.
using ProcAddress = void* (*)(const char* name);

struct Sequence {
  const char* name;
  void (*draw)(ProcAddress procAddress);
};

std::span<const Sequence> layerSequences();
std::span<const Sequence> fixedFunctionSequences();

}  // namespace tav::gl_layer
