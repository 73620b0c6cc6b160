// The rules of notenschau-cli's arguments, checked in this process, and the
// calls that end before any command runs, as a separate process.
#include "answerers.h"
#include "arguments.h"
#include "processRun.h"
#include "testData.h"

#include <QTemporaryDir>
#include <QTest>

using testsupport::fetch;
using testsupport::ProcessResult;

namespace {

ProcessResult run(const QString& folder, const QStringList& args) {
    return testsupport::runProcess(NOTENSCHAU_CLI_PATH, QStringList{"--ordner", folder} + args);
}

} // namespace

class CliCalls : public QObject {
    Q_OBJECT

    // The fields the call sets that differ from what a call leaves unsaid.
    static QString described(const cli::Arguments& a) {
        static const char* const commands[] = {"none",    "help",      "version", "pruefen",
                                               "liste",   "fremd",     "profil",  "suche",
                                               "verlauf", "anmeldung", "abmelden"};
        static const char* const formats[] = {"tsv", "csv", "json"};
        const int arten = a.arten[0] * 100 + a.arten[1] * 10 + a.arten[2];
        QStringList parts{
            commands[int(a.command)],
            a.ordner.isEmpty() ? "" : "ordner=" + a.ordner,
            a.ja ? "ja" : "",
            a.vollstaendig ? "vollstaendig" : "",
            a.fremd.isEmpty() ? "" : "fremd=" + a.fremd,
            a.art == 0 ? "" : "art=" + QString::number(a.art),
            a.seite == 1 ? "" : "seite=" + QString::number(a.seite),
            a.format == cli::Format::Tsv ? "" : QStringLiteral("format=") + formats[int(a.format)],
            a.name.isEmpty() ? "" : "name=" + a.name,
            arten == 1 ? "" : QStringLiteral("arten=%1").arg(arten, 3, 10, QChar('0')),
            a.anzahl == 100 ? "" : "anzahl=" + QString::number(a.anzahl),
            a.words.isEmpty() ? "" : "words=" + a.words,
            a.alle ? "alle" : ""};
        parts.removeAll(QString());
        return parts.join(' ');
    }

private slots:
    // A call, and the fields it sets or the exact message of its mistake.
    void parse_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QStringList& args, const char* expected) {
            QTest::newRow(name) << args << QString::fromUtf8(expected);
        };
        row("kinds and every rating",
            {"fremd", "O'Brien Ö", "--art", "Positiv, negativ", "--anzahl", "alle"},
            "fremd name=O'Brien Ö arten=101 anzahl=-1");
        row("defaults of fremd", {"fremd", "x"}, "fremd name=x");
        row("other spelling", {"prüfen", "--vollstaendig"}, "pruefen vollstaendig");
        row("values in capitals", {"liste", "--art", "Negativ", "--format=JSON", "--alle"},
            "liste art=3 format=json alle");
        // Help and version come before any check of the values.
        row("help after a bad value", {"liste", "--seite", "0", "hilfe"}, "help");
        row("version", {"verlauf", "--version"}, "version");
        row("no command", {}, "Kein Befehl angegeben.");
        row("unknown command", {"abgleichen"}, "Unbekannter Befehl: abgleichen");
        row("two commands", {"liste", "pruefen"}, "Unerwartetes Argument: pruefen");
        row("unknown option", {"liste", "--farbe", "rot"}, "Unbekannte Option: --farbe");
        row("twice", {"liste", "--art", "positiv", "--art", "negativ"},
            "Die Option --art ist mehrfach angegeben.");
        row("no value", {"liste", "--seite"}, "Die Option --seite braucht einen Wert.");
        row("value of a switch", {"pruefen", "--ja=1"}, "Die Option --ja nimmt keinen Wert.");
        row("option of another command", {"pruefen", "--seite", "2"},
            "Die Option --seite gilt nicht für den Befehl pruefen.");
        row("unknown kind", {"liste", "--art", "gut"},
            "Unbekannte Art \"gut\": erlaubt sind positiv, neutral und negativ.");
        row("no kinds", {"fremd", "x", "--art", ""},
            "Unbekannte Art \"\": erlaubt sind positiv, neutral und negativ, mit Kommas getrennt.");
        row("unknown of several kinds", {"fremd", "x", "--art", "positiv, gut"},
            "Unbekannte Art \"gut\": erlaubt sind positiv, neutral und negativ, mit Kommas "
            "getrennt.");
        row("page as a word", {"liste", "--seite=zwei"},
            "Die Seite muss eine ganze Zahl ab 1 sein, nicht \"zwei\".");
        row("negative count", {"fremd", "x", "--anzahl", "-5"},
            "Die Anzahl muss eine ganze Zahl ab 1 oder \"alle\" sein, nicht \"-5\".");
        row("unknown format", {"liste", "--format", "xml"},
            "Unbekanntes Format \"xml\": erlaubt sind tsv, csv und json.");
        row("no member", {"fremd"}, "Der Befehl fremd braucht einen Mitgliedsnamen.");
        row("a search for nothing", {"suche"},
            "Der Befehl suche braucht etwas, wonach er suchen soll.");
        row("all and a page", {"liste", "--alle", "--seite", "2"},
            "--alle und --seite schließen einander aus.");
        row("sign-in status", {"anmeldung"}, "anmeldung");
        row("an option for signing out", {"abmelden", "--ja"},
            "Die Option --ja gilt nicht für den Befehl abmelden.");
        row("profile as csv", {"profil", "x", "--format", "csv"},
            "Das Profil gibt es als tsv oder json, nicht als csv.");
    }
    void parse() {
        const cli::ParsedArguments parsed = cli::parseArguments(fetch<QStringList>("args"));
        QCOMPARE(parsed.error.isEmpty() ? described(parsed.arguments) : parsed.error,
                 fetch<QString>("expected"));
    }

    // Calls that end before any command runs: the help on stdout; on stderr a
    // mistake in the call, or a folder, configuration or database the program
    // cannot use.
    void calls_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("message");
        const QStringList db{"Die Datenbank ist zur Zeit nicht erreichbar.\n",
                             "notenschau-cli: Die Datenbankdatei gibt es nicht: "};
        const QStringList protocol{"F E H L E R P R O T O K O L L",
                                   "[modini] Public Sub fnGetPfadeFaktorFromINI()",
                                   QStringLiteral("13 (Typen unverträglich)")};
        const auto row = [](const char* name, const char* setup, const QStringList& args, int code,
                            const QStringList& message) {
            QTest::newRow(name) << QString(setup) << args << code << message;
        };
        row("help", "", {"--help"}, 0, {cli::helpText()});
        row("usage error", "", {"liste", "--farbe", "rot"}, 2,
            {"notenschau-cli: Unbekannte Option: --farbe\nHilfe: notenschau-cli --help\n"});
        row("no folder", "ordner", {"liste"}, 2, {"Das Verzeichnis /gibt/es/nicht gibt es nicht."});
        row("no settings", "leer", {"liste"}, 1, {"Bin/config.INI wurde nicht gefunden."});
        row("no database", "", {"liste"}, 1, db);
        row("protocol", "protokoll", {"pruefen"}, 1, protocol);
        // The sign-in's commands need the configuration only, not the database.
        row("sign-in without a database", "", {"anmeldung"}, 0,
            {"Mitglied: ida\nNicht bei eBay angemeldet."});
        row("sign-in without settings", "leer", {"anmeldung"}, 1,
            {"Bin/config.INI wurde nicht gefunden."});
        row("sign-in, broken settings", "protokoll", {"abmelden"}, 1, protocol);
    }
    void calls() {
        QFETCH(QString, setup);
        testsupport::ProgramFolder folder;
        folder.writeConfig(setup == "protokoll"
                               ? QByteArray("[Main]\ncheckInet=Vielleicht\n")
                               : "[Main]\nDatabase=" + folder.path().toUtf8() +
                                     "/fehlt.db\ncheckInet=False\n[User]\nUsername=ida\n");
        QTemporaryDir empty;
        const ProcessResult r = run(setup == "ordner" ? QStringLiteral("/gibt/es/nicht")
                                    : setup == "leer" ? empty.path()
                                                      : folder.path(),
                                    fetch<QStringList>("args"));
        QCOMPARE(r.code, fetch<int>("code"));
        QCOMPARE(r.code == 0 ? r.err : r.out, QString());
        for (const QString& part : fetch<QStringList>("message"))
            QVERIFY2((r.out + r.err).contains(part), qPrintable(r.err));
        QVERIFY(!r.err.contains('\r'));
    }
};

QTEST_GUILESS_MAIN(CliCalls)
#include "tst_cliCalls.moc"
