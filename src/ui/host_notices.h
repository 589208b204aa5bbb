#pragma once

#include <QString>
#include <atomic>
#include <memory>

#include "ping/tone.h"

class QSystemTrayIcon;
class QTimer;
class QWidget;

namespace tarvo::ui {

// Desktop notices of watched hosts going down and coming back, shown by
// the tray icon: the window's own while it is hidden to the tray, else an
// icon put up for the notice and taken down a while after the last one.
// The reply tone, when asked for, plays on a thread of its own so the
// window never waits for the sound, not even when it closes; notices that
// come while it plays share its tone.
class HostNotices {
 public:
  HostNotices(QWidget* window, ToneFactory tones);
  HostNotices(const HostNotices&) = delete;
  HostNotices& operator=(const HostNotices&) = delete;

  // Returns false where the desktop has no tray to show it: the caller
  // then shows the text itself.
  bool show(const QString& text, bool down, bool withTone);

  // How long the notice's own icon stays after the last notice.
  static constexpr int kIconStayMs = 15000;

 private:
  QSystemTrayIcon* icon();
  void playTone();

  QWidget* window_;
  ToneFactory tones_;
  QSystemTrayIcon* ownIcon_ = nullptr;  // a child of the window
  QTimer* hideTimer_ = nullptr;         // a child of the window
  // Shared with the tone's thread, which may outlive the notices.
  std::shared_ptr<std::atomic<bool>> playing_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace tarvo::ui
