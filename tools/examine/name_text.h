#pragma once
// Names in .3ds files are bytes: tools of the Windows era wrote them in the system's code page,
// newer ones in UTF-8. Printed, each becomes text.
#include <string>
#include <string_view>

namespace tav::inspect {

// Valid UTF-8 as it is (a last character cut by the end of the bytes, as a name cut to its field's
// length can be, is left out); anything else read byte by byte as Windows-1252, whose five
// unassigned bytes become U+FFFD. The result is always valid UTF-8.
std::string nameText(std::string_view bytes);

// UTF-8 text with its control characters (C0, DEL and C1) written as \xNN or \uNNNN, so that
// a name cannot move a terminal's cursor or change its colours.
std::string printableText(std::string_view utf8);

// A name as a line of text for a terminal: nameText, then printableText.
std::string shownName(std::string_view bytes);

}  // namespace tav::inspect
