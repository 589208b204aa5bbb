#include "ui/host_notices.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <system_error>

#include "ping/beeper.h"

namespace tarvo::ui {

HostNotices::HostNotices(QWidget* window, ToneFactory tones)
    : window_(window), tones_(std::move(tones)) {}

HostNotices::~HostNotices() {
  if (tone_.joinable()) tone_.join();
}

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
  if (!tones_ || playing_.exchange(true)) return;
  if (tone_.joinable()) tone_.join();  // the last tone is over: playing_ was false
  try {
    tone_ = std::thread([this, tones = tones_] {
      if (auto tone = tones()) tone->play(TBeep::kFrequencyHz, TBeep::kDurationMs);
      playing_ = false;
    });
  } catch (const std::system_error&) {
    playing_ = false;  // no thread: the notice goes without its tone
  }
}

}  // namespace tarvo::ui
