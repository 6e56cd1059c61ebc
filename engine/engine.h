#pragma once
// The scene database the scenes draw through: models, their records, the current selections and
// the render settings. It is filled in by the model and texture loaders.

namespace tav {

class Engine {
 public:
  Engine();
};

}  // namespace tav
