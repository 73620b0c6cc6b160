#include "errors/errPtnr.h"

#include "base/clock.h"
#include "base/programFolder.h"
#include "version.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace errors {

ErrPtnr& ErrPtnr::instance() {
    static ErrPtnr partner;
    return partner;
}

void ErrPtnr::CallStack(QString& a) {
    a = m_trace.enter(a);
}

QString ErrPtnr::defaultProgInfo() {
    return base::executableName() + QStringLiteral("  V") +
           QString::number(NOTENSCHAU_VERSION_MAJOR) + QLatin1Char('.') +
           QString::number(NOTENSCHAU_VERSION_MINOR) + QLatin1Char('.') +
           QString::number(NOTENSCHAU_VERSION_PATCH);
}

QString ErrPtnr::protocol(const ErrorReport& report) const {
    return buildProtocol(m_progInfo, report, m_trace.items(), base::Clock::now(),
                         m_systemInfo ? *m_systemInfo : currentSystemInfo());
}

int ErrPtnr::OnError(const QString& AktModul, const QString& AktProc, const RuntimeError& error,
                     int line) {
    m_last = ErrorReport{error.number(), error.description(), AktModul, AktProc, line};
    ++m_reports;
    if (m_progInfo.isEmpty())
        m_progInfo = defaultProgInfo();

    // A failing log never re-enters the error handling: it is said on stderr.
    QString why;
    if (!protocolFiles::appendToLog(protocol(m_last), &why))
        std::fprintf(stderr, "Fehlerprotokoll %s nicht geschrieben: %s\n",
                     qUtf8Printable(protocolFiles::logPath()), qUtf8Printable(why));

    return m_chooser ? m_chooser->choose(m_last) : int(LeaveProcedure);
}

ErrorChooser* ErrPtnr::setChooser(ErrorChooser* chooser) {
    ErrorChooser* previous = m_chooser;
    m_chooser = chooser;
    return previous;
}

void ErrPtnr::endProgram() {
    if (m_terminator)
        m_terminator();
    // No closing code runs: the database and files are dropped by the system.
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(EXIT_FAILURE);
}

} // namespace errors
