#include "base/control_chars.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

TEST(ControlChars, ControlCharactersShownAsHex) {
  EXPECT_EQ(escapeControlChars("a\x1b[2Jb\x7f\t"), "a\\x1b[2Jb\\x7f\\x09");
  // C1 controls in UTF-8 (CSI is U+009B) are controls to many terminals.
  EXPECT_EQ(escapeControlChars("x\xc2\x9b"
                               "1m\xc2\x80"),
            "x\\xc2\\x9b1m\\xc2\\x80");
  // A byte 0x80..0x9F outside well-formed UTF-8 is a C1 control to a
  // terminal reading 8-bit text: alone, after a cut-off or overlong
  // sequence, or after a lead byte that takes no such follower.
  EXPECT_EQ(escapeControlChars("\x9b"
                               "2J\xe2\x9b\xc0\x9b\xe0\x80\x9b\xff\x85"),
            "\\x9b2J\xe2\\x9b\xc0\\x9b\xe0\\x80\\x9b\xff\\x85");
  EXPECT_TRUE(hasControlChars("host\x9b"));
}

TEST(ControlChars, OrdinaryTextStaysByteForByte) {
  // The middle dot (U+00B7) shares its lead byte with the C1 controls; a lone
  // lead byte at the end, a backslash and other UTF-8 (whose later bytes may
  // be 0x80..0x9F) are no controls either.
  for (const std::string text : {"  \u00B7 Pinging 127.0.0.1", "\xc2\xa0 \xc3\xa4 \\x1b \xc2",
                                 "\xe2\x80\x9b\xd9\x9b\xf0\x9f\x98\x80", ""}) {
    EXPECT_FALSE(hasControlChars(text)) << text;
    EXPECT_EQ(escapeControlChars(text), text);
  }
}

}  // namespace
}  // namespace tarvo
