#include "app/desktopNotice.h"

#include "base/deployment.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QVariantMap>

namespace app {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
// The installed menu entry and icon share the application's id.
const QString kDesktopEntry = QString::fromLatin1(deployment::kDesktopId);
constexpr int kCallTimeoutMs = 10'000;

QString reasonOf(const QDBusError& error) {
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
        return QStringLiteral("kein Benachrichtigungsdienst auf dem Sitzungsbus");
    case QDBusError::NoReply:
    case QDBusError::Timeout:
        return QStringLiteral("der Benachrichtigungsdienst antwortet nicht");
    default:
        return QStringLiteral("der Benachrichtigungsdienst meldet einen Fehler: %1")
            .arg(error.message());
    }
}

} // namespace

DesktopNotice::DesktopNotice(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                SLOT(actionInvoked(quint32, QString)));
    bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                SLOT(notificationClosed(quint32, quint32)));
    auto* watcher =
        new QDBusServiceWatcher(kService, bus, QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        if (m_id != 0)
            emit answered(NoticeAnswer::Gone);
    });
}

NoticeOutcome DesktopNotice::send(const Notice& notice) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return NoNoticeService{QStringLiteral("keine Verbindung zum Sitzungsbus (D-Bus)")};
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(uchar(notice.urgency))},
                            {QStringLiteral("desktop-entry"), kDesktopEntry}};
    // "default" is what a click on the notice itself invokes.
    const QStringList actions{QStringLiteral("default"), QStringLiteral("Anzeigen"),
                              QStringLiteral("anzeigen"), QStringLiteral("Anzeigen")};
    call << QStringLiteral("Notenschau") << quint32(0) << kDesktopEntry << notice.summary
         << notice.body << actions << hints << qint32(-1);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return NoNoticeService{reasonOf(QDBusError(reply))};
    m_id = reply.arguments().constFirst().toUInt();
    return NoticeSent{m_id};
}

void DesktopNotice::actionInvoked(quint32 id, const QString& key) {
    if (id != 0 && id == m_id &&
        (key == QLatin1String("default") || key == QLatin1String("anzeigen")))
        emit answered(NoticeAnswer::Chosen);
}

void DesktopNotice::notificationClosed(quint32 id, quint32) {
    if (id != 0 && id == m_id)
        emit answered(NoticeAnswer::Closed);
}

} // namespace app
