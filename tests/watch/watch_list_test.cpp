#include "watch/watch_list.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "temp_registry.h"

namespace tarvo {
namespace {

TEST(WatchList, LinesEndAtAnyLineEndAndStopAtNul) {
  using V = std::vector<std::string>;
  EXPECT_EQ(parseWatchList("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(parseWatchList(" host \n\nlast\n"), (V{" host ", "", "last"}));
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

TEST(WatchList, OnlyARegularFileIsReadAndAFifoNeverBlocks) {
  TempRegistry temp;
  const std::string fifo = (temp.folder() / "fifo").string();
  const std::string list = (temp.folder() / "list.txt").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream(list, std::ios::binary) << std::string("a\nb\0c", 5);
  struct Case {
    std::string path;
    WatchListRead result;
    std::string bytes;
  };
  for (const Case& c :
       {Case{list, WatchListRead::Ok, "a\nb"}, Case{fifo, WatchListRead::NotRegularFile, ""},
        Case{temp.folder().string(), WatchListRead::NotRegularFile, ""},
        Case{list + ".missing", WatchListRead::Unreadable, ""}}) {
    std::string bytes = "stale";
    auto read = std::async(std::launch::async, [&] { return readWatchListFile(c.path, bytes); });
    if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << c.path << " blocked the reader";
      // A writer lets a reader blocked in open go.
      ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    }
    EXPECT_EQ(read.get(), c.result) << c.path;
    EXPECT_EQ(bytes, c.bytes) << c.path;
  }
}

}  // namespace
}  // namespace tarvo
