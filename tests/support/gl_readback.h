#pragma once
// The OpenGL state the engine's drawing sets, read back from the current context item by item,
// and a way to set all of it to unlikely values: a test makes the state, reads it, scrambles it,
// has it put back and reads it again.
#include <string>
#include <utility>
#include <vector>

#include "engine/render/multitexture.h"

namespace tav::test {

// Named items, each as the floats the context answers.
using GlReadback = std::vector<std::pair<std::string, std::vector<float>>>;

GlReadback readGlState(const Multitexture& multitexture);
void scrambleGlState(const Multitexture& multitexture);
// The names of the items that differ, for a failure message.
std::string differences(const GlReadback& a, const GlReadback& b);

}  // namespace tav::test
