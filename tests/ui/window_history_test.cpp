// The Watch tab's history: what the monitor records, the graphs of a time
// range read back from the file with their statistics and exports, and
// the watch list kept from one start of the window to the next.
#include <QLayout>
#include <QScrollArea>
#include <QWheelEvent>
#include <algorithm>
#include <fstream>

#include "history/history_store.h"
#include "ui/history_graph.h"
#include "ui/history_view.h"
#include "ui/save_to_file.h"
#include "ui/watch_page.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

using history::HistoryStore;
using history::TimeUs;

constexpr TimeUs kSecond = 1'000'000;
constexpr TimeUs kMinute = 60 * kSecond;
constexpr TimeUs kNow = 1'796'040'030LL * kSecond;
// A result every ten seconds for 23 hours up to five seconds ago, a
// millisecond each, except for the ten minutes of an outage.
constexpr TimeUs kOutageFrom = kNow - 35 * kMinute;
constexpr TimeUs kOutageTo = kNow - 25 * kMinute;
const history::HostKey kHost{"127.0.0.1", "127.0.0.1"};

class WindowHistory : public WindowTest {
 protected:
  void SetUp() override {
    setenv("TARVO_HISTORY", historyFile().c_str(), 1);
    adjustServices = [](WindowServices& services) { services.wallClockUs = [] { return kNow; }; };
  }
  std::string historyFile() const { return (registry.folder() / "history.sqlite").string(); }
  void fillDay() {
    auto opened = HistoryStore::open(historyFile(), HistoryStore::Mode::Write);
    ASSERT_TRUE(opened.store) << opened.message;
    std::vector<history::Recorded> batch;
    for (TimeUs t = kNow - 23 * 60 * kMinute + 5 * kSecond; t < kNow; t += 10 * kSecond) {
      const bool lost = t >= kOutageFrom && t < kOutageTo;
      batch.push_back(
          {kHost, {t, lost ? std::nullopt : std::optional<std::uint64_t>(1000), lost ? 11010 : 0}});
    }
    ASSERT_TRUE(opened.store->write(batch)) << opened.store->error();
  }
  const HistoryView& view() { return window->watchPage().historyView(); }
  // Chooses the range and waits for its graph.
  THistoryGraph* show(const char* range) {
    combo("HistoryRange")->setCurrentText(range);
    EXPECT_TRUE(waitUntil([&] { return !view().busy() && view().graphCount() == 1; }));
    find<QWidget>("HistoryArea")->layout()->activate();  // the graph at its width
    return view().graph(0);
  }
  // The path the next export's dialog "chooses".
  void exportTo(const char* saver, const std::string& path) {
    find<SaveToFile>(saver)->setChooser(
        [path](QFileDialog&) { return QString::fromStdString(path); });
  }
};

HistorySample total(const HistoryGraphModel& model) {
  HistorySample sum;
  for (const HistoryColumn& c : model.columns()) sum.merge(c);
  return sum;
}

// Every column marked as lost lies in the outage (a minute's row may start
// up to a minute before it).
void expectLossesInTheOutage(const HistoryGraphModel& model) {
  EXPECT_GT(model.lossMarkCount(), 0u);
  for (std::size_t i = 0; i < model.columns().size(); ++i) {
    if (model.columns()[i].lost == 0) continue;
    EXPECT_GT(model.columnTime(i).to, kOutageFrom - kMinute) << i;
    EXPECT_LE(model.columnTime(i).from, kOutageTo) << i;
  }
}

TEST_F(WindowHistory, ARangeIsDrawnFromTheFileWithItsStatisticsAndExports) {
  fillDay();
  open();
  window->watchPage().setItems({{"127.0.0.1", true}, {"not recorded", true}});
  selectTab(2);

  THistoryGraph* hour = show("1 h");
  ASSERT_NE(hour, nullptr);
  EXPECT_FALSE(find<QScrollArea>("ScrollBox1")->isVisible());
  EXPECT_EQ(hour->host(), kHost);
  const HistoryGraphModel& raw = hour->model();
  EXPECT_FALSE(raw.perMinute());
  EXPECT_EQ(total(raw).count, 360u);
  EXPECT_EQ(total(raw).lost, 60u);
  expectLossesInTheOutage(raw);
  const auto single = std::ranges::find_if(
      raw.columns(), [](const HistoryColumn& c) { return c.count == 1 && c.lost == 0; });
  ASSERT_NE(single, raw.columns().end());
  const QString tip =
      hour->toolTipAt({raw.columnX(static_cast<std::size_t>(single - raw.columns().begin())), 40});
  EXPECT_TRUE(tip.contains("  1.000 ms\n\nsent 360, received 300, loss 16.67 %\n"))
      << tip.toStdString();
  EXPECT_TRUE(tip.contains("outages 1, down 00:10:00\n  ")) << tip.toStdString();

  const std::string csv = (registry.folder() / "hour.csv").string();
  exportTo("ExportHistoryFile", csv);
  hour->exportHistory->trigger();
  // Read on a thread of its own, written once the window has it back.
  ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(csv); }));
  const std::string bytes = TempRegistry::readFile(csv);
  EXPECT_TRUE(
      bytes.starts_with("time,host,address,rtt_ms,status\r\n"
                        "2026-11-30T11:00:35.000000Z,127.0.0.1,127.0.0.1,1.000,0\r\n"));
  EXPECT_EQ(std::ranges::count(bytes, '\n'), 361);
  std::size_t lostLines = 0;
  for (std::size_t at = 0; (at = bytes.find(",,11010\r\n", at)) != std::string::npos; ++at) {
    ++lostLines;
  }
  EXPECT_EQ(lostLines, 60u);
  const std::string png = (registry.folder() / "hour.png").string();
  exportTo("ExportGraphFile", png);
  hour->exportGraph->trigger();
  EXPECT_TRUE(TempRegistry::readFile(png).starts_with("\x89PNG"));

  // The wheel zooms around the pointer; a drag moves through time, but
  // never past now.
  const QPointF edge(raw.layout().plotRight(), 40);
  QWheelEvent wheel(edge, hour->mapToGlobal(edge), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(hour, &wheel);
  EXPECT_EQ(raw.view().to, kNow);
  EXPECT_NEAR(static_cast<double>(raw.view().to - raw.view().from), 48.0 * kMinute, 1);
  QTest::mousePress(hour, Qt::LeftButton, {}, {200, 40});
  QTest::mouseMove(hour, {300, 40});
  EXPECT_LT(raw.view().to, kNow);
  QTest::mouseMove(hour, {0, 40});
  QTest::mouseRelease(hour, Qt::LeftButton, {}, {0, 40});
  EXPECT_EQ(raw.view().to, kNow);

  const HistoryGraphModel& day = show("24 h")->model();
  EXPECT_TRUE(day.perMinute());
  EXPECT_EQ(total(day).count, 23u * 360);
  EXPECT_EQ(total(day).lost, 60u);
  expectLossesInTheOutage(day);
  // Bands from 23 hours ago on, gaps only where the outage is.
  const auto first =
      std::ranges::find_if(day.columns(), [](const HistoryColumn& c) { return c.received() > 0; });
  const auto from = static_cast<std::size_t>(first - day.columns().begin());
  EXPECT_LE(day.columnTime(from).from, kNow - 23 * 60 * kMinute + kMinute);
  EXPECT_GE(day.bandCount(), day.columns().size() - from - 3);

  combo("HistoryRange")->setCurrentText("Live");
  EXPECT_TRUE(find<QScrollArea>("ScrollBox1")->isVisible());
  EXPECT_EQ(view().graphCount(), 0u);
}

TEST_F(WindowHistory, TheMonitorRecordsOnlyWhileHistoryIsKept) {
  for (bool kept : {true, false}) {
    SCOPED_TRACE(kept);
    const std::string file = (registry.folder() / (kept ? "on.sqlite" : "off.sqlite")).string();
    setenv("TARVO_HISTORY", file.c_str(), 1);
    writeSettings(std::string(R"("W_Delay":"20","W_ResolveNames":"0","W_History":")") +
                  (kept ? "1" : "0") + R"(","PingHosts":{})");
    open();
    window->watchPage().setItems({{"127.0.0.1", true}});
    selectTab(2);
    button("Button7")->click();
    ASSERT_TRUE(waitUntil([&] { return network.sends().size() >= 4; }));
    button("Button7")->click();  // returns once the monitor and its recorder are done
    auto opened = HistoryStore::open(file, HistoryStore::Mode::Read);
    EXPECT_EQ(opened.store != nullptr, kept) << opened.message;
    if (opened.store) {
      EXPECT_GE(opened.store->results(kHost, {0, kNow * 2}).size(), 2u);
    }
    closeWindow();
  }
}

TEST_F(WindowHistory, TheListIsKeptBetweenStartsAndAutostartMergesIntoIt) {
  open();
  window->watchPage().setItems({{"a", true}, {"b", false}});
  closeWindow();
  open();
  EXPECT_EQ(window->watchPage().items(), (std::vector<WatchItem>{{"a", true}, {"b", false}}));
  closeWindow();

  // The autostart file merges as it always did: new items added, every
  // item checked.
  const auto autostart = registry.folder() / "auto.txt";
  std::ofstream(autostart) << "B\nc\n";
  writeSettings(R"("W_AutoStartFile":")" + autostart.string() + R"(","PingHosts":{})");
  open();
  EXPECT_EQ(window->watchPage().items(),
            (std::vector<WatchItem>{{"a", true}, {"b", true}, {"c", true}}));
  closeWindow();

  const auto kept = registry.folder() / "state" / "Tarvo" / "watch-list.json";
  std::ofstream(kept) << R"({"items":[{"text":"a","checked":"yes"}]})";
  writeSettings(R"("PingHosts":{})");
  open();
  selectTab(2);
  EXPECT_TRUE(window->watchPage().items().empty());
  EXPECT_NE(panel(1).find(kept.string() + " is damaged"), std::string::npos) << panel(1);
}

}  // namespace
}  // namespace tarvo::ui::testing
