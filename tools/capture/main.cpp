#include <iostream>

#include "tools/capture/capture.h"

int main(int argc, char** argv) {
  return tav::capture::run(argc, argv, std::cerr);
}
