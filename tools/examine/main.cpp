#include <iostream>

#include "tools/examine/examine.h"

int main(int argc, char** argv) {
  return tav::inspect::run(argc, argv, std::cout, std::cerr);
}
