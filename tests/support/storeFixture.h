#pragma once

#include "answerers.h"

#include <QDateTime>
#include <QString>

namespace testsupport {

// The [Marktplatz] section for the simulator at apiUrl, with the test keys.
inline QByteArray marktplatz(const QString& apiUrl) {
    return "[Marktplatz]\nApiUrl=" + apiUrl.toUtf8() +
           "\nClientId=notenschau\nClientSecret=geheim\n";
}

// A program folder with a fresh database and a config naming it and the
// standard user, opened through InitDB as the program opens it.
class StoreFixture {
public:
    // extraSections: more sections for Bin/config.INI; mainLines: the
    // [Main] lines besides Database.
    explicit StoreFixture(const QString& standardUser = QStringLiteral("anna"),
                          const QByteArray& extraSections = {},
                          const QByteArray& mainLines = "checkInet=False\n");
    ~StoreFixture();

    QString databasePath() const { return m_folder.file(QStringLiteral("noten.db")); }
    ProgramFolder& folder() { return m_folder; }

    // Stores n ratings of a member, newest first from `newest` on, one hour
    // apart; kinds cycle through `kinds` (default positive only). Own table
    // unless foreign.
    void addRatings(const QString& user, int n, const QDateTime& newest,
                    const QList<int>& kinds = {1}, bool foreign = false);

private:
    ProgramFolder m_folder;
};

} // namespace testsupport
