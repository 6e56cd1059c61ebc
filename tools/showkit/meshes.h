#pragma once
// Shapes for the show's models, as 3DS meshes in file coordinates around each object's pivot.
#include <functional>
#include <string>
#include <vector>

#include "tools/writer3ds/writer3ds.h"

namespace tav::showkit {

using writer3ds::Mesh3ds;

// Every face takes `material` (empty: none) as one material group.
Mesh3ds sphere(const std::string& name, Vector3 centre, float radius, int rings, int segments,
               const std::string& material);
Mesh3ds box(const std::string& name, Vector3 centre, Vector3 half, const std::string& material);
Mesh3ds cylinder(const std::string& name, Vector3 base, float radius, float height, int segments,
                 const std::string& material);
Mesh3ds torus(const std::string& name, Vector3 centre, float major, float minor, int rings,
              int segments, const std::string& material);
// A square grid of n x n quads in the x-y plane at height z, textured once across.
Mesh3ds plate(const std::string& name, Vector3 centre, float half, int n,
              const std::string& material);
// A card in the x-z plane facing -y: width x height, its picture upright, or turned half round
// when `flipped`.
Mesh3ds card(const std::string& name, Vector3 centre, float width, float height, bool flipped,
             const std::string& material);

// Sprites: one billboard per vertex. The one face only carries the sprite material.
Mesh3ds dots(const std::string& name, Vector3 pivot, const std::vector<Vector3>& points,
             const std::string& material);
// A word in dots in the x-z plane: `spacing` apart, its left edge at `left` and its top row at
// `top`, in the object's own coordinates around `pivot`.
std::vector<Vector3> wordPoints(const std::string& text, float left, float top, float spacing);
// A word in solid blocks (one box per dot), facing -y.
Mesh3ds blockWord(const std::string& name, Vector3 pivot, const std::string& text, float spacing,
                  const std::string& material);

// Points spread evenly over a sphere (a Fibonacci lattice).
std::vector<Vector3> spherePoints(Vector3 centre, float radius, int count);

// A path object for a closed camera loop through `keys`: the last key repeated first and the
// first after the end (so the loop is smooth), plus the vertex the loader drops.
Mesh3ds loopPath(const std::string& name, const std::vector<Vector3>& keys);
// Keys on a horizontal circle.
std::vector<Vector3> circleKeys(Vector3 centre, float radius, int count, float phase = 0.0f);

// Merges meshes into one (vertices, faces and groups appended), keeping the first one's pivot.
Mesh3ds merge(const std::string& name, const std::vector<Mesh3ds>& parts);

}  // namespace tav::showkit
