#include "platform/win32/win32_text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace tav::platform::win32 {
namespace {

TEST(Win32Text, FileNamesBeyondTheCodePageSurviveTheRoundTripThroughTheSystem) {
  const std::string name =
      "gr\xC3\xBC\xC3\x9F"
      "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5.tmp";
  std::optional<std::wstring> wide = toUtf16(name);
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->size(), 15u);  // the note outside the basic plane takes two units
  wchar_t folder[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
  const std::wstring path = folder + *wide;
  FILE* file = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(path.c_str(), &found);
  _wremove(path.c_str());
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  FindClose(search);
  EXPECT_EQ(toUtf8(found.cFileName), name);
}

TEST(Win32Text, InvalidTextIsRefusedAndEmptyTextIsEmpty) {
  EXPECT_FALSE(toUtf16("caf\xE9"));                        // Latin-1, not UTF-8
  EXPECT_FALSE(toUtf8(std::wstring(1, wchar_t(0xD800))));  // half a surrogate pair
  EXPECT_EQ(toUtf16(""), std::wstring());
  EXPECT_EQ(toUtf8(L""), std::string());
}

TEST(Win32Text, ErrorsAreToldInWordsWithTheirCode) {
  const std::string notFound = errorText(ERROR_FILE_NOT_FOUND);
  EXPECT_GT(notFound.size(), std::string(" (error 2)").size());
  EXPECT_EQ(notFound.substr(notFound.size() - 10), " (error 2)");
  EXPECT_EQ(notFound.find('\n'), std::string::npos);
  EXPECT_EQ(errorText(0xE0001234), "error 3758101044");
  SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_EQ(lastErrorText(), errorText(ERROR_ACCESS_DENIED));
}

}  // namespace
}  // namespace tav::platform::win32
