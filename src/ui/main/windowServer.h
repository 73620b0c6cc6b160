#pragma once

#include "app/windowLink.h"

#include <QLocalServer>
#include <QObject>

class QLocalSocket;

namespace ui {

// The window's end of app::sendToWindow: takes the commands of the user's
// other processes of the same program folder.
class WindowServer : public QObject {
    Q_OBJECT
public:
    explicit WindowServer(QObject* parent = nullptr);

    // False when the socket cannot be had; the window then works alone.
    bool listen(const QString& programFolder);
    QString path() const { return m_server.fullServerName(); }

signals:
    void received(app::WindowCommand command);

private:
    void accept();
    void read(QLocalSocket* client);

    QLocalServer m_server;
};

} // namespace ui
