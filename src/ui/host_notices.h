#pragma once

#include <QString>
#include <atomic>
#include <memory>

#include "ping/tone.h"

class QWidget;

namespace tarvo::ui {

// Desktop notices of watched hosts going down and coming back: through the
// desktop's notification service where one runs, else as a balloon at the
// window's one tray icon (shown for a while for it when the window is not
// hidden to the tray). The reply tone, when asked for, plays on a thread of
// its own so the window never waits for the sound, not even when it closes;
// notices that come while it plays share its tone.
class HostNotices {
 public:
  HostNotices(QWidget* window, ToneFactory tones);
  HostNotices(const HostNotices&) = delete;
  HostNotices& operator=(const HostNotices&) = delete;

  // Returns false where the desktop has neither a notification service nor
  // a tray: the caller then shows the text itself.
  bool show(const QString& text, bool down, bool withTone);

  // How long the tray icon stays for a balloon after the last notice.
  static constexpr int kIconStayMs = 15000;

 private:
  void playTone();

  QWidget* window_;
  ToneFactory tones_;
  // Shared with the tone's thread, which may outlive the notices.
  std::shared_ptr<std::atomic<bool>> playing_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace tarvo::ui
