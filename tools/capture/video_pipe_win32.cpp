// The encoder started with CreateProcessW, its standard input the read end of an anonymous pipe.
#include <windows.h>
// After <windows.h>: the C runtime's handle conversion.
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "tools/capture/frame_output.h"

namespace tav::capture {
namespace {

std::wstring wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), length);
  return text;
}

// One argument as the C runtime's command-line parser reads it back: quoted, with backslashes
// doubled only where they precede a quote.
std::wstring quoted(const std::wstring& argument) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

std::string lastErrorText() {
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 GetLastError(), 0, text, sizeof text, nullptr);
  std::string message = text;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
    message.pop_back();
  return message;
}

}  // namespace

bool isProgram(const std::filesystem::path& file) {
  std::error_code ec;
  return std::filesystem::is_regular_file(file, ec);
}

bool VideoPipe::open(const std::string& ffmpeg, const std::filesystem::path& file, int width,
                     int height, int fps, const std::string& audio, std::int64_t audioStartMs,
                     std::string& error) {
  std::wstring commandLine;
  for (const std::string& a :
       videoArguments(ffmpeg, file, width, height, fps, audio, audioStartMs)) {
    if (!commandLine.empty()) commandLine.push_back(L' ');
    commandLine += quoted(wide(a));
  }
  // A video left from before must not pass for this run's.
  std::error_code stale;
  std::filesystem::remove(file, stale);
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 20)) {
    error = "cannot make a pipe: " + lastErrorText();
    return false;
  }
  // Only the child's end is inherited; ours must close for the encoder to see the end of input.
  SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = readEnd;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  const std::wstring program = wide(ffmpeg);
  const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                      0, nullptr, nullptr, &startup, &process);
  const std::string why = started ? "" : lastErrorText();
  CloseHandle(readEnd);
  if (!started) {
    CloseHandle(writeEnd);
    error = "cannot start " + ffmpeg + ": " + why;
    return false;
  }
  CloseHandle(process.hThread);
  child_ = reinterpret_cast<std::intptr_t>(process.hProcess);
  file_ = file;
  const int descriptor = _open_osfhandle(reinterpret_cast<std::intptr_t>(writeEnd), _O_BINARY);
  stream_ = descriptor >= 0 ? _fdopen(descriptor, "wb") : nullptr;
  if (!stream_) {
    if (descriptor >= 0) {
      _close(descriptor);
    } else {
      CloseHandle(writeEnd);
    }
    std::string ignored;
    close(ignored);
    error = "cannot write to " + ffmpeg;
    return false;
  }
  return true;
}

bool VideoPipe::childEnded() {
  return child_ != -1 && WaitForSingleObject(reinterpret_cast<HANDLE>(child_), 0) == WAIT_OBJECT_0;
}

bool VideoPipe::close(std::string& error) {
  const bool endedEarly = childEnded();
  const std::string unsent = closeStream();
  if (child_ == -1) {
    error = unsent;
    return unsent.empty();
  }
  // The handle stays open while it is waited on, so that stop() meanwhile still ends this process.
  HANDLE process = reinterpret_cast<HANDLE>(child_);
  DWORD status = 1;
  const bool waited = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
                      GetExitCodeProcess(process, &status);
  {
    std::lock_guard lock(childMutex_);
    CloseHandle(process);
    child_ = -1;
  }
  std::string failed;
  if (!waited || status != 0) {
    failed = "ffmpeg failed (exit status " +
             std::to_string(waited ? static_cast<long>(status) : -1L) + ")";
  }
  // What it could not take says it all when it stopped taking frames.
  if (unsent.empty()) failed = outcome(endedEarly, failed);
  error = unsent.empty() || failed.empty() ? unsent + failed : unsent + "; " + failed;
  return error.empty();
}

void VideoPipe::stop() {
  std::lock_guard lock(childMutex_);
  if (child_ != -1) TerminateProcess(reinterpret_cast<HANDLE>(child_), 1);
}

}  // namespace tav::capture
