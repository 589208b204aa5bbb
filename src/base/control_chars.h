#pragma once

#include <string>
#include <string_view>

namespace tarvo {

// Text from outside (a typed host, a looked-up name) may hold control
// characters, which a terminal would obey rather than show. Terminals,
// logs and status lines show them as \xNN: the bytes 0x00-0x1F and 0x7F, the C1 controls
// U+0080-U+009F as their two UTF-8 bytes (\xc2\x9b), and bytes 0x80-0x9F
// that are no part of well-formed UTF-8 (\x9b), which a terminal reading
// 8-bit text obeys as C1 controls. All other text, backslashes, other UTF-8
// and other stray bytes included, stays as it is, so lines without control
// characters are written byte for byte.
bool hasControlChars(std::string_view text);
std::string escapeControlChars(std::string_view text);

}  // namespace tarvo
