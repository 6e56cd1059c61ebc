#include "shell/console.h"

#include <istream>
#include <ostream>

namespace tav {

Resolution askResolution(std::istream& in, std::ostream& out) {
  out << "Welcome to this years contribution from tavrinel!" << std::endl
      << "Please choose your desired resolution:" << std::endl
      << " -----------------------------------" << std::endl
      << "   1. 320*200" << std::endl
      << "   2. 640*480" << std::endl
      << "   3. 800*600" << std::endl
      << "   4. 1024*768" << std::endl;
  int choice = 0;
  if (!(in >> choice)) choice = 0;
  switch (choice) {
    case 1:
      return {320, 200};
    case 2:
      return {640, 480};
    case 3:
      return {800, 600};
    case 4:
      return {1024, 768};
    default:
      out << "Not a valid option, using default..." << std::endl;
      return {640, 480};
  }
}

}  // namespace tav
