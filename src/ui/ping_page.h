#pragma once

#include <memory>
#include <string>

#include "ui/tab_page.h"
#include "ui/tab_pages.h"

namespace tarvo {
class TPing;
class TCtrlPing;
}  // namespace tarvo

namespace tarvo::ui {

// The Ping tab: the single-host and the range ping, their fields, the switch
// between the two modes and the steps of their runs.
class PingPage : public TabPage {
 public:
  PingPage(PageHost& host, QWidget* tabParent);
  ~PingPage() override;

  QWidget* page() const override { return tab_.page; }
  QPushButton* defaultButton() const override { return tab_.startButton; }
  QPushButton* cancelButton() const override { return tab_.exitButton; }
  QPushButton* exitButton() const override { return tab_.exitButton; }
  void requestStops() override;
  void forgetRuns() override;

  // Start-up: the controls take the loaded values.
  void fill();
  // Start-up without a usable network: the check's message and the advice
  // in the output area, no values in the fields.
  void showNetworkFailure(const std::string& message, const std::string& advice);
  // First show: range mode as loaded, the focus on the target.
  void firstShown();
  // Before a save: the host history as the list holds it.
  void storeHistory();
  // The host history shortened to its newest `size` entries.
  void trimHistory(int size);

  // The single-host target when single-host mode is on, for the
  // Traceroute tab's empty host field.
  std::optional<std::string> singleHost() const;
  QComboBox* reachedList() const { return tab_.reachedList; }
  const PingTab& tab() const { return tab_; }

  // ---- Steps of the runs.
  void pingBegin();
  void pingEnd();
  void rangeBegin();
  void rangeEnd();
  void appendLine(const std::string& line);
  // Appends the lines at once, scrolling the area only once.
  void appendLines(const QStringList& lines);
  void replaceLine(const std::string& line);
  void setStatusPanel(int panel, const std::string& text) { setStatus(panel, text); }

  bool pingRunning() const { return pingRunning_; }
  bool rangeRunning() const { return rangeRunning_; }
  bool rangeMode() const { return host_.settings().rangeEnabled; }

 private:
  void connectControls();
  void readFields();
  void showNumbers(bool rangeMode);
  // The four number fields in the order of kPingFields.
  std::array<QLineEdit*, 4> fields() const {
    return {tab_.countEdit, tab_.waitEdit, tab_.delayEdit, tab_.bytesEdit};
  }
  void applyModeStates(bool rangeMode);
  void fillOctetFields();
  void focusTarget();
  void appendAdvice();

  void onStartButton();
  void startSingle();
  void startRange();
  void onClear();
  void onRangeBox();
  void enterRange();
  void leaveRange();
  void onOctetLeft(int field);
  void onOctetMoveOn(int field);

  PingTab tab_;
  std::string echoAdvice_;  // after a failed start-up check
  bool pingRunning_ = false;
  bool rangeRunning_ = false;
  // Handles of the running activities, valid while set; used only to ask
  // them to stop.
  TPing* pingRun_ = nullptr;
  TCtrlPing* rangeRun_ = nullptr;
};

}  // namespace tarvo::ui
