#pragma once
// A 5 x 7 dot font for the show's words: the text models are made of one sprite per dot.
#include <string>
#include <vector>

namespace tav::showkit {

struct Dot {
  int column;  // from the left of the word
  int row;     // from the top, 0 to 6
};

// The dots of `text` (capitals, digits, space, - . ! ?), one column of space between letters.
std::vector<Dot> wordDots(const std::string& text);
// Columns the text takes.
int wordColumns(const std::string& text);

}  // namespace tav::showkit
