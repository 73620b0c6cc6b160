#include "app/checkRecord.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace app {

QString checkRecordFile(const QString& programFolder) {
    return QDir(programFolder).filePath(QStringLiteral("Bin/letztePruefung.ini"));
}

bool writeCheckRecord(const QString& file, const CheckRecord& record) {
    const QByteArray text = "[Pruefung]\nZeit=" + record.at.toString(Qt::ISODate).toUtf8() +
                            "\nRueckgabewert=" + QByteArray::number(record.exitCode) + '\n';
    QSaveFile f(file);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size() && f.commit();
}

std::optional<CheckRecord> readCheckRecord(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    CheckRecord record;
    bool haveCode = false;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QByteArray value = line.mid(line.indexOf('=') + 1).trimmed();
        if (line.startsWith("Zeit="))
            record.at = QDateTime::fromString(QString::fromUtf8(value), Qt::ISODate);
        else if (line.startsWith("Rueckgabewert="))
            record.exitCode = value.toInt(&haveCode);
    }
    if (!record.at.isValid() || !haveCode)
        return std::nullopt;
    return record;
}

} // namespace app
