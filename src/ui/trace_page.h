#pragma once

#include <string>

#include "ui/tab_page.h"
#include "ui/tab_pages.h"

namespace tarvo {
class TCtrlTrace;
}

namespace tarvo::ui {

class PingPage;

// The Traceroute tab: its fields, the host lists' choice and the steps of
// its run.
class TracePage : public TabPage {
 public:
  // The Ping page lends its single-host target to an empty host field.
  TracePage(PageHost& host, QWidget* tabParent, const PingPage& ping);
  ~TracePage() override;

  QWidget* page() const override { return tab_.page; }
  QPushButton* defaultButton() const override { return tab_.startButton; }
  QPushButton* cancelButton() const override { return tab_.exitButton; }
  QPushButton* exitButton() const override { return tab_.exitButton; }
  void entered() override;
  void requestStops() override;
  void forgetRuns() override { run_ = nullptr; }

  // Start-up: the fields take the loaded values.
  void fill();
  // The resolve box shows the (changed) choice of the settings.
  void showResolveNames(bool resolve);

  QComboBox* reachedList() const { return tab_.reachedList; }
  QComboBox* notReachedList() const { return tab_.notReachedList; }
  const TraceTab& tab() const { return tab_; }

  // ---- Steps of the run.
  void begin();
  void end();
  void appendLine(const std::string& line);
  void replaceLine(const std::string& line);

  bool running() const { return running_; }

 private:
  void readFields();
  void onStartButton();
  void onClear();

  TraceTab tab_;
  const PingPage& ping_;
  bool running_ = false;
  bool resolvePending_ = true;  // the box takes the loaded choice when first shown
  TCtrlTrace* run_ = nullptr;   // valid while set; used only to ask it to stop
};

}  // namespace tarvo::ui
