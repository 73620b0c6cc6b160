#include "app/terminationSignals.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <QSocketNotifier>
#include <sys/socket.h>
#include <unistd.h>

namespace app {

namespace {

constexpr std::array kSignals{SIGTERM, SIGHUP, SIGINT};

// A signal handler carries no state of its own: the socket it writes to has
// to be reachable from a plain function.
std::atomic<int> handlerWriteEnd{-1};

extern "C" void onTerminationSignal(int number) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(handlerWriteEnd.load(), &byte, 1);
    errno = saved;
}

void setAction(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
        return; // without the socket the signals keep their default action
    m_readEnd = ends[0];
    m_writeEnd = ends[1];
    handlerWriteEnd = m_writeEnd;
    m_notifier = new QSocketNotifier(m_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
    setAction(onTerminationSignal);
}

TerminationSignals::~TerminationSignals() {
    if (m_readEnd < 0)
        return;
    setAction(SIG_DFL);
    handlerWriteEnd = -1;
    ::close(m_readEnd);
    ::close(m_writeEnd);
}

void TerminationSignals::readPending() {
    unsigned char byte = 0;
    while (::read(m_readEnd, &byte, 1) == 1) {
        setAction(SIG_DFL);
        emit received(byte);
    }
}

} // namespace app
