// Stands in for ffmpeg.exe in the Windows capture's test: reads every byte the capture pipes to
// it and writes how many it took, with the arguments it was given, to its last argument. With
// TAVRINEL_FAKE_ENCODER=stall it takes one byte and then stops reading without ending.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  _setmode(_fileno(stdin), _O_BINARY);
  const char* behaviour = std::getenv("TAVRINEL_FAKE_ENCODER");
  if (behaviour && std::strcmp(behaviour, "stall") == 0) {
    std::fgetc(stdin);
    Sleep(600000);
    return 0;
  }
  char buffer[65536];
  long long total = 0;
  while (std::size_t got = std::fread(buffer, 1, sizeof buffer, stdin))
    total += static_cast<long long>(got);
  std::ofstream out(argv[argc - 1]);
  out << total << "\n";
  for (int i = 1; i < argc; ++i)
    out << argv[i] << "\n";
  return out ? 0 : 1;
}
