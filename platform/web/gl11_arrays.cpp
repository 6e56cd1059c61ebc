// Client arrays for the browser's OpenGL 1.1. glDrawElements reads the arrays where they lie, as
// desktop GL does, but the engine's meshes change only when they are loaded: each mesh's arrays
// live on the GPU, kept by where its vertices lie, and are sent again only when they differ
// from the copy kept beside them. Comparing reads each array once a draw; sending them read
// them as well, and then copied them twice more on their way to the GPU.
#include <algorithm>
#include <cstring>

#include "platform/web/gl11_context.h"

namespace tav::gl11 {
namespace {

// The copies are bounded: past this many bytes the meshes not drawn lately are forgotten (a
// forgotten mesh costs one more upload when it comes back).
constexpr std::size_t kMaxKeptBytes = 96u << 20;

// Whether `bytes` at `a` and `b` are the same, eight at a time (the C library's memcmp reads a
// byte at a time here).
bool sameBytes(const void* a, const void* b, std::size_t bytes) {
  const auto* p = static_cast<const unsigned char*>(a);
  const auto* q = static_cast<const unsigned char*>(b);
  std::size_t i = 0;
  for (; i + 32 <= bytes; i += 32) {
    std::uint64_t x[4], y[4];
    std::memcpy(x, p + i, 32);
    std::memcpy(y, q + i, 32);
    if (((x[0] ^ y[0]) | (x[1] ^ y[1]) | (x[2] ^ y[2]) | (x[3] ^ y[3])) != 0) return false;
  }
  return std::memcmp(p + i, q + i, bytes - i) == 0;
}

// Makes `kept` hold the `n` values at `data`; true when they were not already there.
template <typename T>
bool keep(std::vector<T>& kept, const T* data, std::size_t n) {
  if (kept.size() == n && sameBytes(kept.data(), data, n * sizeof(T))) return false;
  kept.assign(data, data + n);
  return true;
}

}  // namespace

MeshArrays::MeshArrays() {
  glGenVertexArrays(1, &vao);
  glGenBuffers(kBuffers, buffers.data());
}

MeshArrays::~MeshArrays() {
  glDeleteBuffers(kBuffers, buffers.data());
  glDeleteVertexArrays(1, &vao);
}

std::size_t MeshArrays::bytes() const {
  return (positions.size() + normals.size() + coordinates.size() + indices.size()) * 4;
}

void MeshArrays::attach(Buffer buffer, GLuint index, GLint size, bool on, bool changed,
                        const std::vector<float>& data, Work& work) {
  if (on && (changed || !attached[buffer])) {
    glBindBuffer(GL_ARRAY_BUFFER, buffers[buffer]);
    if (changed) {
      const std::size_t bytes = data.size() * sizeof(float);
      glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), data.data(), GL_STATIC_DRAW);
      work.storageBytes += bytes;
      work.sentBytes += bytes;
    }
    glVertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, 0, nullptr);
  }
  if (on != attached[buffer]) {
    attached[buffer] = on;
    on ? glEnableVertexAttribArray(index) : glDisableVertexAttribArray(index);
  }
}

// A constant attribute, sent only when it differs from what WebGL holds.
void Context::constantAttribute(GLuint index, const float* value) {
  std::array<float, 4>& sent = constants_[index];
  if (sameBytes(sent.data(), value, sizeof(float) * 4)) return;
  std::memcpy(sent.data(), value, sizeof(float) * 4);
  glVertexAttrib4fv(index, value);
}

void Context::drawArrays(const std::uint32_t* indices, std::size_t count) {
  if (!vertexArray.enabled || !vertexArray.pointer || count < 3 || scissoredAway()) return;
  count -= count % 3;
  const bool normals = normalArray.enabled && normalArray.pointer;
  const bool coordinates = texCoordArray.enabled && texCoordArray.pointer;
  if (wireframe) {
    // Each triangle's three edges, one vertex after another, as immediate mode would send them.
    Vertex triangle[3] = {current, current, current};
    for (std::size_t f = 0; f < count; f += 3) {
      for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t j = indices[f + k];
        Vertex& v = triangle[k];
        std::memcpy(v.position, vertexArray.pointer + 3 * j, sizeof v.position);
        if (normals) std::memcpy(v.normal, normalArray.pointer + 3 * j, sizeof v.normal);
        if (coordinates) std::memcpy(v.tex0, texCoordArray.pointer + 2 * j, sizeof v.tex0);
      }
      emitPolygon(triangle, 3);
    }
    flush();
    return;
  }

  std::unique_ptr<MeshArrays>& slot = meshes_[vertexArray.pointer];
  if (!slot) slot = std::make_unique<MeshArrays>();
  MeshArrays& mesh = *slot;
  mesh.lastDrawn = ++draws_;
  keptBytes_ -= mesh.bytes();
  const bool newIndices = keep(mesh.indices, indices, count);
  if (newIndices) mesh.highest = *std::max_element(indices, indices + count);
  const std::size_t vertices = static_cast<std::size_t>(mesh.highest) + 1;
  const bool newPositions = keep(mesh.positions, vertexArray.pointer, 3 * vertices);
  const bool newNormals = normals && keep(mesh.normals, normalArray.pointer, 3 * vertices);
  const bool newCoordinates =
      coordinates && keep(mesh.coordinates, texCoordArray.pointer, 2 * vertices);
  keptBytes_ += mesh.bytes();

  useProgram(false);
  noteState(false, 1u | (normals ? 2u : 0u) | (coordinates ? 4u : 0u));
  glBindVertexArray(mesh.vao);
  mesh.attach(MeshArrays::kPositions, 0, 3, true, newPositions, mesh.positions, work_);
  mesh.attach(MeshArrays::kNormals, 1, 3, normals, newNormals, mesh.normals, work_);
  mesh.attach(MeshArrays::kCoordinates, 3, 2, coordinates, newCoordinates, mesh.coordinates, work_);
  if (!normals) {
    const float normal[4] = {current.normal[0], current.normal[1], current.normal[2], 1.0f};
    constantAttribute(1, normal);
  }
  constantAttribute(2, current.colour);
  if (!coordinates) {
    const float tex0[4] = {current.tex0[0], current.tex0[1], 0.0f, 1.0f};
    constantAttribute(3, tex0);
  }
  const float tex1[4] = {current.tex1[0], current.tex1[1], 0.0f, 1.0f};
  constantAttribute(4, tex1);
  if (newIndices || !mesh.attached[MeshArrays::kIndices]) {
    // The element buffer belongs to the vertex array object: bound once, sent when it changes.
    mesh.attached[MeshArrays::kIndices] = true;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.buffers[MeshArrays::kIndices]);
    const std::size_t bytes = mesh.indices.size() * sizeof(std::uint32_t);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), mesh.indices.data(),
                 GL_STATIC_DRAW);
    work_.storageBytes += bytes;
    work_.sentBytes += bytes;
  }
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT, nullptr);
  ++work_.draws;
  forgetIfOverBound();
}

// Keeps the copies bounded: the meshes drawn longest ago go first, never the one just drawn.
void Context::forgetIfOverBound() {
  while (keptBytes_ > kMaxKeptBytes && meshes_.size() > 1) {
    auto oldest = std::min_element(
        meshes_.begin(), meshes_.end(),
        [](const auto& a, const auto& b) { return a.second->lastDrawn < b.second->lastDrawn; });
    keptBytes_ -= oldest->second->bytes();
    meshes_.erase(oldest);
  }
}

}  // namespace tav::gl11
