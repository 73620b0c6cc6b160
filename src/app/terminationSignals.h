#pragma once

#include <QObject>

class QSocketNotifier;

namespace app {

// SIGTERM, SIGHUP and SIGINT (a logout, a closed terminal, Ctrl+C) turned into
// a Qt signal the event loop delivers: the handler itself only writes a byte
// to a socket, everything else runs later as ordinary code. After the first
// one the default action is back, so a second signal ends a process that
// hangs on its way out.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void readPending();

    int m_readEnd = -1;
    int m_writeEnd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace app
