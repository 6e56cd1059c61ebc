#include <iostream>

#include "tools/inspect/inspect.h"

int main(int argc, char** argv) {
  return tav::inspect::run(argc, argv, std::cout, std::cerr);
}
