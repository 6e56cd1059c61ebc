#include "shell/sync_text.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace tav {
namespace {

constexpr std::int32_t kNext = 39;
constexpr std::int32_t kPrevious = 37;

bool runsAScene(int selector) {
  return selector >= 1 && selector <= 9;
}

// The selector after `code`, wrapping as the show's signed 8-bit selector does.
int stepped(int selector, std::int32_t code) {
  if (code == kNext) return static_cast<std::int8_t>(selector + 1);
  if (code == kPrevious) return static_cast<std::int8_t>(selector - 1);
  return selector;
}

std::string_view trimmed(std::string_view s) {
  constexpr std::string_view kBlanks = " \t\r";
  std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// A field as a message quotes it: cut short, and with no byte that could upset a terminal.
std::string quoted(std::string_view field) {
  constexpr std::size_t kLongest = 24;
  std::string text = "\"";
  for (char c : field.substr(0, kLongest)) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      text += hex;
    } else {
      text += c;
    }
  }
  return text + (field.size() > kLongest ? "...\"" : "\"");
}

bool allDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value of decimal digits, held at a ceiling far past any 32-bit value so that no run of
// digits can overflow.
std::int64_t digitsValue(std::string_view digits) {
  constexpr std::int64_t kCeiling = 1'000'000'000'000;
  std::int64_t value = 0;
  for (char c : digits)
    value = std::min(value * 10 + (c - '0'), kCeiling);
  return value;
}

bool fitsInt32(std::int64_t v) {
  return v >= std::numeric_limits<std::int32_t>::min() &&
         v <= std::numeric_limits<std::int32_t>::max();
}

// Reads "[-]m:ss.mmm" into `ms`; returns what is wrong with the field, empty when nothing is.
std::string readTime(std::string_view field, std::int32_t& ms) {
  bool negative = field.starts_with('-');
  std::string_view rest = negative ? field.substr(1) : field;
  std::size_t colon = rest.find(':');
  if (colon == std::string_view::npos || rest.size() != colon + 7 || rest[colon + 3] != '.' ||
      !allDigits(rest.substr(0, colon)) || !allDigits(rest.substr(colon + 1, 2)) ||
      !allDigits(rest.substr(colon + 4))) {
    return "bad time " + quoted(field) + " (wanted mm:ss.mmm)";
  }
  std::int64_t seconds = digitsValue(rest.substr(colon + 1, 2));
  if (seconds >= 60) return "bad time " + quoted(field) + ": seconds must be below 60";
  std::int64_t total = digitsValue(rest.substr(0, colon)) * 60000 + seconds * 1000 +
                       digitsValue(rest.substr(colon + 4));
  if (negative) total = -total;
  if (!fitsInt32(total))
    return "time " + quoted(field) + " is outside the signed 32-bit milliseconds";
  ms = static_cast<std::int32_t>(total);
  return {};
}

std::string readCode(std::string_view field, std::int32_t& code) {
  bool negative = field.starts_with('-');
  std::string_view digits = negative ? field.substr(1) : field;
  if (!allDigits(digits)) return "bad code " + quoted(field) + " (wanted a whole number)";
  std::int64_t value = negative ? -digitsValue(digits) : digitsValue(digits);
  if (!fitsInt32(value)) return "code " + quoted(field) + " is outside the signed 32-bit range";
  code = static_cast<std::int32_t>(value);
  return {};
}

// Reads one line that holds an event (its comment already cut off).
std::string readEvent(std::string_view line, SyncEvent& event) {
  constexpr std::string_view kGap = " \t";
  std::size_t timeEnd = line.find_first_of(kGap);
  std::string_view rest = timeEnd == std::string_view::npos ? "" : trimmed(line.substr(timeEnd));
  std::size_t codeEnd = rest.find_first_of(kGap);
  std::string problem = readTime(line.substr(0, timeEnd), event.timeMs);
  if (!problem.empty()) return problem;
  if (rest.empty()) return "no code after the time";
  problem = readCode(rest.substr(0, codeEnd), event.value);
  if (!problem.empty()) return problem;
  if (codeEnd != std::string_view::npos)
    return "unexpected " + quoted(trimmed(rest.substr(codeEnd))) + " after the code";
  return {};
}

// The trailing comment of an event delivered while the selector holds `selector`.
std::string noteFor(int selector, std::int32_t code) {
  const char* meaning = syncCodeMeaning(selector, code);
  if (meaning == nullptr) return {};
  std::string note = meaning;
  if (code == kNext || code == kPrevious) {
    int to = stepped(selector, code);
    note += runsAScene(to) ? " (to scene " + std::to_string(to) + ")"
                           : " (to " + std::to_string(to) + ": no scene runs)";
  }
  return note;
}

void putInt32(std::vector<std::uint8_t>& bytes, std::int32_t value) {
  auto u = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(static_cast<std::uint8_t>(u >> shift));
}

}  // namespace

const char* syncCodeMeaning(int scene, std::int32_t code) {
  if (!runsAScene(scene)) return nullptr;
  if (code == kNext) return "next scene";
  if (code == kPrevious) return "previous scene";
  // Scenes 4 to 6 follow no camera path, and the path restarts with every scene change.
  constexpr const char* kUnseenStep = "camera path step (unseen: no path followed)";
  constexpr const char* kUnseenTrack = "camera path 2 (unseen: no path followed)";
  switch (scene) {
    case 1:
      return code == 50 ? "intro text half a second later" : nullptr;
    case 2:
      return code == 40 || code == 51 ? "backdrop flicker" : nullptr;
    case 3:
      return code == 8 ? "camera jump" : nullptr;
    case 4:
    case 6:
      return code == 8 ? kUnseenStep : code == 51 ? kUnseenTrack : nullptr;
    case 5:
      return code == 8    ? kUnseenStep
             : code == 40 ? "camera orbit restarts"
             : code == 51 ? kUnseenTrack
                          : nullptr;
    case 7:
      return code == 49                 ? "projection reset (far plane 1000)"
             : code == 50 || code == 51 ? "rows shake"
                                        : nullptr;
    case 8:
      return code == 8    ? "camera jump"
             : code == 40 ? "spheres released, camera to path point 15"
                          : nullptr;
    default:
      return nullptr;
  }
}

std::vector<int> syncDeliveryScenes(std::span<const SyncEvent> events) {
  std::vector<int> scenes;
  scenes.reserve(events.size());
  int selector = 1;
  for (const SyncEvent& e : events) {
    scenes.push_back(selector);
    if (runsAScene(selector)) selector = stepped(selector, e.value);
  }
  return scenes;
}

std::string syncTimeText(std::int32_t ms) {
  std::int64_t magnitude = ms < 0 ? -static_cast<std::int64_t>(ms) : ms;
  char text[32];
  std::snprintf(text, sizeof text, "%s%02lld:%02lld.%03lld", ms < 0 ? "-" : "",
                static_cast<long long>(magnitude / 60000),
                static_cast<long long>(magnitude / 1000 % 60),
                static_cast<long long>(magnitude % 1000));
  return text;
}

std::string writeSyncText(std::span<const SyncEvent> events) {
  std::string text =
      "# tavrinel event table (the text form of sync.dat): one event a line, \"mm:ss.mmm CODE\".\n"
      "# The show delivers them in this order, one a frame, each once the music reaches its time.\n"
      "# 39 steps to the next scene, 37 back; '#' starts a comment.\n";
  std::vector<int> scenes = syncDeliveryScenes(events);
  std::vector<std::string> fields(events.size());
  std::vector<std::string> notes(events.size());
  std::size_t width = 0;
  bool toldUndelivered = false;
  for (std::size_t i = 0; i < events.size(); ++i) {
    fields[i] = syncTimeText(events[i].timeMs) + " " + std::to_string(events[i].value);
    if (runsAScene(scenes[i])) {
      notes[i] = noteFor(scenes[i], events[i].value);
    } else if (!toldUndelivered) {
      notes[i] = "never delivered, nor any event after it: no scene runs";
      toldUndelivered = true;
    }
    if (!notes[i].empty()) width = std::max(width, fields[i].size());
  }
  for (std::size_t i = 0; i < events.size(); ++i) {
    text += fields[i];
    if (!notes[i].empty()) text += std::string(width - fields[i].size() + 2, ' ') + "# " + notes[i];
    text += '\n';
  }
  return text;
}

SyncTextRead readSyncText(std::string_view text) {
  // Editors on Windows may start a UTF-8 file with a byte order mark.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  SyncTextRead read;
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    line = trimmed(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    SyncEvent event;
    std::string problem = readEvent(line, event);
    if (problem.empty() && read.events.size() == static_cast<std::size_t>(SyncTrack::kCapacity)) {
      problem = "more than " + std::to_string(SyncTrack::kCapacity) +
                " events; the show reads only the first " + std::to_string(SyncTrack::kCapacity);
    }
    if (!problem.empty()) return {{}, "line " + std::to_string(lineNumber) + ": " + problem};
    read.events.push_back(event);
  }
  return read;
}

std::vector<std::uint8_t> syncDatBytes(std::span<const SyncEvent> events) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(4 + 8 * events.size());
  putInt32(bytes, static_cast<std::int32_t>(events.size()));
  for (const SyncEvent& e : events) {
    putInt32(bytes, e.timeMs);
    putInt32(bytes, e.value);
  }
  return bytes;
}

}  // namespace tav
