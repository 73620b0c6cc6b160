#pragma once

#include <QObject>
#include <QString>
#include <variant>

// Desktop notices through the freedesktop notification service on the
// session bus (org.freedesktop.Notifications).
namespace app {

// One notice. The body is already escaped for the markup some servers apply.
struct Notice {
    QString summary;
    QString body;
    quint8 urgency = 1; // 0 low, 1 normal, 2 critical
    bool operator==(const Notice&) const = default;
};

struct NoticeSent {
    quint32 id = 0;
};
struct NoNoticeService {
    QString reason; // German, for "Keine Desktop-Benachrichtigung möglich: …"
};
using NoticeOutcome = std::variant<NoticeSent, NoNoticeService>;

enum class NoticeAnswer {
    Chosen, // the user chose "Anzeigen"
    Closed, // the notice went away without a choice
    Gone,   // the service left the bus
};

// Sends a notice with the action "Anzeigen" and tells what became of it.
// The signals are subscribed to before the notice is sent, so that no
// answer can come before anyone listens.
class DesktopNotice : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotice(QObject* parent = nullptr);
    NoticeOutcome send(const Notice& notice);

signals:
    void answered(app::NoticeAnswer answer);

private slots:
    void actionInvoked(quint32 id, const QString& key);
    void notificationClosed(quint32 id, quint32 reason);

private:
    quint32 m_id = 0;
};

} // namespace app
