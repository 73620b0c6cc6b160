#include "errors/errorProtocol.h"

#include "base/privateFiles.h"
#include "base/programFolder.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <unistd.h>

namespace errors {
namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kSep = QString(70, QLatin1Char('-'));
const QString kInd = QString(10, QLatin1Char(' '));
const QString kTab = QStringLiteral("\t");
} // namespace

QString ErrorReport::numberText() const {
    return QString::number(number) + QStringLiteral(" (") + description + QLatin1Char(')');
}

QString buildProtocol(const QString& progInfo, const ErrorReport& r, const QStringList& trace,
                      const QDateTime& when, const SystemInfo& system) {
    QStringList lines;
    lines << kSep << QStringLiteral("F E H L E R P R O T O K O L L vom ErrorPartner") << kSep;
    lines << QStringLiteral("Programm-Infos:").toUpper() << kInd + progInfo << kSep;
    lines << QStringLiteral("Fehlerbeschreibung:").toUpper();
    lines << kInd + QStringLiteral("Fehler-Nr:") + kTab + r.numberText();
    lines << kInd + QStringLiteral("Modul:") + kTab + r.module;
    lines << kInd + QStringLiteral("Prozedur:") + kTab + r.procedure;
    lines << kInd + QStringLiteral("Zeilen-Nr.:") + kTab + QString::number(r.line);
    lines << kInd + QStringLiteral("Datum/Uhrzeit:") + kTab +
                 when.toString(QStringLiteral("MM-dd-yyyy / hh:mm:ss"));
    lines << kSep << QStringLiteral("CallStack:").toUpper();
    for (const QString& item : trace)
        lines << kInd + item;
    lines << kSep << QStringLiteral("SYSTEMINFO:");
    lines << kInd + QStringLiteral("Plattform:") + kTab + system.platform;
    lines << kInd + QStringLiteral("Version:") + kTab + system.version;
    lines << kInd + QStringLiteral("Build:") + kTab + system.build + QStringLiteral("   ") +
                 system.servicePack;
    lines << kSep;
    return lines.join(kCrLf) + kCrLf;
}

namespace protocolFiles {

QString folder() {
    QString program = base::programFolder();
    if (::access(QFile::encodeName(program).constData(), W_OK) == 0)
        return program;
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    data += QStringLiteral("/notenschau");
    base::makePrivateFolder(data);
    return data;
}

static QString pathWith(const QString& extension) {
    QString dir = folder();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir + base::executableName() + extension;
}

QString logPath() {
    return pathWith(QStringLiteral(".EPT"));
}
QString savedPath() {
    return pathWith(QStringLiteral(".ERR"));
}

bool appendToLog(const QString& protocol, QString* error) {
    QFile file(logPath());
    const bool existed = file.exists();
    // Unbuffered: a failing write is seen here, not again when the file closes.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                   base::kPrivateFile)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const qint64 before = file.size();
    const QByteArray bytes = (protocol + kCrLf).toUtf8();
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
        file.close();
        // A half entry or an empty log would only mislead whoever reads it.
        if (existed)
            QFile::resize(file.fileName(), before);
        else
            QFile::remove(file.fileName());
        return false;
    }
    return true;
}

bool save(const QString& path, const QString& protocol, QString* error) {
    QSaveFile file(path);
    const bool existed = QFile::exists(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // A file already there keeps the mode its owner gave it.
    if (!existed)
        file.setPermissions(base::kPrivateFile);
    file.write((protocol + kCrLf).toUtf8());
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace protocolFiles
} // namespace errors
