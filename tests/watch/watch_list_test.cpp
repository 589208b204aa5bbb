#include "watch/watch_list.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

TEST(WatchList, LinesEndAtAnyLineEndAndStopAtNul) {
  using V = std::vector<std::string>;
  EXPECT_EQ(parseWatchList("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(parseWatchList(std::string("a\nb\0c\n", 6)), (V{"a", "b"}));
  EXPECT_EQ(parseWatchList("caf\xE9\n\xC3\xA9t\xC3\xA9"), (V{"caf\xC3\xA9", "\xC3\xA9t\xC3\xA9"}));
  EXPECT_EQ(parseWatchList("\x80"), (V{"\xE2\x82\xAC"}));  // Windows-1252 euro sign
}

TEST(WatchList, MergeDropsCaseInsensitiveDuplicatesAlsoWithinTheFile) {
  std::vector<std::string> items{"Host1"};
  mergeWatchList(items, {"a", "host1", "A", "", "b", ""});
  EXPECT_EQ(items, (std::vector<std::string>{"Host1", "a", "", "b"}));
  EXPECT_TRUE(sameWatchItem("HOST1", "host1"));
  EXPECT_FALSE(sameWatchItem("host1", "host1 "));
}

}  // namespace
}  // namespace tarvo
