#include "platform/change_settler.h"

#include <chrono>

namespace tav::platform {

ChangeSettler::ChangeSettler(SettleTimes times) : times_(times) {}

void ChangeSettler::note(const std::string& path, FileEvent event, std::uint32_t nowMs) {
  auto [entry, fresh] = pending_.try_emplace(path);
  Pending& file = entry->second;
  if (fresh) file.appearedFirst = event == FileEvent::Appeared;
  file.lastMs = nowMs;
  switch (event) {
    case FileEvent::Appeared:
      file.present = true;
      break;
    case FileEvent::Writing:
      file.present = true;
      file.writing = true;
      break;
    case FileEvent::Written:
      file.present = true;
      file.writing = false;
      break;
    case FileEvent::Removed:
      // Removing the name ends every writer's hold on it.
      file.present = false;
      file.writing = false;
      break;
  }
}

std::vector<std::string> ChangeSettler::takeSettled(std::uint32_t nowMs) {
  std::vector<std::string> settled;
  for (auto it = pending_.begin(); it != pending_.end();) {
    const Pending& file = it->second;
    const std::uint32_t wait =
        !file.present ? times_.missingMs : (file.writing ? times_.writingMs : times_.quietMs);
    // Unsigned difference: right across the clock's wrap.
    if (static_cast<std::uint32_t>(nowMs - file.lastMs) < wait) {
      ++it;
      continue;
    }
    if (file.present || !file.appearedFirst) settled.push_back(it->first);
    it = pending_.erase(it);
  }
  return settled;
}

bool ChangeSettler::takeLost() {
  const bool lost = lost_;
  lost_ = false;
  return lost;
}

void ChangeSettler::clear() {
  pending_.clear();
  lost_ = false;
}

std::uint32_t settleClockMs() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace tav::platform
