#pragma once
// The console dialogue that opens the show: the welcome text, the resolution menu and the
// viewer's one number.
#include <iosfwd>

namespace tav {

struct Resolution {
  int width = 0;
  int height = 0;
};

// Prints the welcome and the menu to `out`, reads one integer from `in` and returns the chosen
// resolution. Anything else (a word, another number, the end of input) gives 640 × 480 after the
// line saying so.
Resolution askResolution(std::istream& in, std::ostream& out);

}  // namespace tav
