#pragma once

#include "app/msgBox.h"
#include "errors/errPtnr.h"

#include <functional>
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace cli {

// Writes UTF-8 text as it is.
void out(const QString& text);
void err(const QString& text);
// Line breaks of the program's messages ("\r", "\r\n") as the terminal's.
QString terminalLines(QString text);

bool stdinIsTerminal();
bool stdoutIsTerminal();

// Message boxes on the console: warnings and errors to stderr, the rest to
// stdout. A question is asked on the terminal; with assumeYes it is answered
// Yes, and without a terminal No, never waiting for input.
class ConsolePresenter : public app::MessageBoxPresenter {
public:
    ConsolePresenter(bool assumeYes, bool interactive);
    ~ConsolePresenter() override;

    int show(const app::MessageBoxRequest& request) override;

    // Whether a message starting with this text has been shown.
    bool saw(const QString& start) const;
    // The answers given to questions, in order.
    const QList<int>& answers() const { return m_answers; }
    // Runs before a message is written (a progress line is ended first).
    void setBeforeOutput(std::function<void()> hook) { m_beforeOutput = std::move(hook); }

private:
    int ask(const app::MessageBoxRequest& request);

    bool m_assumeYes;
    bool m_interactive;
    QStringList m_shown;
    QList<int> m_answers;
    std::function<void()> m_beforeOutput;
    app::MessageBoxPresenter* m_previous;
};

// The error convention on the console: the protocol text to stderr, and the
// failing procedure is left.
class ConsoleChooser : public errors::ErrorChooser {
public:
    ConsoleChooser();
    ~ConsoleChooser() override;

    int choose(const errors::ErrorReport& report) override;
    // Told after each error (a run in progress cancels itself then).
    void setOnError(std::function<void()> onError) { m_onError = std::move(onError); }

private:
    std::function<void()> m_onError;
    errors::ErrorChooser* m_previous;
};

} // namespace cli
