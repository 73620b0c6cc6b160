#include "answerers.h"

#include "base/programFolder.h"

#include <QDir>
#include <QFile>

namespace testsupport {

MessageBoxAnswerer::MessageBoxAnswerer() : m_previous(app::setMessageBoxPresenter(this)) {}
MessageBoxAnswerer::~MessageBoxAnswerer() {
    app::setMessageBoxPresenter(m_previous);
}

MessageBoxAnswerer& MessageBoxAnswerer::answer(int button) {
    m_answers.push_back(button);
    return *this;
}

int MessageBoxAnswerer::show(const app::MessageBoxRequest& request) {
    shown << request;
    if (m_answers.empty()) {
        ++unexpected;
        return app::defaultButton(request.style);
    }
    const int button = m_answers.front();
    m_answers.pop_front();
    return button;
}

ErrorAnswerer::ErrorAnswerer() : m_previous(errors::ErrPtnr::instance().setChooser(this)) {}
ErrorAnswerer::~ErrorAnswerer() {
    errors::ErrPtnr::instance().setChooser(m_previous);
}

ErrorAnswerer& ErrorAnswerer::answer(int action) {
    m_answers.push_back(action);
    return *this;
}

int ErrorAnswerer::choose(const errors::ErrorReport& report) {
    reports << report;
    if (m_answers.empty()) {
        ++unexpected;
        return errors::LeaveProcedure;
    }
    const int action = m_answers.front();
    m_answers.pop_front();
    return action;
}

FixedClock::FixedClock(const QDateTime& start) : m_now(start) {
    base::Clock::set([this] { return m_now; });
}
FixedClock::~FixedClock() {
    base::Clock::set({});
}

ProgramFolder::ProgramFolder() {
    QDir(m_dir.path()).mkpath(QStringLiteral("Bin"));
    base::setProgramFolder(m_dir.path());
}

ProgramFolder::~ProgramFolder() {
    base::setProgramFolder({});
}

void ProgramFolder::writeConfig(const QByteArray& content) const {
    QFile f(m_dir.filePath(QStringLiteral("Bin/config.INI")));
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
}

const QList<QByteArray>& signatures(int n) {
    static QList<QByteArray> all;
    while (all.size() < n)
        all << "[m] Sub p" + QByteArray::number(all.size() + 1).rightJustified(2, '0') + "()";
    return all;
}

} // namespace testsupport
