#pragma once
// Turns a folder's raw file events into one change per saved file. One save raises several events
// (a temporary name renamed over the file, a delete and a re-create, many writes), so a file is
// reported once it has had no event for a quiet time; a file that stays gone, after a grace.
// Every backend of FileWatch feeds one of these; time is given by the caller.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tav::platform {

enum class FileEvent {
  Appeared,  // created, or moved in under this name
  Writing,   // written by a writer that still holds it open (a Written follows on close)
  Written,   // changed, the writer done or not known
  Removed,   // deleted, or moved away from this name
};

struct SettleTimes {
  std::uint32_t quietMs = 40;     // no event for this long: the file is settled
  std::uint32_t writingMs = 500;  // the same while a writer holds it open and may write more
  std::uint32_t missingMs = 300;  // a file gone for this long is reported gone
};

class ChangeSettler {
 public:
  explicit ChangeSettler(SettleTimes times = {});

  // `path` is relative to the watched folder with '/' separators; `nowMs` may wrap.
  void note(const std::string& path, FileEvent event, std::uint32_t nowMs);
  // The system dropped events: any file may have changed unseen.
  void noteLost() { lost_ = true; }

  // The files settled by `nowMs`, sorted, each once; they are forgotten until their next event.
  // A file that appeared and went again within one settling (an editor's temporary) is dropped.
  std::vector<std::string> takeSettled(std::uint32_t nowMs);
  // Whether events were lost since the last call.
  bool takeLost();

  bool idle() const { return pending_.empty() && !lost_; }
  void clear();

 private:
  struct Pending {
    std::uint32_t lastMs = 0;
    bool present = true;
    bool writing = false;
    bool appearedFirst = false;
  };
  SettleTimes times_;
  std::map<std::string, Pending> pending_;
  bool lost_ = false;
};

// The settling's clock: the system's steady milliseconds, never the show's clock, which a capture
// or a seek may hold still or set anywhere.
std::uint32_t settleClockMs();

}  // namespace tav::platform
