#include "ui/host_notices.h"

#include <QApplication>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include "base/thread_base.h"
#include "ping/beeper.h"
#include "ui/desktop_notice.h"
#include "ui/tray_icon.h"

namespace tarvo::ui {

namespace {

// One tone on an activity thread that frees itself: nobody joins it, and
// the window's end waits for it like for every other run. It touches only
// what it owns, so it may outlive the notices.
class ToneOnce : public ThreadBase {
 public:
  ToneOnce(ToneFactory tones, std::shared_ptr<std::atomic<bool>> playing)
      : tones_(std::move(tones)), playing_(std::move(playing)) {
    setFreeOnTerminate(true);
  }

 protected:
  void execute() override {
    if (auto tone = tones_()) tone->play(TBeep::kFrequencyHz, TBeep::kDurationMs);
    playing_->store(false);
  }

 private:
  ToneFactory tones_;
  std::shared_ptr<std::atomic<bool>> playing_;
};

constexpr int kPlaceTries = 40;
constexpr int kPlaceWaitMs = 50;

// A balloon at the window's tray icon. An icon just shown stands at the
// screen's corner until the tray has taken it in, and a balloon asked for
// before that pops up there, so it waits for the icon's place a while.
void showBalloon(QWidget* window, const QString& text, bool down, int triesLeft = kPlaceTries) {
  auto* icon = window->findChild<QSystemTrayIcon*>(kTrayIconName);
  if (icon == nullptr) return;
  if (!icon->isVisible()) icon->show();
  holdTrayIcon(icon, HostNotices::kIconStayMs);
  const QRect place = icon->geometry();
  if ((place.isEmpty() || place.topLeft() == QPoint(0, 0)) && triesLeft > 0) {
    QPointer<QWidget> alive(window);
    QTimer::singleShot(kPlaceWaitMs, window, [alive, text, down, triesLeft] {
      if (alive) showBalloon(alive, text, down, triesLeft - 1);
    });
    return;
  }
  icon->showMessage("Tarvo", text, down ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information,
                    kNoticeTimeoutMs);
}

}  // namespace

HostNotices::HostNotices(QWidget* window, ToneFactory tones)
    : window_(window), tones_(std::move(tones)) {}

bool HostNotices::show(const QString& text, bool down, bool withTone) {
  if (withTone) playTone();
  const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
  switch (noticeRoute(notificationServiceRunning(), tray)) {
    case NoticeRoute::DesktopService: {
      QPointer<QWidget> window(window_);
      sendDesktopNotice(window_, "Tarvo", text, window_->windowIcon(), down,
                        [window, text, down, tray] {
                          // The service went away or refused: the tray, if any.
                          if (window && tray) showBalloon(window, text, down);
                        });
      return true;
    }
    case NoticeRoute::TrayBalloon:
      showBalloon(window_, text, down);
      return true;
    case NoticeRoute::StatusPanel:
      break;
  }
  QApplication::alert(window_);
  return false;
}

void HostNotices::playTone() {
  if (!tones_ || playing_->exchange(true)) return;
  auto* tone = new ToneOnce(tones_, playing_);
  if (!tone->start()) {
    delete tone;
    playing_->store(false);  // no thread: the notice goes without its tone
  }
}

}  // namespace tarvo::ui
