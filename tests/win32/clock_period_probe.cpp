// Reads the show's clock and ends, with winmm's period calls taken over in this program's import
// table: it prints every timeBeginPeriod and timeEndPeriod the clock makes, to the process's end.
#include <windows.h>
// After <windows.h>, whose types it uses.
#include <mmsystem.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/clock.h"

namespace {

void say(const std::string& line) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written,
            nullptr);
}

UINT WINAPI beginPeriod(UINT period) {
  say("timeBeginPeriod(" + std::to_string(period) + ")\n");
  return TIMERR_NOERROR;
}

UINT WINAPI endPeriod(UINT period) {
  say("timeEndPeriod(" + std::to_string(period) + ")\n");
  return TIMERR_NOERROR;
}

// Points every slot of this program's import table that holds `name` of `dll` at `replacement`.
void replaceImport(const char* dll, const char* name, void* replacement) {
  HMODULE library = LoadLibraryA(dll);
  FARPROC real = library ? GetProcAddress(library, name) : nullptr;
  if (!real) return;
  auto* base = reinterpret_cast<std::uint8_t*>(GetModuleHandleA(nullptr));
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  auto* module = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
  for (; module->Name != 0; ++module) {
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
    for (; slot->u1.Function != 0; ++slot) {
      if (slot->u1.Function != reinterpret_cast<ULONG_PTR>(real)) continue;
      DWORD was = 0;
      VirtualProtect(&slot->u1.Function, sizeof(ULONG_PTR), PAGE_READWRITE, &was);
      slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slot->u1.Function, sizeof(ULONG_PTR), was, &was);
    }
  }
}

}  // namespace

int main() {
  replaceImport("winmm.dll", "timeBeginPeriod", reinterpret_cast<void*>(beginPeriod));
  replaceImport("winmm.dll", "timeEndPeriod", reinterpret_cast<void*>(endPeriod));
  tav::platform::clock::nowMs();
  tav::platform::clock::nowMs();
  say("read twice\n");
  return 0;
}
