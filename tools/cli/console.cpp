#include "console.h"

#include "output.h"

#include <cstdio>
#include <unistd.h>

namespace cli {

namespace {
void write(std::FILE* f, const QString& text) {
    const QByteArray bytes = utf8(text);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
    std::fflush(f);
}
} // namespace

void out(const QString& text) {
    write(stdout, text);
}

void err(const QString& text) {
    write(stderr, text);
}

QString terminalLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

bool stdinIsTerminal() {
    return ::isatty(STDIN_FILENO) == 1;
}

bool stdoutIsTerminal() {
    return ::isatty(STDOUT_FILENO) == 1;
}

ConsolePresenter::ConsolePresenter(bool assumeYes, bool interactive)
    : m_assumeYes(assumeYes), m_interactive(interactive),
      m_previous(app::setMessageBoxPresenter(this)) {}

ConsolePresenter::~ConsolePresenter() {
    app::setMessageBoxPresenter(m_previous);
}

bool ConsolePresenter::saw(const QString& start) const {
    for (const QString& text : m_shown)
        if (text.startsWith(start))
            return true;
    return false;
}

int ConsolePresenter::show(const app::MessageBoxRequest& request) {
    m_shown << request.text;
    if (m_beforeOutput)
        m_beforeOutput();
    if (request.buttons() != app::vbOKOnly) {
        const int answer = ask(request);
        m_answers << answer;
        return answer;
    }
    // The core's messages often start with a blank; a console line does not.
    const QString line = terminalLines(request.text).trimmed() + QLatin1Char('\n');
    const int icon = request.icon();
    if (icon == app::vbCritical || icon == app::vbExclamation)
        err(line);
    else
        out(line);
    return app::vbOK;
}

int ConsolePresenter::ask(const app::MessageBoxRequest& request) {
    int yes = app::vbYes;
    int no = app::vbNo;
    switch (request.buttons()) {
    case app::vbOKCancel:
        yes = app::vbOK;
        no = app::vbCancel;
        break;
    case app::vbRetryCancel:
        // Retrying without a person could go on for ever.
        yes = m_interactive && !m_assumeYes ? app::vbRetry : app::vbCancel;
        no = app::vbCancel;
        break;
    case app::vbAbortRetryIgnore:
        yes = m_interactive && !m_assumeYes ? app::vbRetry : app::vbAbort;
        no = app::vbAbort;
        break;
    default:
        break;
    }
    out(terminalLines(request.text).trimmed() + QStringLiteral(" [j/N] "));
    if (m_assumeYes) {
        out(QStringLiteral("j (--ja)\n"));
        return yes;
    }
    if (!m_interactive) {
        out(QStringLiteral("n\n"));
        err(QStringLiteral("Keine Rückfrage möglich, die Eingabe ist kein Terminal; mit --ja "
                           "wird ohne Rückfrage geladen.\n"));
        return no;
    }
    char buffer[256];
    if (!std::fgets(buffer, sizeof buffer, stdin)) {
        out(QStringLiteral("\n"));
        return no;
    }
    const QString answer = QString::fromLocal8Bit(buffer).trimmed().toLower();
    const bool agreed = answer == QLatin1String("j") || answer == QLatin1String("ja") ||
                        answer == QLatin1String("y") || answer == QLatin1String("yes");
    return agreed ? yes : no;
}

ConsoleChooser::ConsoleChooser() : m_previous(errors::ErrPtnr::instance().setChooser(this)) {}

ConsoleChooser::~ConsoleChooser() {
    errors::ErrPtnr::instance().setChooser(m_previous);
}

int ConsoleChooser::choose(const errors::ErrorReport& report) {
    QString text = terminalLines(errors::ErrPtnr::instance().protocol(report));
    if (!text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    err(text);
    if (m_onError)
        m_onError();
    return errors::LeaveProcedure;
}

} // namespace cli
