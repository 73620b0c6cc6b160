#include "app/desktopOpen.h"

#include "base/programFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace app {
namespace {

bool isHelpFile(const QString& path) {
    return QDir::cleanPath(path) ==
           QDir::cleanPath(base::inProgramFolder(QStringLiteral("Help/hilfe.htm")));
}

// The first line a desktop tool prints, when it names a desktop entry.
QString askForEntry(const QString& tool, const QStringList& arguments) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return {};
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    // A local script that answers at once; the bound only guards a hang.
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    QString id = QString::fromUtf8(process.readAllStandardOutput())
                     .section(QLatin1Char('\n'), 0, 0)
                     .trimmed();
    // An id, not a path: nothing outside the applications folders is read.
    if (!id.endsWith(QStringLiteral(".desktop")) || id.contains(QLatin1Char('/')) ||
        id.startsWith(QLatin1Char('.')))
        return {};
    return id;
}

// The string escapes of a desktop entry value; others stay for the Exec
// quoting rules.
QString unescapeValue(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar n = value[++i];
        switch (n.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default:
            out += c;
            out += n;
        }
    }
    return out;
}

} // namespace

bool isOpenableAddress(const QString& address) {
    if (address.startsWith(QLatin1Char('/')))
        return isHelpFile(address);
    // Strict: blanks and control characters make an address invalid.
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QStringLiteral("http") || scheme == QStringLiteral("https"))
        return !url.host().isEmpty();
    if (scheme == QStringLiteral("mailto"))
        return !url.path().isEmpty();
    return false;
}

QString defaultBrowserEntry() {
    QString id = askForEntry(QStringLiteral("xdg-settings"),
                             {QStringLiteral("get"), QStringLiteral("default-web-browser")});
    if (!id.isEmpty())
        return id;
    return askForEntry(QStringLiteral("xdg-mime"),
                       {QStringLiteral("query"), QStringLiteral("default"),
                        QStringLiteral("x-scheme-handler/http")});
}

QString desktopEntryExec(const QString& entryId) {
    if (entryId.isEmpty())
        return {};
    QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entryId);
    // "vendor-browser.desktop" may be the id of vendor/browser.desktop.
    for (qsizetype dash = entryId.indexOf(QLatin1Char('-')); path.isEmpty() && dash > 0;
         dash = entryId.indexOf(QLatin1Char('-'), dash + 1)) {
        QString nested = entryId;
        nested[dash] = QLatin1Char('/');
        path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, nested);
    }
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inMainGroup && eq > 0 && line.left(eq).trimmed() == QStringLiteral("Exec"))
            return unescapeValue(line.mid(eq + 1).trimmed());
    }
    return {};
}

QStringList desktopEntryCommand(const QString& exec, const QString& address) {
    const bool local = address.startsWith(QLatin1Char('/'));
    const QString asUrl = local ? QUrl::fromLocalFile(address).toString() : address;
    QStringList args;
    QString current;
    bool inArg = false;
    bool quoted = false;
    bool addressPlaced = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size() &&
                QStringLiteral("\"`$\\").contains(exec[i + 1]))
                current += exec[++i];
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                current += c;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArg)
                args << current;
            current.clear();
            inArg = false;
        } else if (c == QLatin1Char('"')) {
            quoted = inArg = true;
        } else if (c == QLatin1Char('%') && i + 1 < exec.size()) {
            const QChar code = exec[++i];
            if (code == QLatin1Char('%')) {
                current += c;
                inArg = true;
            } else if (QStringLiteral("uUfF").contains(code) && !addressPlaced) {
                const bool url = code == QLatin1Char('u') || code == QLatin1Char('U');
                current += url ? asUrl : address;
                inArg = addressPlaced = true;
            }
            // Any other code (%i %c %k, the deprecated ones) expands to nothing.
        } else {
            current += c;
            inArg = true;
        }
    }
    if (quoted)
        return {};
    if (inArg)
        args << current;
    if (args.isEmpty())
        return {};
    if (!addressPlaced)
        args << address;
    return args;
}

OpenResult openAddress(const QString& address, bool newWindow) {
    if (!isOpenableAddress(address))
        return OpenResult::Refused;
    const QString exec = desktopEntryExec(defaultBrowserEntry());
    if (exec.isEmpty())
        return OpenResult::NoBrowser;
    if (!newWindow)
        return openOnDesktop(address);
    if (address.startsWith(QLatin1Char('/')) && !QFileInfo::exists(address))
        return OpenResult::NotStarted;
    QStringList command = desktopEntryCommand(exec, address);
    if (command.isEmpty())
        return OpenResult::NotStarted;
    const QString program = command.takeFirst();
    return QProcess::startDetached(program, command) ? OpenResult::Opened : OpenResult::NotStarted;
}

OpenResult openOnDesktop(const QString& address, const QString& workingDirectory) {
    if (!isOpenableAddress(address))
        return OpenResult::Refused;
    if (address.startsWith(QLatin1Char('/')) && !QFileInfo::exists(address))
        return OpenResult::NotStarted;
    // What xdg-open says of browsers it tried is not the user's business.
    QProcess process;
    process.setProgram(QStringLiteral("xdg-open"));
    process.setArguments({address});
    process.setWorkingDirectory(workingDirectory);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached() ? OpenResult::Opened : OpenResult::NotStarted;
}

} // namespace app
