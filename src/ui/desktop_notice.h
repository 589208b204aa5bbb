#pragma once

#include <QString>
#include <functional>

class QIcon;
class QObject;

namespace tarvo::ui {

// Where a notice goes: the desktop's notification service where one runs,
// a balloon at the tray icon where the desktop has a tray but no such
// service, and the window's status panel where it has neither.
enum class NoticeRoute { DesktopService, TrayBalloon, StatusPanel };
NoticeRoute noticeRoute(bool serviceRunning, bool trayAvailable);

// Whether a notification service has its name on the session bus.
bool notificationServiceRunning();

// Hands a notice to the notification service without waiting for it; a
// refusal or no answer calls failed on the context's thread.
void sendDesktopNotice(QObject* context, const QString& summary, const QString& body,
                       const QIcon& icon, bool urgent, std::function<void()> failed);

// How long the service shows a notice.
inline constexpr int kNoticeTimeoutMs = 10000;

}  // namespace tarvo::ui
