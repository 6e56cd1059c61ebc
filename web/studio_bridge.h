#pragma once
// The studio's surroundings in the page (web/studio.js): the timeline and its buttons ask for
// seeks, keys, loop regions and edited tables through the functions this file exports, and are
// told where the show stands and what the table is through Module.tavrinelStudio.
#include <optional>

#include "studio/host.h"

namespace tav::web {

class PageHost : public studio::StudioHost {
 public:
  std::optional<studio::HostRequest> nextRequest() override;
  void shown(const studio::HostView& view) override;
  void tableChanged(std::span<const SyncEvent> table, std::span<const SceneBand> bands,
                    TableFrom from) override;
};

}  // namespace tav::web
