#include "settings/saved_lines.h"

#include <gtest/gtest.h>

using namespace tarvo::settings;

TEST(SavedLines, CrLfEndsAndOneEncodingForTheWholeFile) {
  struct Case {
    std::vector<std::string> lines;
    std::string bytes;
  };
  const Case cases[] = {
      {{"10.0.0.1", "", "10.0.0.2"}, "10.0.0.1\r\n\r\n10.0.0.2\r\n"},
      // Latin-1 letters map to themselves, the euro sign and the dashes to
      // the bytes 0x80 to 0x9F.
      {{"caf\u00e9 \u20ac 5", "a\u2013z\u0178"}, "caf\xe9 \x80 5\r\na\x96z\x9f\r\n"},
      // U+0141 has no Windows-1252 byte: the lines before it stay UTF-8 too.
      {{"caf\u00e9", "\u0141\u00f3d\u017a"}, "caf\u00e9\r\n\u0141\u00f3d\u017a\r\n"},
      {{"a\xe9", "\xc3"}, "a\xe9\r\n\xc3\r\n"},  // malformed UTF-8 is written unchanged
  };
  for (const Case& c : cases) EXPECT_EQ(savedLinesBytes(c.lines), c.bytes);
}
