#pragma once

#include "errors/callTrace.h"
#include "errors/errorProtocol.h"
#include "errors/runtimeError.h"
#include "errors/systemInfo.h"

#include <functional>
#include <optional>

namespace errors {

// The user's choice after an error: the index of the continue button.
enum ErrorAction : int { Retry = 0, NextStatement = 1, LeaveProcedure = 2, EndProgram = 3 };

// Whoever lets the user choose how a failing procedure goes on: the error
// dialog, a headless tool's console, or a test's answerer.
class ErrorChooser {
public:
    virtual ~ErrorChooser() = default;
    // Shown for one error; returns an ErrorAction (any other value leaves).
    virtual int choose(const ErrorReport& report) = 0;
};

// The process-wide error partner: the trace, the program information line,
// the protocol log, and the hand-over to the chooser.
class ErrPtnr {
public:
    static ErrPtnr& instance();

    // Records one trace item; a is left holding the item text.
    void CallStack(QString& a);
    void enter(const char* signature) { m_trace.enter(signature); }

    void SetProgInfo(const QString& text) { m_progInfo = text; }
    const QString& progInfo() const { return m_progInfo; }
    // The line shown when none was set: executable name + "  V" + version.
    static QString defaultProgInfo();

    const CallTrace& trace() const { return m_trace; }
    CallTrace& trace() { return m_trace; }

    // Fills the report, appends the protocol to the log and asks the chooser.
    int OnError(const QString& AktModul, const QString& AktProc, const RuntimeError& error,
                int line);

    // The protocol text as of now for a report.
    QString protocol(const ErrorReport& report) const;

    // Not owned; nullptr means: no chooser, every error leaves its procedure.
    ErrorChooser* setChooser(ErrorChooser* chooser);

    // What "Programm &beenden" does; by default the process ends at once.
    void setTerminator(std::function<void()> terminator) { m_terminator = std::move(terminator); }
    [[noreturn]] void endProgram();

    // Replaces what the protocol's SYSTEMINFO lines read (tests).
    void setSystemInfo(std::optional<SystemInfo> info) { m_systemInfo = std::move(info); }

    // The last report handed to the chooser.
    const ErrorReport& lastReport() const { return m_last; }
    // How many errors were reported since the program started.
    quint64 reports() const { return m_reports; }

private:
    ErrPtnr() = default;

    CallTrace m_trace;
    QString m_progInfo;
    ErrorChooser* m_chooser = nullptr;
    std::function<void()> m_terminator;
    std::optional<SystemInfo> m_systemInfo;
    ErrorReport m_last;
    quint64 m_reports = 0;
};

// Whether an error was reported while it lived: what a step that goes on
// after an error answers for its caller.
class ErrorWatch {
public:
    ErrorWatch() : m_start(ErrPtnr::instance().reports()) {}
    [[nodiscard]] bool seen() const { return ErrPtnr::instance().reports() != m_start; }

private:
    quint64 m_start;
};

} // namespace errors
