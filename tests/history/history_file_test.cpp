#include <SQLiteCpp/Database.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "history/history_schema.h"
#include "history/history_store.h"
#include "history/history_writer.h"

namespace tarvo::history {
namespace {

namespace fs = std::filesystem;

class HistoryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tarvo-history-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    file_ = (dir_ / "state" / "history.sqlite").string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
  std::string file_;
};

const Recorded kOne{{"localhost", "127.0.0.1"}, {1'700'000'000'000'000, 1500, 0}};

TEST_F(HistoryFileTest, NewFileIsCreatedWithItsFolderAndKeepsWhatWasWritten) {
  {
    auto opened = HistoryStore::open(file_, HistoryStore::Mode::Write);
    ASSERT_TRUE(opened.store) << opened.message;
    EXPECT_EQ(opened.message, "");
    ASSERT_TRUE(opened.store->write(std::vector<Recorded>{kOne}));
  }
  EXPECT_EQ(fs::status(dir_ / "state").permissions() & fs::perms::all, fs::perms::owner_all);
  auto reader = HistoryStore::open(file_, HistoryStore::Mode::Read);
  ASSERT_TRUE(reader.store) << reader.message;
  EXPECT_EQ(reader.store->hosts().size(), 1u);
  // A reader never creates a file.
  EXPECT_FALSE(HistoryStore::open(file_ + "x", HistoryStore::Mode::Read).store);
  EXPECT_FALSE(fs::exists(file_ + "x"));
}

TEST_F(HistoryFileTest, OlderLayoutIsUpgradedInPlace) {
  fs::create_directories(dir_ / "state");
  {
    SQLite::Database db(file_, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    createLayout1(db);
    db.exec(
        "INSERT INTO host VALUES (1, 'localhost', '127.0.0.1');"
        "INSERT INTO result VALUES (1, 1700000000000000, 1500, 0);");
  }
  auto opened = HistoryStore::open(file_, HistoryStore::Mode::Write);
  ASSERT_TRUE(opened.store) << opened.message;
  EXPECT_NE(opened.message.find("upgraded"), std::string::npos) << opened.message;
  const auto minutes =
      opened.store->minutes(kOne.host, {kOne.result.time - 1, kOne.result.time + 1});
  ASSERT_EQ(minutes.size(), 1u);
  EXPECT_EQ(minutes[0].maxUs, 1500u);
  opened.store.reset();
  SQLite::Database db(file_, SQLite::OPEN_READONLY);
  EXPECT_EQ(layoutVersion(db), kLayoutVersion);
}

TEST_F(HistoryFileTest, FileThatCannotBeUsedIsSetAsideOrLeftAlone) {
  fs::create_directories(dir_ / "state");
  // Not a database: kept aside with its bytes, and a new history begins.
  { std::ofstream(file_) << std::string(4096, 'x'); }
  auto opened = HistoryStore::open(file_, HistoryStore::Mode::Write);
  ASSERT_TRUE(opened.store) << opened.message;
  EXPECT_NE(opened.message.find("history.sqlite.damaged"), std::string::npos) << opened.message;
  EXPECT_EQ(fs::file_size(file_ + ".damaged"), 4096u);
  EXPECT_TRUE(opened.store->write(std::vector<Recorded>{kOne}));
  opened.store.reset();

  // Written by a newer program: neither used nor touched.
  {
    SQLite::Database db(file_, SQLite::OPEN_READWRITE);
    db.exec("PRAGMA user_version = 99");
  }
  opened = HistoryStore::open(file_, HistoryStore::Mode::Write);
  EXPECT_FALSE(opened.store);
  EXPECT_NE(opened.message.find("newer"), std::string::npos) << opened.message;
  EXPECT_FALSE(fs::exists(file_ + ".damaged.1"));

  // A planted link or a FIFO is refused at once, without blocking.
  const std::string link = (dir_ / "link.sqlite").string();
  fs::create_symlink(file_, link);
  EXPECT_NE(HistoryStore::open(link, HistoryStore::Mode::Write).message.find("symbolic link"),
            std::string::npos);
  const std::string fifo = (dir_ / "fifo.sqlite").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_NE(HistoryStore::open(fifo, HistoryStore::Mode::Write).message.find("not a regular"),
            std::string::npos);
}

TEST_F(HistoryFileTest, TwoMonitorsWriteTheSameFileAtOnce) {
  auto writeMany = [this](std::string item) {
    auto opened = HistoryStore::open(file_, HistoryStore::Mode::Write);
    ASSERT_TRUE(opened.store) << opened.message;
    for (int batch = 0; batch < 50; ++batch) {
      std::vector<Recorded> rows;
      for (int i = 0; i < 100; ++i) {
        rows.push_back({{item, "127.0.0.1"}, {kOne.result.time + batch * 100 + i, 900, 0}});
      }
      ASSERT_TRUE(opened.store->write(rows)) << opened.store->error();
      // Upkeep of one beside the other's writes must not fail either.
      opened.store->maintain(kOne.result.time + 86'400'000'000LL, {});
      ASSERT_EQ(opened.store->error(), "");
    }
  };
  std::thread a(writeMany, "a");
  std::thread b(writeMany, "b");
  a.join();
  b.join();
  auto reader = HistoryStore::open(file_, HistoryStore::Mode::Read);
  ASSERT_TRUE(reader.store) << reader.message;
  const TimeRange all{kOne.result.time, kOne.result.time + 5000};
  EXPECT_EQ(reader.store->results({"a", "127.0.0.1"}, all).size(), 5000u);
  EXPECT_EQ(reader.store->results({"b", "127.0.0.1"}, all).size(), 5000u);
}

TEST_F(HistoryFileTest, WriterPutsEveryResultInTheFileByTheTimeItFinishes) {
  auto opened = HistoryStore::open(file_, HistoryStore::Mode::Write);
  ASSERT_TRUE(opened.store) << opened.message;
  std::vector<std::string> notices;
  HistoryWriter writer(std::move(opened.store), {},
                       [&](const std::string& n) { notices.push_back(n); });
  ASSERT_TRUE(writer.start());
  const auto now = std::chrono::system_clock::now();
  for (int i = 0; i < 1000; ++i) {
    writer.record(
        "localhost", "127.0.0.1",
        WatchResult{i % 2 == 0, 1500, i % 2 == 0 ? 0 : 11010, now + std::chrono::microseconds(i)});
  }
  writer.record("nosuch.test", "", WatchResult{.time = now});
  writer.finish();
  EXPECT_TRUE(notices.empty());

  auto reader = HistoryStore::open(file_, HistoryStore::Mode::Read);
  ASSERT_TRUE(reader.store) << reader.message;
  const std::int64_t t =
      std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count();
  const auto results = reader.store->results({"localhost", "127.0.0.1"}, {t, t + 1000});
  ASSERT_EQ(results.size(), 1000u);
  EXPECT_EQ(results[1].status, 11010);
  EXPECT_FALSE(results[1].rttUs);
  const auto unresolved = reader.store->results({"nosuch.test", ""}, {t, t + 1});
  ASSERT_EQ(unresolved.size(), 1u);
  EXPECT_EQ(unresolved[0].status, kStatusNameNotResolved);

  // A file that cannot be opened is said once; the monitor's results are
  // then dropped at once rather than piling up.
  const std::string fifo = (dir_ / "fifo.sqlite").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::vector<std::string> refused;
  HistoryWriter closed(fifo, {}, [&](const std::string& n) { refused.push_back(n); });
  ASSERT_TRUE(closed.start());
  closed.waitFor();
  closed.record("localhost", "127.0.0.1", WatchResult{.time = now});
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_NE(refused[0].find("not a regular file"), std::string::npos) << refused[0];
}

}  // namespace
}  // namespace tarvo::history
