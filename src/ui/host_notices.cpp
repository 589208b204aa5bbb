#include "ui/host_notices.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include "base/thread_base.h"
#include "ping/beeper.h"

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

}  // namespace

HostNotices::HostNotices(QWidget* window, ToneFactory tones)
    : window_(window), tones_(std::move(tones)) {}

QSystemTrayIcon* HostNotices::icon() {
  // The window hidden to the tray already has its icon there.
  for (QSystemTrayIcon* shown : window_->findChildren<QSystemTrayIcon*>("TrayIcon")) {
    if (shown->isVisible()) return shown;
  }
  if (ownIcon_ == nullptr) {
    ownIcon_ = new QSystemTrayIcon(window_->windowIcon(), window_);
    ownIcon_->setObjectName("NoticeIcon");
    ownIcon_->setToolTip("Tarvo");
    QWidget* window = window_;
    QObject::connect(ownIcon_, &QSystemTrayIcon::activated, window, [window] {
      window->showNormal();
      window->activateWindow();
    });
    hideTimer_ = new QTimer(window_);
    hideTimer_->setSingleShot(true);
    QSystemTrayIcon* own = ownIcon_;
    QObject::connect(hideTimer_, &QTimer::timeout, own, [own] { own->hide(); });
  }
  ownIcon_->show();
  hideTimer_->start(kIconStayMs);
  return ownIcon_;
}

bool HostNotices::show(const QString& text, bool down, bool withTone) {
  if (withTone) playTone();
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    QApplication::alert(window_);
    return false;
  }
  icon()->showMessage("Tarvo", text,
                      down ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
  return true;
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
