#include "standInDesktop.h"

#include "answerers.h"

#include <QDir>
#include <QTest>

namespace testsupport {
namespace {

const char* const kVariables[3] = {"PATH", "XDG_DATA_HOME", "XDG_DATA_DIRS"};

void writeScript(const QString& path, const QByteArray& body) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write("#!/bin/sh\n" + body) < 0 ||
        !f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        qFatal("StandInDesktop: cannot write %s", qPrintable(path));
}

} // namespace

StandInDesktop::StandInDesktop() {
    for (int i = 0; i < 3; ++i)
        m_saved[i] = qgetenv(kVariables[i]);
    QDir(m_dir.path()).mkpath(QStringLiteral("share/applications"));
    QDir(m_dir.path()).mkpath(QStringLiteral("bin"));
    qputenv("PATH", QFile::encodeName(m_dir.filePath("bin")) + ':' + m_saved[0]);
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("share")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(m_dir.filePath("nothing")));
    setBrowser({}, None);
    addProgram(QStringLiteral("browser"));
    addProgram(QStringLiteral("xdg-open"));
}

StandInDesktop::~StandInDesktop() {
    for (int i = 0; i < 3; ++i)
        qputenv(kVariables[i], m_saved[i]);
}

void StandInDesktop::setBrowser(const QString& exec, Announcer announcer) {
    auto answer = [](bool yes) { return yes ? QByteArray("echo browser.desktop\n") : "true\n"; };
    writeScript(m_dir.filePath("bin/xdg-settings"),
                "[ \"$1 $2\" = 'get default-web-browser' ] && " + answer(announcer == XdgSettings));
    writeScript(m_dir.filePath("bin/xdg-mime"),
                "[ \"$1 $2 $3\" = 'query default x-scheme-handler/http' ] && " +
                    answer(announcer == XdgMime));
    QFile entry(m_dir.filePath("share/applications/browser.desktop"));
    if (entry.exists() && !entry.remove())
        qFatal("StandInDesktop: cannot remove the desktop entry");
    if (!exec.isEmpty() && entry.open(QIODevice::WriteOnly))
        entry.write("[Desktop Entry]\nType=Application\nName=Browser\nExec=" +
                    QString(exec).replace("{browser}", m_dir.filePath("bin/browser")).toUtf8());
}

void StandInDesktop::addProgram(const QString& name, const QString& folder) {
    const QByteArray record = QFile::encodeName(m_dir.filePath(name + ".args"));
    writeScript(QDir(folder.isEmpty() ? m_dir.filePath("bin") : folder).filePath(name),
                "printf '%s\\n' \"$@\" > '" + record + ".tmp'\n/bin/mv '" + record + ".tmp' '" +
                    record + "'\n");
}

void StandInDesktop::onlyStandIns() {
    qputenv("PATH", QFile::encodeName(m_dir.filePath(QStringLiteral("bin"))));
}

QString StandInDesktop::outcome(const MessageBoxAnswerer& boxes, const QString& program) const {
    if (boxes.shown.isEmpty())
        return started(program);
    return QStringLiteral("%1|%2|%3")
        .arg(boxes.shown[0].text, boxes.shown[0].title, QString::number(boxes.shown[0].style));
}

QString StandInDesktop::started(const QString& program) const {
    QFile f(m_dir.filePath(program + ".args"));
    // The guard only ends a test whose program never starts.
    if (!QTest::qWaitFor([&] { return f.exists(); }, 60000) || !f.open(QIODevice::ReadOnly))
        return program + QStringLiteral(" nicht gestartet");
    return (QStringList{program} + QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts))
        .join('|');
}

} // namespace testsupport
