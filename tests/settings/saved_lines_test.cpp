#include "settings/saved_lines.h"

#include <gtest/gtest.h>

using namespace tarvo::settings;

TEST(SavedLines, EveryLineEndsWithCrLfAndNothingElseIsWritten) {
  EXPECT_EQ(savedLinesBytes({}), "");
  EXPECT_EQ(savedLinesBytes({"10.0.0.1", "", "10.0.0.2"}), "10.0.0.1\r\n\r\n10.0.0.2\r\n");
}

TEST(SavedLines, TextWithWindows1252FormsIsWrittenInThatCodePage) {
  // Latin-1 letters map to themselves, the euro sign and the dashes to the
  // bytes 0x80 to 0x9F.
  EXPECT_EQ(savedLinesBytes({"caf\u00e9 \u20ac5", "a\u2013b\u0178"}),
            "caf\xe9 \x80"
            "5\r\na\x96"
            "b\x9f\r\n");
}

TEST(SavedLines, OneCharacterWithoutAFormKeepsTheWholeFileUtf8) {
  // U+0081 and U+0141 have no Windows-1252 byte; the earlier lines stay
  // UTF-8 too, so that the file has one encoding.
  EXPECT_EQ(savedLinesBytes({"caf\u00e9", "\u0141\u00f3d\u017a"}),
            "caf\u00e9\r\n\u0141\u00f3d\u017a\r\n");
  EXPECT_EQ(savedLinesBytes({"\u00e9", "\u0081"}), "\u00e9\r\n\u0081\r\n");
  EXPECT_EQ(savedLinesBytes({"\u00e9\U0001F600"}), "\u00e9\U0001F600\r\n");
}

TEST(SavedLines, MalformedUtf8IsWrittenUnchanged) {
  EXPECT_EQ(savedLinesBytes({"a\xe9", "\xc3"}), "a\xe9\r\n\xc3\r\n");
}
