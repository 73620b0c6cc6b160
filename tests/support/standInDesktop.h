#pragma once

#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

// The desktop's programs for one test: a folder first in PATH with stand-ins
// that record the arguments they were started with, xdg-settings and
// xdg-mime that name the default browser as told, and an XDG data folder
// that holds its desktop entry. The environment is restored at the end.
class StandInDesktop {
public:
    enum Announcer { None, XdgSettings, XdgMime };

    StandInDesktop();
    ~StandInDesktop();

    // "browser.desktop" becomes the default browser with this Exec line, in
    // which "{browser}" names the recording stand-in "browser".
    void setBrowser(const QString& exec, Announcer announcer = XdgSettings);
    // A recording stand-in named name, in the stand-ins' folder or another.
    QString addProgram(const QString& name, const QString& folder = {});
    // PATH holds the stand-ins only.
    void onlyStandIns();

    // Waits until the stand-in has been started and returns its arguments;
    // {"<nicht gestartet>"} when it never is.
    QStringList startedWith(const QString& name) const;

private:
    void writeScript(const QString& path, const QByteArray& body) const;

    QTemporaryDir m_dir;
    QByteArray m_saved[3];
};

} // namespace testsupport
