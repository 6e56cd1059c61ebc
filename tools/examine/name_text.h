#pragma once
// Names in .3ds files are bytes: tools of the Windows era wrote them in the system's code page,
// newer ones in UTF-8. Printed, each becomes text.
#include <string>
#include <string_view>

namespace tav::inspect {

// Valid UTF-8 as it is; anything else read byte by byte as Windows-1252, whose five unassigned
// bytes become U+FFFD. The result is always valid UTF-8.
std::string nameText(std::string_view bytes);

}  // namespace tav::inspect
