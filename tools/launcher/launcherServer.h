#pragma once

#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QString>

class QLocalSocket;

// The launcher's side of the link: serves the item "txtNS" of the topic
// "Talk", prints every command that arrives on stdout (one line each) and
// opens the pages that "AWBR:" asks for in the default browser.
class LauncherServer : public QObject {
    Q_OBJECT
public:
    explicit LauncherServer(QObject* parent = nullptr);

    // Listens at the link's socket, readable by the user only. False, with
    // the reason, when another launcher serves there or listening failed.
    bool listen(QString* error);

    // The item's value: pushed to every linked client, then "nix", so that
    // the same request pushed twice is a change both times.
    void push(const QString& value);

private:
    void accept();
    void read(QLocalSocket* client);
    void command(const QString& text);

    QLocalServer m_server;
    QList<QLocalSocket*> m_linked;
    QString m_value = QStringLiteral("nochda");
};
