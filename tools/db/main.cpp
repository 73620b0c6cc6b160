// notenschau-db: the database file outside the program. See kUsage.
#include "base/privateFiles.h"
#include "errors/runtimeError.h"
#include "store/backup.h"
#include "store/connection.h"
#include "store/schema.h"

#include <cstdio>
#include <QCoreApplication>
#include <QStringList>

namespace {

// Exit codes: 0 done (or sound), 1 failed (or damaged), 2 bad call or a file
// that cannot be opened.
enum Exit { kOk = 0, kFailed = 1, kCall = 2 };

constexpr const char* kUsage =
    "Aufruf:\n"
    "  notenschau-db create PFAD\n"
    "      legt eine leere, verschlüsselte Datenbank an (eine vorhandene Datei\n"
    "      bleibt unberührt)\n"
    "  notenschau-db pruefen PFAD\n"
    "      prüft die ganze Datei und ob Schema, Tabellen und Indizes da sind:\n"
    "      0 in Ordnung, 1 beschädigt oder unvollständig, 2 nicht zu öffnen\n"
    "  notenschau-db sichern PFAD ZIEL [--ueberschreiben]\n"
    "      kopiert die Datenbank nach ZIEL, auch während das Programm läuft;\n"
    "      ein vorhandenes ZIEL nur mit --ueberschreiben\n"
    "  notenschau-db --help\n"
    "      diese Hilfe\n"
    "\n"
    "Rückgabewerte:\n"
    "  0  erledigt: angelegt, in Ordnung oder gesichert\n"
    "  1  fehlgeschlagen, oder die Datenbank ist beschädigt oder unvollständig\n"
    "  2  falscher Aufruf, eine Datei lässt sich nicht öffnen, oder ZIEL ist schon\n"
    "     da (ohne --ueberschreiben)\n";

void print(std::FILE* f, const QString& line) {
    std::fprintf(f, "%s\n", qUtf8Printable(line));
}

int create(const QString& path) {
    try {
        store::createDatabase(path);
    } catch (const errors::RuntimeError& e) {
        print(stderr, QStringLiteral("notenschau-db: ") + e.description());
        return kFailed;
    }
    print(stdout, QStringLiteral("Datenbank angelegt: ") + path);
    return kOk;
}

int check(const QString& path) {
    QStringList missing;
    QStringList problems;
    try {
        auto connection = store::Connection::openToRead(path, store::databasePassword());
        missing = store::schemaProblems(*connection);
        problems = connection->integrityProblems(false);
    } catch (const store::OpenError& e) {
        if (e.failure().cause != store::OpenCause::Damaged) {
            print(stderr, QStringLiteral("notenschau-db: ") + e.failure().text());
            return kCall;
        }
        problems << e.failure().detail;
    } catch (const errors::RuntimeError& e) {
        print(stderr, QStringLiteral("notenschau-db: ") + e.description());
        return kCall;
    }
    if (const QString warning = base::readableByOthersWarning(path); !warning.isEmpty())
        print(stderr, QStringLiteral("notenschau-db: ") + warning);
    if (problems.isEmpty() && missing.isEmpty()) {
        print(stdout, QStringLiteral("Die Datenbank ist in Ordnung: ") + path);
        return kOk;
    }
    print(stdout, (problems.isEmpty() ? QStringLiteral("Der Datenbank fehlt, was das Programm "
                                                       "braucht: ")
                                      : QStringLiteral("Die Datenbank ist beschädigt: ")) +
                      path);
    for (const QString& problem : (missing + problems).mid(0, 20))
        print(stdout, QStringLiteral("  ") + problem);
    return kFailed;
}

int backup(const QString& source, const QString& target, bool overwrite) {
    const store::BackupResult r = store::backupDatabase(source, target, overwrite);
    switch (r.outcome) {
    case store::BackupOutcome::Copied:
        print(stdout, r.message);
        return kOk;
    case store::BackupOutcome::CopyFailed:
        print(stderr, QStringLiteral("notenschau-db: ") + r.message);
        return kFailed;
    default:
        print(stderr, QStringLiteral("notenschau-db: ") + r.message);
        return kCall;
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool overwrite = args.removeAll(QStringLiteral("--ueberschreiben")) > 0;
    const QString command = args.value(0);
    if ((command == QLatin1String("--help") || command == QLatin1String("-h")) &&
        args.size() == 1 && !overwrite) {
        std::fputs(kUsage, stdout);
        return kOk;
    }
    if (command == QLatin1String("create") && args.size() == 2 && !overwrite)
        return create(args.at(1));
    if (command == QLatin1String("pruefen") && args.size() == 2 && !overwrite)
        return check(args.at(1));
    if (command == QLatin1String("sichern") && args.size() == 3)
        return backup(args.at(1), args.at(2), overwrite);
    std::fputs(kUsage, stderr);
    return kCall;
}
