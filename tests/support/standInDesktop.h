#pragma once

#include <QTemporaryDir>

namespace testsupport {

class MessageBoxAnswerer;

// The desktop's programs for one test: a folder first in PATH with stand-ins
// that record the arguments they were started with, xdg-settings and
// xdg-mime that name the default browser as told, and an XDG data folder
// for its desktop entry. The environment is restored at the end.
class StandInDesktop {
public:
    enum Announcer { None, XdgSettings, XdgMime };

    StandInDesktop();
    ~StandInDesktop();

    // "browser.desktop" becomes the default browser with this Exec line, in
    // which "{browser}" names the recording stand-in "browser".
    void setBrowser(const QString& exec, Announcer announcer = XdgSettings);
    // A recording stand-in, in the stand-ins' folder or another one.
    void addProgram(const QString& name, const QString& folder = {});
    // PATH holds the stand-ins only.
    void onlyStandIns();

    // Once program has started: "program|arguments...".
    QString started(const QString& program) const;
    // What came of an attempt to start program: the message box shown, as
    // "text|title|style", else what started() says.
    QString outcome(const MessageBoxAnswerer& boxes, const QString& program) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_saved[3];
};

} // namespace testsupport
