// The desktop's notification service for tests: owns
// org.freedesktop.Notifications on the session bus and writes each Notify
// call as one JSON line to the file given. With a second argument it answers
// each notice at once as a user would: "anzeigen" (or "default") invokes that
// action and closes the notice, "schliessen" only closes it.
//   notifyStandIn RECORD [ANSWER]
#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QVariantMap>

class Server : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    Server(QString record, QString answer) : m_record(std::move(record)), m_answer(answer) {}

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        QJsonObject types;
        for (auto it = hints.begin(); it != hints.end(); ++it)
            types[it.key()] = QString::fromLatin1(it.value().metaType().name());
        const QJsonObject call{{"app", app},
                               {"replaces", int(replaces)},
                               {"icon", icon},
                               {"summary", summary},
                               {"body", body},
                               {"actions", QJsonValue::fromVariant(actions)},
                               {"hints", QJsonObject::fromVariantMap(hints)},
                               {"hintTypes", types},
                               {"timeout", timeout}};
        QFile f(m_record);
        if (f.open(QIODevice::Append))
            f.write(QJsonDocument(call).toJson(QJsonDocument::Compact) + '\n');
        const uint id = ++m_last;
        // After the reply, as a user's click comes.
        QTimer::singleShot(300, this, [this, id] {
            if (m_answer == QLatin1String("anzeigen") || m_answer == QLatin1String("default"))
                emit ActionInvoked(id, m_answer);
            if (!m_answer.isEmpty())
                emit NotificationClosed(id, 2);
        });
        return id;
    }
    QStringList GetCapabilities() { return {"actions", "body", "body-markup"}; }
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
        vendor = "Notenschau-Tests";
        version = "1";
        specVersion = "1.2";
        return "notifyStandIn";
    }
    void CloseNotification(uint id) { emit NotificationClosed(id, 3); }

signals:
    void ActionInvoked(uint id, const QString& key);
    void NotificationClosed(uint id, uint reason);

private:
    QString m_record;
    QString m_answer;
    uint m_last = 0;
};

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() < 2)
        return 2;
    Server server(args.at(1), args.value(2));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/org/freedesktop/Notifications", &server,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) ||
        !bus.registerService("org.freedesktop.Notifications"))
        return 1;
    // The test starts the check only once the name is taken.
    fputs("ready\n", stdout);
    fflush(stdout);
    return application.exec();
}

#include "notifyStandIn.moc"
