#pragma once

#include <string>
#include <vector>

namespace tarvo::settings {

// The bytes of a saved list or output area: every line (given in UTF-8)
// followed by CR LF, the last one included, nothing else. The text is in
// Windows-1252, the code page other programs on the desktop expect, when
// every character has a form there; otherwise (a watch item may hold any
// text) the whole file stays UTF-8, so that nothing is lost.
std::string savedLinesBytes(const std::vector<std::string>& lines);

}  // namespace tarvo::settings
