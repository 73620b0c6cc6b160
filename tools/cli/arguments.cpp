#include "arguments.h"

#include <QSet>

namespace cli {
namespace {

constexpr unsigned bit(Command c) {
    return 1u << unsigned(c);
}

struct OptionInfo {
    const char* name;
    bool takesValue;
    unsigned commands; // 0: valid with every command
};

constexpr OptionInfo kOptions[] = {
    {"--ordner", true, 0},
    {"--ja", false, bit(Command::Pruefen)},
    {"--vollstaendig", false, bit(Command::Pruefen)},
    {"--fremd", true, bit(Command::Liste) | bit(Command::Suche) | bit(Command::Verlauf)},
    {"--art", true, bit(Command::Liste) | bit(Command::Fremd) | bit(Command::Suche)},
    {"--seite", true, bit(Command::Liste)},
    {"--format", true,
     bit(Command::Liste) | bit(Command::Profil) | bit(Command::Suche) | bit(Command::Verlauf)},
    {"--anzahl", true, bit(Command::Fremd)},
    {"--alle", false, bit(Command::Liste)},
};

struct CommandName {
    const char* name;
    Command command;
};
constexpr CommandName kCommands[] = {
    {"pruefen", Command::Pruefen}, {"prüfen", Command::Pruefen}, {"liste", Command::Liste},
    {"fremd", Command::Fremd},     {"profil", Command::Profil},  {"suche", Command::Suche},
    {"verlauf", Command::Verlauf},
};

int kindOf(const QString& name) {
    const QString v = name.trimmed().toLower();
    return v == QLatin1String("positiv")   ? 1
           : v == QLatin1String("neutral") ? 2
           : v == QLatin1String("negativ") ? 3
                                           : 0;
}

const OptionInfo* findOption(const QString& name) {
    for (const OptionInfo& o : kOptions)
        if (name == QLatin1String(o.name))
            return &o;
    return nullptr;
}

QString commandName(Command c) {
    for (const CommandName& n : kCommands)
        if (n.command == c)
            return QString::fromUtf8(n.name);
    return {};
}

// Checks one option's value and puts it into the result.
bool apply(Arguments& a, const QString& name, const QString& value, QString* error) {
    if (name == QLatin1String("--ordner")) {
        if (value.trimmed().isEmpty()) {
            *error = QStringLiteral("Die Option --ordner braucht ein Verzeichnis.");
            return false;
        }
        a.ordner = value;
    } else if (name == QLatin1String("--ja") || name == QLatin1String("--vollstaendig")) {
        (name == QLatin1String("--ja") ? a.ja : a.vollstaendig) = true;
    } else if (name == QLatin1String("--alle")) {
        a.alle = true;
    } else if (name == QLatin1String("--fremd")) {
        if (value.trimmed().isEmpty()) {
            *error = QStringLiteral("Die Option --fremd braucht einen Mitgliedsnamen.");
            return false;
        }
        a.fremd = value;
    } else if (name == QLatin1String("--art") && a.command == Command::Fremd) {
        // Several kinds, separated by commas.
        bool kinds[3] = {false, false, false};
        for (const QString& part : value.split(QLatin1Char(','))) {
            const int kind = kindOf(part);
            if (kind == 0) {
                *error = QStringLiteral("Unbekannte Art \"%1\": erlaubt sind positiv, neutral "
                                        "und negativ, mit Kommas getrennt.")
                             .arg(part.trimmed());
                return false;
            }
            kinds[kind - 1] = true;
        }
        std::copy(std::begin(kinds), std::end(kinds), std::begin(a.arten));
    } else if (name == QLatin1String("--art")) {
        a.art = kindOf(value);
        if (a.art == 0) {
            *error = QStringLiteral("Unbekannte Art \"%1\": erlaubt sind positiv, neutral und "
                                    "negativ.")
                         .arg(value);
            return false;
        }
    } else if (name == QLatin1String("--anzahl")) {
        bool ok = false;
        const qint64 n = value.trimmed().toLongLong(&ok);
        if (value.trimmed().compare(QLatin1String("alle"), Qt::CaseInsensitive) == 0) {
            a.anzahl = -1;
        } else if (!ok || n < 1 || n > 10'000'000) {
            *error = QStringLiteral("Die Anzahl muss eine ganze Zahl ab 1 oder \"alle\" sein, "
                                    "nicht \"%1\".")
                         .arg(value);
            return false;
        } else {
            a.anzahl = qint32(n);
        }
    } else if (name == QLatin1String("--seite")) {
        bool ok = false;
        const qint64 n = value.trimmed().toLongLong(&ok);
        // Pages of 200 beyond this would pass the 32-bit row numbers.
        if (!ok || n < 1 || n > 10'000'000) {
            *error = QStringLiteral("Die Seite muss eine ganze Zahl ab 1 sein, nicht \"%1\".")
                         .arg(value);
            return false;
        }
        a.seite = qint32(n);
    } else if (name == QLatin1String("--format")) {
        const QString v = value.toLower();
        if (v == QLatin1String("tsv"))
            a.format = Format::Tsv;
        else if (v == QLatin1String("csv"))
            a.format = Format::Csv;
        else if (v == QLatin1String("json"))
            a.format = Format::Json;
        else {
            *error = QStringLiteral("Unbekanntes Format \"%1\": erlaubt sind tsv, csv und json.")
                         .arg(value);
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<Arguments> parseArguments(const QStringList& args, QString* error) {
    Arguments a;
    QSet<QString> seen;
    // Options are checked against the command once it is known, wherever
    // they stand.
    QList<QPair<QString, QString>> options;
    bool help = false;
    bool version = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h") ||
            arg == QLatin1String("hilfe")) {
            help = true;
            continue;
        }
        if (arg == QLatin1String("--version")) {
            version = true;
            continue;
        }
        if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            const qsizetype eq = arg.indexOf(QLatin1Char('='));
            const QString name = eq < 0 ? arg : arg.left(eq);
            const OptionInfo* info = findOption(name);
            if (!info) {
                *error = QStringLiteral("Unbekannte Option: %1").arg(name);
                return std::nullopt;
            }
            if (seen.contains(name)) {
                *error = QStringLiteral("Die Option %1 ist mehrfach angegeben.").arg(name);
                return std::nullopt;
            }
            seen.insert(name);
            QString value;
            if (info->takesValue) {
                if (eq >= 0) {
                    value = arg.mid(eq + 1);
                } else if (i + 1 < args.size()) {
                    value = args.at(++i);
                } else {
                    *error = QStringLiteral("Die Option %1 braucht einen Wert.").arg(name);
                    return std::nullopt;
                }
            } else if (eq >= 0) {
                *error = QStringLiteral("Die Option %1 nimmt keinen Wert.").arg(name);
                return std::nullopt;
            }
            options.append({name, value});
            continue;
        }
        // The member of fremd and profil, the words of suche, stand after
        // the command.
        const bool takesName = a.command == Command::Fremd || a.command == Command::Profil;
        if (takesName && a.name.isNull()) {
            a.name = arg;
            continue;
        }
        if (a.command == Command::Suche && a.words.isNull()) {
            a.words = arg;
            continue;
        }
        if (a.command != Command::None) {
            *error = QStringLiteral("Unerwartetes Argument: %1").arg(arg);
            return std::nullopt;
        }
        for (const CommandName& n : kCommands)
            if (arg == QString::fromUtf8(n.name))
                a.command = n.command;
        if (a.command == Command::None) {
            *error = QStringLiteral("Unbekannter Befehl: %1").arg(arg);
            return std::nullopt;
        }
    }
    if (help) {
        a.command = Command::Help;
        return a;
    }
    if (version) {
        a.command = Command::Version;
        return a;
    }
    if (a.command == Command::None) {
        *error = QStringLiteral("Kein Befehl angegeben.");
        return std::nullopt;
    }
    if ((a.command == Command::Fremd || a.command == Command::Profil) &&
        a.name.trimmed().isEmpty()) {
        *error = QStringLiteral("Der Befehl %1 braucht einen Mitgliedsnamen.")
                     .arg(commandName(a.command));
        return std::nullopt;
    }
    if (a.command == Command::Suche && a.words.trimmed().isEmpty()) {
        *error = QStringLiteral("Der Befehl suche braucht etwas, wonach er suchen soll.");
        return std::nullopt;
    }
    for (const auto& [name, value] : options) {
        const OptionInfo* info = findOption(name);
        if (info->commands != 0 && (info->commands & bit(a.command)) == 0) {
            *error = QStringLiteral("Die Option %1 gilt nicht für den Befehl %2.")
                         .arg(name, commandName(a.command));
            return std::nullopt;
        }
        if (!apply(a, name, value, error))
            return std::nullopt;
    }
    if (a.alle && seen.contains(QStringLiteral("--seite"))) {
        *error = QStringLiteral("--alle und --seite schließen einander aus.");
        return std::nullopt;
    }
    if (a.command == Command::Profil && a.format == Format::Csv) {
        *error = QStringLiteral("Das Profil gibt es als tsv oder json, nicht als csv.");
        return std::nullopt;
    }
    return a;
}

QString artName(int value) {
    switch (value) {
    case 1:
        return QStringLiteral("positiv");
    case 2:
        return QStringLiteral("neutral");
    case 3:
        return QStringLiteral("negativ");
    default:
        return QString::number(value);
    }
}

QString helpText() {
    return QStringLiteral(
        "Aufruf: notenschau-cli [--ordner VERZEICHNIS] BEFEHL [OPTIONEN]\n"
        "\n"
        "Prüft und zeigt die Bewertungen des Standard-Users und analysiert andere\n"
        "Mitglieder, ohne Fenster, mit denselben Einstellungen und derselben Datenbank\n"
        "wie Notenschau.\n"
        "\n"
        "  --ordner VERZEICHNIS  Programmordner mit Bin/config.INI\n"
        "                        (Vorgabe: der Ordner des Programms)\n"
        "  --help, -h            diese Hilfe\n"
        "  --version             die Version\n"
        "\n"
        "Befehle:\n"
        "  pruefen [--ja] [--vollstaendig]\n"
        "      Sucht neue Bewertungen des Standard-Users, fragt, ob sie geladen werden\n"
        "      sollen, lädt sie und schreibt sie in die Datenbank. Gefragt wird nur,\n"
        "      wenn die Eingabe ein Terminal ist; sonst wird ohne --ja nichts geladen.\n"
        "      --ja                ohne Rückfrage laden (für Zeitpläne und Skripte)\n"
        "      --vollstaendig      statt neue Bewertungen zu laden, jede Seite der Liste\n"
        "                          beim Marktplatz lesen: Bewertungen, die er nicht mehr\n"
        "                          führt, werden als zurückgezogen markiert (nie gelöscht)\n"
        "                          und nicht mehr mitgezählt; gemeldet wird, wie viele\n"
        "                          sich geändert haben.\n"
        "      Zurückgezogene und verborgene Bewertungen stehen mit \"(zurückgezogen)\"\n"
        "      in der Liste und zählen weder in den Anzahlen noch im Prozentwert.\n"
        "\n"
        "  liste [--fremd NAME] [--art positiv|neutral|negativ] [--seite N | --alle]\n"
        "        [--format tsv|csv|json]\n"
        "      Gibt eine Seite (200 Bewertungen) der gespeicherten Bewertungen aus,\n"
        "      die neuesten zuerst; mit --alle jede gespeicherte Bewertung.\n"
        "      --fremd NAME        die zwischengespeicherten Bewertungen eines anderen\n"
        "                          Mitglieds statt der eigenen\n"
        "      --art ART           nur Bewertungen dieser Art\n"
        "      --seite N           Seite N (Vorgabe: 1)\n"
        "      --format FORMAT     tsv (Vorgabe), csv oder json\n"
        "\n"
        "      Spalten: Nr, Art, Kommentar, K/V, Datum, Mitglied, Artikel; die erste\n"
        "      Zeile ist die Kopfzeile. tsv: Felder durch Tabulatoren getrennt;\n"
        "      Tabulator, Zeilenvorschub, Wagenrücklauf und Backslash im Feld als \\t,\n"
        "      \\n, \\r und \\\\.\n"
        "      csv: Felder durch Kommas getrennt; ein Feld mit Komma, Anführungszeichen\n"
        "      oder Zeilenumbruch steht in Anführungszeichen, darin \"\" für \"; ein\n"
        "      Wagenrücklauf im Feld wird zum Zeilenvorschub. Ein Feld, das mit =, +, -\n"
        "      oder @ beginnt, bekommt ein ' vorangestellt, damit eine\n"
        "      Tabellenkalkulation es nicht als Formel ausführt.\n"
        "      Andere Steuerzeichen (etwa Escape, Glocke, Entf) stehen bei tsv und csv\n"
        "      als � (U+FFFD), bei json als \\u-Folge; ein ungültiges Zeichen (ein\n"
        "      einzelnes UTF-16-Surrogat) wird in jedem Format zu �.\n"
        "      Bei tsv und csv stehen nur die Bewertungen in der Standardausgabe; die\n"
        "      Anzeigezeile (\"Anzeige: 1 - 200 von 450\") und die Zusammenfassung\n"
        "      (Anzahl je Art und die Zeile \"Positive Bewertungen : … %\") stehen in\n"
        "      der Fehlerausgabe. json: ein Objekt mit \"seite\", \"seiten\", \"von\",\n"
        "      \"zurueckgezogen\", \"bewertungen\" und \"zusammenfassung\"; \"von\" zählt\n"
        "      die zurückgezogenen nicht mit. Bei einem anderen Mitglied steht\n"
        "      statt der Prozentzeile \"Fremd-User Analyse\".\n"
        "\n"
        "  suche TEXT [--fremd NAME] [--art ART] [--format tsv|csv|json]\n"
        "      Gibt die gespeicherten Bewertungen aus, deren Kommentar, Mitglied oder\n"
        "      Artikelnummer jedes Wort von TEXT enthält (ganze Wörter, ohne Rücksicht\n"
        "      auf Groß- und Kleinschreibung), die neuesten zuerst; Spalten wie bei liste.\n"
        "\n"
        "  verlauf [--fremd NAME] [--format tsv|csv|json]\n"
        "      Gibt für jeden Monat die Anzahl der positiven, neutralen und negativen\n"
        "      Bewertungen aus und den Anteil der positiven unter den positiven und\n"
        "      negativen der letzten 12 Monate, in Prozent.\n"
        "\n"
        "  fremd NAME [--art positiv,neutral,negativ] [--anzahl N|alle]\n"
        "      Lädt von den neuesten N Bewertungen des Mitglieds NAME die der gewählten\n"
        "      Arten und speichert sie als seine zwischengespeicherten Bewertungen; eine\n"
        "      frühere Suche für NAME wird dabei ersetzt. Ansehen mit liste --fremd NAME.\n"
        "      --art ARTEN         Vorgabe: negativ; mehrere mit Kommas getrennt\n"
        "      --anzahl N          wie viele der neuesten Bewertungen (Vorgabe: 100),\n"
        "                          alle: jede Bewertung des Mitglieds\n"
        "\n"
        "  profil NAME [--format tsv|json]\n"
        "      Holt das Bewertungsprofil des Mitglieds NAME (Anzahl je Art im letzten\n"
        "      Monat, in 6 und in 12 Monaten, Bewertungsprofil, positive Bewertungen,\n"
        "      Gesamtzahl), speichert es als seine Übersicht und gibt es aus.\n"
        "\n"
        "Rückgabewerte:\n"
        "  0    erledigt: gespeichert, nichts Neues, nichts passte zur Suche oder\n"
        "       Liste ausgegeben\n"
        "  1    Fehler: Einstellungen (auch ein fehlender Mitgliedsname, fehlende\n"
        "       ClientId oder ClientSecret, eine abgelehnte ApiUrl oder ein unbrauchbares\n"
        "       Zeitlimit), Datenbank, Speichern; die Meldung oder das Fehlerprotokoll\n"
        "       steht in der Fehlerausgabe\n"
        "  2    fehlerhafter Aufruf (Befehl, Option, Wert, Seite gibt es nicht, keine\n"
        "       Art, eine Anzahl unter 1)\n"
        "  3    keine Verbindung zum Marktplatz, nichts geladen\n"
        "  4    der Mitgliedsname wurde nicht gefunden\n"
        "  5    neue Bewertungen vorhanden, aber nicht geladen (verneint oder kein\n"
        "       Terminal ohne --ja)\n"
        "  6    unvollständig: die Verbindung brach beim Laden ab; was ankam, ist\n"
        "       gespeichert, der Rest kommt mit der nächsten Prüfung\n"
        "  130  mit Strg+C abgebrochen; die Fehlerausgabe sagt, was gespeichert ist\n");
}

} // namespace cli
