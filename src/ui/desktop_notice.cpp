#include "ui/desktop_notice.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QIcon>
#include <QImage>
#include <QVariantMap>

namespace tarvo::ui {

namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr int kIconSide = 48;
// The notification urgency levels.
constexpr unsigned char kNormal = 1;
constexpr unsigned char kCritical = 2;

// The icon as the service's raw image hint (iiibiiay), so the notice shows
// the program's own icon without an icon theme that knows it.
struct NoticeImage {
  QImage rgba;
};

QDBusArgument& operator<<(QDBusArgument& out, const NoticeImage& image) {
  const QImage& i = image.rgba;
  out.beginStructure();
  out << i.width() << i.height() << static_cast<int>(i.bytesPerLine()) << true << 8 << 4
      << QByteArray(reinterpret_cast<const char*>(i.constBits()),
                    static_cast<int>(i.sizeInBytes()));
  out.endStructure();
  return out;
}

// Only sent, never read; the type system wants both ways.
const QDBusArgument& operator>>(const QDBusArgument& in, NoticeImage&) { return in; }

QVariant imageHint(const QIcon& icon) {
  static const QMetaType registered = qDBusRegisterMetaType<NoticeImage>();
  (void)registered;
  return QVariant::fromValue(
      NoticeImage{icon.pixmap(kIconSide).toImage().convertToFormat(QImage::Format_RGBA8888)});
}

}  // namespace

NoticeRoute noticeRoute(bool serviceRunning, bool trayAvailable) {
  if (serviceRunning) return NoticeRoute::DesktopService;
  return trayAvailable ? NoticeRoute::TrayBalloon : NoticeRoute::StatusPanel;
}

bool notificationServiceRunning() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || bus.interface() == nullptr) return false;
  return bus.interface()->isServiceRegistered(kService).value();
}

void sendDesktopNotice(QObject* context, const QString& summary, const QString& body,
                       const QIcon& icon, bool urgent, std::function<void()> failed) {
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "Notify");
  QVariantMap hints;
  hints["urgency"] = QVariant::fromValue(urgent ? kCritical : kNormal);
  if (!icon.isNull()) hints["image-data"] = imageHint(icon);
  call << QString("Tarvo") << 0u << QString() << summary << body << QStringList() << hints
       << kNoticeTimeoutMs;
  auto* watcher =
      new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), context);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                   [failed = std::move(failed)](QDBusPendingCallWatcher* done) {
                     if (done->isError() && failed) failed();
                     done->deleteLater();
                   });
}

}  // namespace tarvo::ui
