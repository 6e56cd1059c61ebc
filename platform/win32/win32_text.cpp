#include "platform/win32/win32_text.h"

#include <windows.h>

#include <climits>

namespace tav::platform::win32 {

std::optional<std::wstring> toUtf16(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  if (utf8.size() > INT_MAX) return std::nullopt;
  const int length = static_cast<int>(utf8.size());
  const int count =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
  if (count <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(count), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, wide.data(), count);
  return wide;
}

std::optional<std::string> toUtf8(std::wstring_view utf16) {
  if (utf16.empty()) return std::string();
  if (utf16.size() > INT_MAX) return std::nullopt;
  const int length = static_cast<int>(utf16.size());
  const int count = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(), length,
                                        nullptr, 0, nullptr, nullptr);
  if (count <= 0) return std::nullopt;
  std::string narrow(static_cast<std::size_t>(count), '\0');
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(), length, narrow.data(), count,
                      nullptr, nullptr);
  return narrow;
}

std::string errorText(unsigned long code) {
  // The wide call, so that a localised system's words arrive intact whatever its code page.
  wchar_t buffer[512];
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                     buffer, sizeof buffer / sizeof buffer[0], nullptr);
  std::wstring_view words(buffer, length);
  while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r' || words.back() == L' '))
    words.remove_suffix(1);
  const std::string number = "error " + std::to_string(code);
  std::optional<std::string> text = toUtf8(words);
  if (!text || text->empty()) return number;
  return *text + " (" + number + ")";
}

std::string lastErrorText() {
  return errorText(GetLastError());
}

}  // namespace tav::platform::win32
