#include "standInDesktop.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace testsupport {
namespace {
const char* const kVariables[3] = {"PATH", "XDG_DATA_HOME", "XDG_DATA_DIRS"};
}

StandInDesktop::StandInDesktop() {
    for (int i = 0; i < 3; ++i)
        m_saved[i] = qgetenv(kVariables[i]);
    QDir(m_dir.path()).mkpath(QStringLiteral("bin"));
    QDir(m_dir.path()).mkpath(QStringLiteral("share/applications"));
    qputenv("PATH", QFile::encodeName(m_dir.filePath(QStringLiteral("bin"))) + ':' + m_saved[0]);
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("share"))));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(m_dir.filePath(QStringLiteral("nothing"))));
    setBrowser({}, None);
    addProgram(QStringLiteral("browser"));
    addProgram(QStringLiteral("xdg-open"));
}

StandInDesktop::~StandInDesktop() {
    for (int i = 0; i < 3; ++i)
        qputenv(kVariables[i], m_saved[i]);
}

void StandInDesktop::writeScript(const QString& path, const QByteArray& body) const {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write("#!/bin/sh\n" + body) < 0)
        qFatal("StandInDesktop: cannot write %s", qPrintable(path));
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void StandInDesktop::setBrowser(const QString& exec, Announcer announcer) {
    const QByteArray say = "echo browser.desktop\n";
    writeScript(m_dir.filePath(QStringLiteral("bin/xdg-settings")),
                "[ \"$1 $2\" = 'get default-web-browser' ] || exit 1\n" +
                    (announcer == XdgSettings ? say : QByteArray()));
    writeScript(m_dir.filePath(QStringLiteral("bin/xdg-mime")),
                "[ \"$1 $2 $3\" = 'query default x-scheme-handler/http' ] || exit 1\n" +
                    (announcer == XdgMime ? say : QByteArray()));
    QFile entry(m_dir.filePath(QStringLiteral("share/applications/browser.desktop")));
    entry.remove();
    if (announcer != None && !exec.isEmpty() && entry.open(QIODevice::WriteOnly))
        entry.write("[Desktop Entry]\nType=Application\nName=Browser\nExec=" +
                    QString(exec)
                        .replace(QStringLiteral("{browser}"), m_dir.filePath("bin/browser"))
                        .toUtf8() +
                    "\n");
}

QString StandInDesktop::addProgram(const QString& name, const QString& folder) {
    const QString path = QDir(folder.isEmpty() ? m_dir.filePath("bin") : folder).filePath(name);
    const QByteArray record = QFile::encodeName(m_dir.filePath(name + ".args"));
    writeScript(path, "printf '%s\\n' \"$@\" > '" + record + ".tmp'\n/bin/mv '" + record +
                          ".tmp' '" + record + "'\n");
    return path;
}

void StandInDesktop::onlyStandIns() {
    qputenv("PATH", QFile::encodeName(m_dir.filePath(QStringLiteral("bin"))));
}

QStringList StandInDesktop::startedWith(const QString& name) const {
    QFile f(m_dir.filePath(name + ".args"));
    // The guard only ends a test whose program never starts.
    if (!QTest::qWaitFor([&] { return f.exists(); }, 60000) || !f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<nicht gestartet>")};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace testsupport
