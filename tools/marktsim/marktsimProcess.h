#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrlQuery>

namespace marktsim {

// Starts notenschau-marktsim on a free loopback port and talks to its admin
// interface; for tests, benchmarks and scripts. The process ends with the object.
class SimProcess {
public:
    // The simulator built with this tree, unless a program is given.
    explicit SimProcess(QString program = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts it with these options and waits for its "PORT n" line.
    bool start(const QStringList& arguments, int timeoutMs = 15000);
    void stop();

    quint16 port() const { return m_port; }
    QString baseUrl() const;
    const QString& errorString() const { return m_error; }

    // One admin command ("stats", "fault", "add", ...), answered without
    // running the caller's event loop. An empty object on failure.
    QJsonObject admin(const QString& command, const QUrlQuery& query = {},
                      const QByteArray& body = {}, const QByteArray& method = "POST");
    QJsonObject stats() { return admin(QStringLiteral("stats"), {}, {}, "GET"); }
    // Queues a fault: kind and its parameters as "name=value" pairs.
    bool fault(const QString& kind, const QStringList& parameters = {});

private:
    QString m_program;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace marktsim
