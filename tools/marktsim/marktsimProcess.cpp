#include "marktsimProcess.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QTcpSocket>

namespace marktsim {

SimProcess::SimProcess(QString program) : m_program(std::move(program)) {
#ifdef MARKTSIM_PATH
    if (m_program.isEmpty())
        m_program = QStringLiteral(MARKTSIM_PATH);
#endif
}

SimProcess::~SimProcess() {
    stop();
}

bool SimProcess::start(const QStringList& arguments, int timeoutMs) {
    stop();
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setProgram(m_program);
    m_process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0")} + arguments);
    m_process.start();
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(m_program, m_process.errorString());
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    QByteArray output;
    while (!output.contains('\n')) {
        if (deadline.hasExpired() || m_process.state() != QProcess::Running) {
            m_error = QStringLiteral("no port from %1: %2")
                          .arg(m_program, QString::fromLocal8Bit(m_process.readAllStandardError()));
            stop();
            return false;
        }
        m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        output += m_process.readAllStandardOutput();
    }
    const QByteArray line = output.left(output.indexOf('\n')).trimmed();
    bool ok = false;
    m_port = line.startsWith("PORT ") ? quint16(line.mid(5).toUInt(&ok)) : 0;
    if (!ok || m_port == 0) {
        m_error = QStringLiteral("unexpected first line: %1").arg(QString::fromLatin1(line));
        stop();
        return false;
    }
    return true;
}

void SimProcess::stop() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    m_port = 0;
}

QString SimProcess::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QJsonObject SimProcess::admin(const QString& command, const QUrlQuery& query,
                              const QByteArray& body, const QByteArray& method) {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), m_port);
    if (!socket.waitForConnected(5000))
        return {};
    QByteArray target = "/admin/" + command.toUtf8();
    if (!query.isEmpty())
        target += '?' + query.query(QUrl::FullyEncoded).toUtf8();
    socket.write(method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
                 "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QByteArray answer;
    QDeadlineTimer deadline(10000);
    // The simulator keeps the connection; the answer is whole once its length is in.
    for (;;) {
        const qsizetype head = answer.indexOf("\r\n\r\n");
        if (head >= 0) {
            const qsizetype at = answer.toLower().indexOf("content-length:");
            const qsizetype end = answer.indexOf("\r\n", at);
            const qint64 length =
                at >= 0 ? answer.mid(at + 15, end - at - 15).trimmed().toLongLong() : 0;
            if (answer.size() >= head + 4 + length)
                return QJsonDocument::fromJson(answer.mid(head + 4, length)).object();
        }
        if (deadline.hasExpired() || socket.state() != QAbstractSocket::ConnectedState)
            return {};
        socket.waitForReadyRead(100);
        answer += socket.readAll();
    }
}

bool SimProcess::fault(const QString& kind, const QStringList& parameters) {
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("kind"), kind);
    for (const QString& parameter : parameters) {
        const qsizetype eq = parameter.indexOf(u'=');
        query.addQueryItem(parameter.left(eq), parameter.mid(eq + 1));
    }
    return admin(QStringLiteral("fault"), query).contains(QStringLiteral("faults"));
}

} // namespace marktsim
