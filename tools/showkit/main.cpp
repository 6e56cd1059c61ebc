// showkit: makes the show's own data set. Usage: showkit DIR
#include <cstring>
#include <iostream>

#include "tools/showkit/showkit.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::cerr
        << "usage: showkit DIR\n"
           "Makes the show's data set from code in DIR: data/3d/in_demo/*.3ds (the fifteen\n"
           "models), data/textures/*.jpg, forest.mp3 (the soundtrack) and sync.dat. The same\n"
           "bytes on every run.\n";
    return argc == 2 ? 0 : 2;
  }
  return tav::showkit::makeShow(argv[1], std::cerr) ? 0 : 1;
}
