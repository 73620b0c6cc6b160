#pragma once

#include "console.h"
#include "retrieval/loadRun.h"
#include "store/connection.h"

#include <functional>
#include <QString>

// What the commands that load from the marketplace share.
namespace cli {

// What the run says, as lines: on a terminal one line is rewritten in place
// (the line count every 50 lines); otherwise each page's caption and its last
// line count.
class ProgressPrinter {
public:
    ProgressPrinter() : m_terminal(stdoutIsTerminal()) {}

    void changed(const retrieval::LoadRun& run) {
        if (run.label1() != m_label1) {
            endLine();
            m_label1 = run.label1();
            out(m_label1 + QLatin1Char('\n'));
        }
        if (run.label2() == m_label2)
            return;
        m_label2 = run.label2();
        const bool counting = m_label2.startsWith(QLatin1String("Analysiere"));
        if (!m_terminal) {
            if (counting)
                m_pending = m_label2;
        } else if (!counting || run.lines() % 50 == 0) {
            rewrite(m_label2);
        } else {
            m_pending = m_label2;
        }
    }

    void storing(qint32 i, qint32 n) {
        if (m_terminal && (i % 100 == 0 || i == n))
            rewrite(QStringLiteral("Geschrieben: %1 von %2").arg(i).arg(n));
    }

    // Says the last count not yet said and ends a line left open.
    void endLine() {
        if (!m_pending.isEmpty()) {
            if (m_terminal)
                rewrite(m_pending);
            else
                out(m_pending + QLatin1Char('\n'));
            m_pending.clear();
        }
        if (m_open)
            out(QStringLiteral("\n"));
        m_open = false;
    }

private:
    void rewrite(const QString& text) {
        out(QLatin1Char('\r') + text + QStringLiteral("\x1b[K"));
        m_open = true;
        m_pending.clear();
    }

    bool m_terminal;
    bool m_open = false;
    QString m_label1;
    QString m_label2;
    QString m_pending;
};

// Opens the database named in the configuration; a configuration the
// program cannot read is reported as any error is. False: the command ends.
// A command that only reads passes Access::Read. A file that others may read
// is said on stderr.
bool openDatabase(const char* command, store::Access access = store::Access::Write);

// The connection check; says so when there is none. Failed: the check
// itself reported an error.
enum class Connection { Online, Offline, Failed };
[[nodiscard]] Connection checkConnection();

// Starts a load run and lets it run until it closes, printing what it says;
// Ctrl+C or SIGTERM, or an error nobody could answer, cancel it as the
// window's "Abbrechen" does. True when it was interrupted.
bool runToEnd(retrieval::LoadRun& run, ProgressPrinter& printer, ConsoleChooser& chooser,
              const std::function<void()>& start);

// Starts some work that calls done() once it has ended, and waits for it;
// Ctrl+C or SIGTERM call cancel, which must still lead to done(). True when
// it was interrupted.
bool waitInterruptible(const std::function<void(const std::function<void()>& done)>& start,
                       const std::function<void()>& cancel);

} // namespace cli
