#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "ui/tab_page.h"
#include "ui/watch_tab.h"
#include "watch/monitor_settings.h"
#include "watch/watch_items.h"
#include "watch/watch_log.h"
#include "watch/watch_view.h"

class QEventLoop;
class QPoint;
class QTimer;

namespace tarvo {
class TCtrlWatch;
struct WatchRun;
namespace history {
class HistoryWriter;
}
}  // namespace tarvo

namespace tarvo::ui {

class HistoryView;
class RunOutputs;
class HostNotices;
class TracePage;

// The Watch tab: the watch list with every way to fill, edit and order it,
// and the monitor's start, pause and stop with its graphs. The list lives
// only here; the monitor takes a copy of the checked items when it starts.
class WatchPage : public TabPage {
 public:
  // The Traceroute page's host lists feed the two "Get ..." entries.
  WatchPage(PageHost& host, QWidget* tabParent, const TracePage& trace);
  ~WatchPage() override;

  QWidget* page() const override { return tab_.page; }
  void entered() override;
  void requestStops() override;
  void forgetRuns() override;
  const WatchTab& tab() const { return tab_; }

  // ---- The list (window thread). See watch_list_page.cpp.
  std::vector<WatchItem> items() const;
  void setItems(const std::vector<WatchItem>& items);
  void enterItem();
  void editCurrent();
  void deleteSelected();
  void clearList();
  enum class Checks { All, None, Reverse };
  void setChecks(Checks checks);
  void appendHosts(bool reached);
  // Merges the file's lines; an empty path (a cancelled dialog) merges
  // nothing, yet every item ends up checked either way. Returns why a file
  // that is no list was refused (empty otherwise), for showListRefusal.
  QString mergeListFile(const QString& path, bool showNow = true);
  // A message box with `why`, unless it is empty; it never blocks.
  void showListRefusal(const QString& why, Qt::WindowModality modality);
  void sortList();
  void updateCounter(bool showNow);
  // The menu's entries enabled as the list allows; `pos` (in the list's
  // coordinates) over an item makes it the current one.
  void prepareMenu(const QPoint& pos);
  bool editMode() const { return editMode_; }

  // ---- Start-up: the list kept from the last run, then the autostart
  // file merged in; true when the monitor should start now.
  void loadKeptList();
  bool mergeAutoStartFile();
  // Writes the list when it changed since it was loaded or last kept.
  void keepList(bool exiting);

  // ---- The monitor (window thread).
  void onStartButton();
  void onPauseButton();
  bool monitorRunning() const { return run_ != nullptr; }
  const HistoryView& historyView() const { return *history_; }
  std::size_t graphCount() const { return tab_.area->graphs.size(); }
  TGreenBlack* graph(std::size_t index) const;

  // ---- Steps of the monitor, run by its view.
  void setMonitorText(const std::string& text);
  void prepareGraphs(std::size_t count);
  bool createGraph(std::size_t index, const std::string& caption);
  void deleteGraph(std::size_t index);
  void graphsReady(std::size_t count);
  void setGraphCaption(std::size_t index, const std::string& caption);
  void addPoint(std::size_t index, const GraphPoint& point);
  void setGroupCaption(const std::string& caption);
  void hostStateChanged(const HostStateChange& change);
  void freeGraphs();
  void ended();

 private:
  void connectList();
  void appendItem(const std::string& text, bool checked);
  void startMonitor();
  void stopMonitor();
  void reap();
  // The history and metrics of a run, as the settings ask for them.
  // Returns the problems to show.
  std::vector<std::string> startOutputs(WatchRun& run);
  void listChanged();
  void showStatus() { setStatus({counterText_, monitorText_}); }

  WatchTab tab_;
  const TracePage& trace_;
  bool editMode_ = false;
  int editIndex_ = -1;
  bool editChecked_ = false;
  std::string counterText_;
  std::string monitorText_;

  MonitorSettings runSettings_;
  TCtrlWatch* run_ = nullptr;  // owned; deleted once it has ended
  bool ended_ = false;         // its stopped-state step has run
  QEventLoop* stopLoop_ = nullptr;
  std::unique_ptr<HostNotices> notices_;  // made at the first notice
  std::unique_ptr<RunOutputs> outputs_;   // the run's history and metrics
  std::unique_ptr<HistoryView> history_;
  bool keptLoaded_ = false;  // the kept list was read, so it may be written
  bool listDirty_ = false;   // changed since then
  QTimer* keepSoon_;         // writes a changed list once the changes rest
};

}  // namespace tarvo::ui
