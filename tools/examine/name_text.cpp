#include "tools/examine/name_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace tav::inspect {
namespace {

// Windows-1252 from 0x80 to 0x9F; 0 where the code page assigns nothing.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The loader keeps at most this many bytes of a name: only a name that long can have been cut.
constexpr std::size_t kNameField = 31;

// How many bytes of `text` are well-formed UTF-8 as RFC 3629 defines it (no overlong forms, no
// surrogates, nothing above U+10FFFF): all of them, or, for a name filling its field whose whole
// characters hold some beyond ASCII, all but a last character cut short by the field's end
// (a Windows-1252 name ending in "é" is not UTF-8 cut short). Anything else: npos.
std::size_t utf8Length(std::string_view text) {
  constexpr std::size_t kNot = std::string_view::npos;
  bool wide = false;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    std::size_t extra = 0;
    std::uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return kNot;
    }
    const std::size_t present = std::min(extra, text.size() - i - 1);
    for (std::size_t k = 1; k <= present; ++k) {
      const auto byte = static_cast<std::uint8_t>(text[i + k]);
      if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xBF)) return kNot;
    }
    if (present < extra) return text.size() >= kNameField && wide ? i : kNot;
    wide = true;
    i += extra + 1;
  }
  return text.size();
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string nameText(std::string_view bytes) {
  if (std::size_t whole = utf8Length(bytes); whole != std::string_view::npos) {
    return std::string(bytes.substr(0, whole));
  }
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char byte : bytes) {
    const auto b = static_cast<std::uint8_t>(byte);
    if (b >= 0x80 && b < 0xA0) {
      const char16_t c = kCp1252High[b - 0x80];
      appendUtf8(out, c != 0 ? c : 0xFFFD);
    } else {
      appendUtf8(out, b);  // ASCII, and 0xA0 to 0xFF are U+00A0 to U+00FF
    }
  }
  return out;
}

std::string printableText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  char escaped[8];
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto b = static_cast<std::uint8_t>(utf8[i]);
    const auto next = i + 1 < utf8.size() ? static_cast<std::uint8_t>(utf8[i + 1]) : 0;
    if (b < 0x20 || b == 0x7F) {
      std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
      out += escaped;
    } else if (b == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080 to U+009F
      std::snprintf(escaped, sizeof escaped, "\\u%04X", next);
      out += escaped;
      ++i;
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

std::string shownName(std::string_view bytes) {
  return printableText(nameText(bytes));
}

}  // namespace tav::inspect
