#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace tarvo::ui {

// Lets the window end like a desktop program: SIGTERM, SIGHUP and the end of
// the desktop session close it through its usual closing steps (settings
// saved, runs stopped) instead of killing the process with the user's
// changes unsaved. One at a time; the signal handlers are put back as they
// were when it goes.
class DesktopEnding : public QObject {
  Q_OBJECT
 public:
  explicit DesktopEnding(QWidget& window);
  ~DesktopEnding() override;
  DesktopEnding(const DesktopEnding&) = delete;
  DesktopEnding& operator=(const DesktopEnding&) = delete;

 private:
  void onSignalled();
  void closeWindow();

  QWidget& window_;
  QSocketNotifier* notifier_ = nullptr;
  bool installed_ = false;
};

}  // namespace tarvo::ui
