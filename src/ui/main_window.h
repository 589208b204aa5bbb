#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/echo_service.h"
#include "engine/resolver.h"
#include "ping/tone.h"
#include "ui/input_rules.h"
#include "ui/tab_pages.h"
#include "ui/window_values.h"

class QLabel;
class QTabWidget;

namespace tarvo {
class TPing;
class TCtrlPing;
class TCtrlTrace;
}  // namespace tarvo

namespace tarvo::ui {

class GuiHandOff;
class WindowSettingsStore;
struct WindowViews;

// What the window runs its activities with; tests put fakes in.
struct WindowServices {
  EchoServiceFactory echoFactory;              // empty: the real ICMP service
  std::function<NetworkCheck()> networkCheck;  // empty: the real start-up check
  ToneFactory toneFactory;                     // empty: the sound device
  std::optional<Resolver> traceResolver;       // empty: the system resolver
};

// Status panel texts of one tab.
using StatusPair = std::array<std::string, 2>;

// The main window with the Ping, Traceroute and Watch tabs. Owns every
// control and all window state; the activities reach it only through the
// views, whose steps run here on the window thread.
class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(WindowServices services = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  // ---- Steps of the runs (window thread only; called through the views).
  void pingBegin();
  void pingEnd();
  void rangeBegin();
  void rangeEnd();
  void traceBegin();
  void traceEnd();
  void appendPingLine(const std::string& line);
  void replacePingLine(const std::string& line);
  void appendTraceLine(const std::string& line);
  void replaceTraceLine(const std::string& line);
  void setPanels(const std::string& panel0, const std::string& panel1);  // no copy kept
  void setPingStatus(int panel, const std::string& text);
  void clearHostLists();
  // reached: "Reached hosts:" and "Hosts reached by Ping:"; otherwise
  // "Hosts NOT reached by Ping:". selectFirst selects entry 0 of them.
  void addHost(const std::string& address, bool reached, bool selectFirst);
  void selectFirstHost(bool reached);

  // ---- State, for the tests and the benchmark.
  int busyCount() const { return busyCount_; }
  bool pingRunning() const { return pingRunning_; }
  bool rangeRunning() const { return rangeRunning_; }
  bool traceRunning() const { return traceRunning_; }
  bool rangeMode() const { return rangeMode_; }
  const WindowValues& values() const { return values_; }
  const GuiHandOff& handOff() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildMenu();
  void buildStatusBar();
  void connectControls();
  void startUp();
  void showEchoPermissionAdvice();
  void appendAdviceLine();
  void fillControls();
  void applyBounds();
  WindowBounds currentBounds() const;

  void readPingFields();
  void readTraceFields();
  void showPingNumbers(const PingNumbers& numbers);
  void applyRangeControlStates();
  void applySingleControlStates();
  void fillOctetFields();
  void focusPingTarget();

  void onPingButton();
  void startSinglePing();
  void startRangePing();
  void onTraceButton();
  void onPingClear();
  void onTraceClear();
  void onRangeBoxClicked();
  void onOctetLeft(int field);
  void onOctetMoveOn(int field);
  void onTabChanged(int index);
  void onHostListChosen(const QString& text);
  void saveSettingsNow();
  void saveOnClose();
  void syncValues();
  void requestStops();
  void stopRunsForClosing();

  void appendMessage(QPlainTextEdit* memo, const std::string& message);
  void showStatus(const StatusPair& pair);
  void showActiveStatus();
  void setExitButtonsEnabled();
  static void replaceLastLine(QPlainTextEdit* memo, const std::string& line);

  WindowServices services_;
  // Views and hand-off outlive the window when a worker is still running
  // at its end; see the destructor.
  std::shared_ptr<GuiHandOff> handOff_;
  std::unique_ptr<WindowViews> views_;
  std::unique_ptr<WindowSettingsStore> store_;  // null when the start-up check failed

  QTabWidget* tabs_ = nullptr;
  std::unique_ptr<PingTab> ping_;
  std::unique_ptr<TraceTab> trace_;
  QWidget* watchPage_ = nullptr;
  QLabel* panel0_ = nullptr;
  QLabel* panel1_ = nullptr;

  // Window state.
  bool networkReady_ = false;
  bool ipOptionsSupported_ = false;
  bool pingRunning_ = false;
  bool rangeRunning_ = false;
  bool traceRunning_ = false;
  int busyCount_ = 0;
  bool rangeMode_ = false;
  bool rangeOctetsPending_ = false;
  bool traceResolvePending_ = true;
  bool closing_ = false;
  bool shownOnce_ = false;
  std::string hostText_;
  std::string echoAdvice_;  // after a failed start-up check
  Octets parsedOctets_{};
  StatusPair pingStatus_;
  StatusPair traceStatus_;
  StatusPair watchStatus_;
  WindowValues values_;

  // Handles of the running activities, valid while their running flag is
  // set; used only to ask them to stop.
  TPing* pingRun_ = nullptr;
  TCtrlPing* rangeRun_ = nullptr;
  TCtrlTrace* traceRun_ = nullptr;
};

}  // namespace tarvo::ui
