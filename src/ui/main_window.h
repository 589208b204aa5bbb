#pragma once

#include <QMainWindow>
#include <QPoint>
#include <array>
#include <memory>
#include <string>

#include "settings/settings.h"
#include "ui/octet_edit.h"
#include "ui/settings_bridge.h"
#include "ui/tab_page.h"

class QLabel;
class QProgressBar;
class QTabWidget;

class QMenu;

namespace tarvo::ui {

class ConnectPrograms;
class GuiHandOff;
class WindowSettingsStore;
class PingPage;
class TracePage;
class WatchPage;
struct WindowViews;

// The main window with the Ping, Traceroute and Watch tabs. Each tab's page
// has its own controller; the window keeps what they share: the settings,
// the busy count and the Exit buttons, the status bar, the host lists the
// runs fill, the menu, start-up and closing. The activities reach it only
// through the views, whose steps run here on the window thread.
class MainWindow : public QMainWindow, private PageHost {
  Q_OBJECT
 public:
  explicit MainWindow(WindowServices services = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  PingPage& pingPage() { return *ping_; }
  TracePage& tracePage() { return *trace_; }
  WatchPage& watchPage() { return *watch_; }

  // ---- Steps of the runs shared by the pages (window thread only).
  void setPanels(const std::string& panel0, const std::string& panel1);  // no copy kept
  void clearHostLists();
  // reached: "Reached hosts:" and "Hosts reached by Ping:"; otherwise
  // "Hosts NOT reached by Ping:". selectFirst selects entry 0 of them.
  void addHost(const std::string& address, bool reached, bool selectFirst);
  void selectFirstHost(bool reached);
  // The range run's progress bar beside the status panels, shown while the
  // run goes on and the Ping page is the current one; the text is the
  // bar's caption.
  void setRangeProgress(std::uint32_t done, std::uint32_t total, const std::string& text);
  void endRangeProgress();

  // ---- State, for the tests and the benchmark.
  int busyCount() const { return busyCount_; }
  bool pingRunning() const;
  bool rangeRunning() const;
  bool traceRunning() const;
  bool rangeMode() const;
  const settings::Settings& values() const { return values_; }
  const GuiHandOff& handOff() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // PageHost
  settings::Settings& settings() override { return values_; }
  const WindowServices& services() const override { return services_; }
  WindowViews& views() override { return *views_; }
  bool networkReady() const override { return networkReady_; }
  bool ipOptionsSupported() const override { return ipOptionsSupported_; }
  bool closing() const override { return closing_; }
  bool isCurrent(const TabPage& page) const override;
  void runBegan() override;
  void runEnded() override;
  void statusChanged(const TabPage& page, int panel) override;

  void buildMenu();
  void buildStatusBar();
  void startUp();
  void showEchoPermissionAdvice(const NetworkCheck& check);
  void applyBounds();
  WindowBounds currentBounds() const;
  TabPage& currentPage() const;
  void onTabChanged(int index);
  void saveSettingsNow();
  // The "&Extras" menu's dialogs (extras_advanced.cpp, extras_programs.cpp).
  void showAdvancedOptions();
  void showAdditionalPrograms();
  // "&Save to File" under "&Extras" (extras_save.cpp), the "&Help" menu with
  // F1 and the About box (help_menu.cpp), the tray button (tray.cpp).
  void buildSaveMenu(QMenu* extras);
  void buildHelpMenu();
  void buildTray();
  ConnectPrograms* connectPrograms();  // after the settings load
  void storeProgramSelection();
  void saveOnClose();
  void stopRunsForClosing();
  void showStatus(const StatusPair& pair);
  void setExitButtonsEnabled();

  WindowServices services_;
  // Views and hand-off outlive the window when a worker is still running
  // at its end; see the destructor.
  std::shared_ptr<GuiHandOff> handOff_;
  std::unique_ptr<WindowViews> views_;
  std::unique_ptr<WindowSettingsStore> store_;  // null when the start-up check failed
  settings::Settings values_;                   // the window's own copy; the store saves it

  QTabWidget* tabs_ = nullptr;
  std::unique_ptr<PingPage> ping_;
  std::unique_ptr<TracePage> trace_;
  std::unique_ptr<WatchPage> watch_;
  ConnectPrograms* progs_ = nullptr;  // "Connect progs:" and "&Go"; null without settings
  std::array<TabPage*, 3> pages_{};   // in tab order
  QLabel* panel0_ = nullptr;
  QLabel* panel1_ = nullptr;
  QProgressBar* rangeProgress_ = nullptr;
  bool rangeProgressOn_ = false;  // a range run has shown its progress and not ended
  QPoint advancedOptionsOffset_;  // the options dialog's place, from the window's

  bool networkReady_ = false;
  bool ipOptionsSupported_ = false;
  int busyCount_ = 0;
  bool closing_ = false;
  bool shownOnce_ = false;
};

}  // namespace tarvo::ui
