#include "web/frame_report.h"

#include <algorithm>
#include <map>

namespace tav::web {

std::vector<SceneTimes> sceneTimes(const std::vector<FrameRecord>& frames) {
  std::map<int, std::vector<const FrameRecord*>> byScene;
  for (const FrameRecord& f : frames) {
    if (f.scene != 0) byScene[f.scene].push_back(&f);
  }
  std::vector<SceneTimes> out;
  for (const auto& [scene, list] : byScene) {
    SceneTimes t;
    t.scene = scene;
    t.frames = list.size();
    std::vector<double> ms;
    for (std::size_t i = 0; i < list.size(); ++i) {
      const double frameMs = list[i]->ms;
      ms.push_back(frameMs);
      if (i == 0) continue;
      t.worstAfterFirstMs = std::max(t.worstAfterFirstMs, frameMs);
      if (!list[i]->afterTurn) t.worstSteadyMs = std::max(t.worstSteadyMs, frameMs);
    }
    std::sort(ms.begin(), ms.end());
    t.medianMs = ms[ms.size() / 2];
    t.worstMs = ms.back();
    out.push_back(t);
  }
  return out;
}

}  // namespace tav::web
