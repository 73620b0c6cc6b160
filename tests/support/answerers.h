#pragma once

#include "app/msgBox.h"
#include "base/clock.h"
#include "errors/errPtnr.h"

#include <deque>
#include <QDateTime>
#include <QList>
#include <QTemporaryDir>
#include <sys/stat.h>

namespace testsupport {

// The usual umask 022 while it lives, so that a file made with the default
// mode would be readable by others and a test of creation modes can fail.
class UsualUmask {
public:
    UsualUmask() : m_before(::umask(022)) {}
    ~UsualUmask() { ::umask(m_before); }
    UsualUmask(const UsualUmask&) = delete;
    UsualUmask& operator=(const UsualUmask&) = delete;

private:
    mode_t m_before;
};

// Answers message boxes in advance and records every box shown. A box with no
// answer queued gets its default button and counts as unexpected.
class MessageBoxAnswerer : public app::MessageBoxPresenter {
public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer() override;

    MessageBoxAnswerer& answer(int button);
    int show(const app::MessageBoxRequest& request) override;

    QList<app::MessageBoxRequest> shown;
    int unexpected = 0;

private:
    std::deque<int> m_answers;
    app::MessageBoxPresenter* m_previous;
};

// Answers the error dialog in advance with the four choices and records each
// report. With nothing queued it leaves the procedure and counts as unexpected.
class ErrorAnswerer : public errors::ErrorChooser {
public:
    ErrorAnswerer();
    ~ErrorAnswerer() override;

    ErrorAnswerer& answer(int action);
    int choose(const errors::ErrorReport& report) override;

    QList<errors::ErrorReport> reports;
    int unexpected = 0;

private:
    std::deque<int> m_answers;
    errors::ErrorChooser* m_previous;
};

// A clock that stands still until it is moved.
class FixedClock {
public:
    explicit FixedClock(const QDateTime& start);
    ~FixedClock();
    void set(const QDateTime& t) { m_now = t; }
    void advanceSecs(qint64 s) { m_now = m_now.addSecs(s); }

private:
    QDateTime m_now;
};

// A program folder of its own for one test: Bin/, an optional config.INI,
// and the protocol files written there.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    QString path() const { return m_dir.path(); }
    void writeConfig(const QByteArray& content) const;
    QString file(const QString& relative) const { return m_dir.filePath(relative); }

private:
    QTemporaryDir m_dir;
};

// The signatures "[m] Sub p01()", "[m] Sub p02()", ... of n procedures, kept
// for the whole process as a procedure's signature must be.
const QList<QByteArray>& signatures(int n);

} // namespace testsupport
