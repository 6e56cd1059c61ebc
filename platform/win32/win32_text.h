#pragma once
// Text at the Windows boundary: the show keeps UTF-8, Windows' wide calls take UTF-16 (file names
// above all), and its error codes are told in words.
#include <optional>
#include <string>
#include <string_view>

namespace tav::platform::win32 {

// Empty for invalid input: a name that does not convert must not open some other file.
std::optional<std::wstring> toUtf16(std::string_view utf8);
std::optional<std::string> toUtf8(std::wstring_view utf16);

// The system's words for an error code, with the code: "Access denied. (error 5)".
std::string errorText(unsigned long code);
// errorText of GetLastError, read before anything else can change it.
std::string lastErrorText();

}  // namespace tav::platform::win32
