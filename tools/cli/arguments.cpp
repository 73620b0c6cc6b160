#include "arguments.h"

#include "base/kindWord.h"
#include "optionValues.h"

#include <optional>
#include <QSet>

namespace cli {
namespace {

constexpr unsigned bit(Command c) {
    return 1u << unsigned(c);
}

struct Option {
    const char* name;
    const char* value; // what it takes, as the help names it; nullptr: nothing
    unsigned commands; // 0: valid with every command
    // Its lines in the help, under the first command it is valid for;
    // nullptr: the command's own text tells of it.
    const char* help;
    Setter set;
};

// --art takes one kind where ratings are listed and several for fremd: two
// rows of one name.
constexpr Option kOptions[] = {
    {"--ordner", "VERZEICHNIS", 0,
     "Programmordner mit Bin/config.INI\n(Vorgabe: der Ordner des Programms)", setOrdner},
    {"--anwendung", "DATEI", 0,
     "die Schlüssel der Anwendung beim Marktplatz\n(Vorgabe: /etc/notenschau/anwendung.ini)",
     setAnwendung},
    {"--ja", nullptr, bit(Command::Pruefen), "ohne Rückfrage laden (für Zeitpläne und Skripte)",
     [](Arguments& a, const QString&) {
         a.ja = true;
         return QString();
     }},
    {"--vollstaendig", nullptr, bit(Command::Pruefen),
     "statt neue Bewertungen zu laden, jede Seite der Liste\n"
     "beim Marktplatz lesen: Bewertungen, die er nicht mehr\n"
     "führt, werden als zurückgezogen markiert (nie gelöscht)\n"
     "und nicht mehr mitgezählt; gemeldet wird, wie viele\n"
     "sich geändert haben.",
     [](Arguments& a, const QString&) {
         a.vollstaendig = true;
         return QString();
     }},
    {"--warten", nullptr, bit(Command::Pruefen),
     "warten, bis eine laufende Prüfung (im Fenster oder\n"
     "in einem anderen Aufruf) endet, statt mit 8 zu enden",
     [](Arguments& a, const QString&) {
         a.warten = true;
         return QString();
     }},
    {"--melden", nullptr, bit(Command::Pruefen),
     "nach dem Speichern neuer Bewertungen eine Desktop-\n"
     "Benachrichtigung ([Main] Melden=); \"Anzeigen\" darin\n"
     "startet Notenschau. Gewartet wird darauf höchstens\n"
     "5 Minuten.",
     [](Arguments& a, const QString&) {
         a.melden = true;
         return QString();
     }},
    {"--fremd", "NAME", bit(Command::Liste) | bit(Command::Suche) | bit(Command::Verlauf),
     "die zwischengespeicherten Bewertungen eines anderen\nMitglieds statt der eigenen", setFremd},
    {"--art", "ART", bit(Command::Liste) | bit(Command::Suche), "nur Bewertungen dieser Art",
     setArt},
    {"--seite", "N", bit(Command::Liste), "Seite N (Vorgabe: 1)", setSeite},
    {"--format", "FORMAT",
     bit(Command::Liste) | bit(Command::Profil) | bit(Command::Suche) | bit(Command::Verlauf) |
         bit(Command::Offen),
     "tsv (Vorgabe), csv oder json", setFormat},
    {"--alle", nullptr, bit(Command::Liste) | bit(Command::Bewerten), nullptr,
     [](Arguments& a, const QString&) {
         a.alle = true;
         return QString();
     }},
    {"--art", "ARTEN", bit(Command::Fremd), "Vorgabe: negativ; mehrere mit Kommas getrennt",
     setArten},
    {"--anzahl", "N", bit(Command::Fremd),
     "wie viele der neuesten Bewertungen (Vorgabe: 100),\nalle: jede Bewertung des Mitglieds",
     setAnzahl},
    {"--text", "TEXT", bit(Command::Bewerten),
     "dieser Kommentar für jeden Käufer statt der Vorlagen", setText},
    {"--vorlage", "N", bit(Command::Bewerten),
     "Vorlage N aus [Bewertungsvorlagen] für jeden Käufer\n(Vorgabe: die Vorlagen der Reihe nach)",
     setVorlage},
};

struct CommandInfo {
    const char* name;
    Command command;
    // Its call and what it does, above its options in the help, and what
    // follows them; no usage: another spelling of a command.
    const char* usage;
    const char* notes;
};

// In the order of the help.
constexpr CommandInfo kCommands[] = {
    {"pruefen", Command::Pruefen,
     "  pruefen [--ja] [--vollstaendig] [--warten] [--melden]\n"
     "      Sucht neue Bewertungen des Standard-Users, fragt, ob sie geladen werden\n"
     "      sollen, lädt sie und schreibt sie in die Datenbank. Gefragt wird nur,\n"
     "      wenn die Eingabe ein Terminal ist; sonst wird ohne --ja nichts geladen.\n",
     "      Zurückgezogene und verborgene Bewertungen stehen mit \"(zurückgezogen)\"\n"
     "      in der Liste und zählen weder in den Anzahlen noch im Prozentwert.\n"},
    {"prüfen", Command::Pruefen, nullptr, nullptr},
    {"liste", Command::Liste,
     "  liste [--fremd NAME] [--art positiv|neutral|negativ] [--seite N | --alle]\n"
     "        [--format tsv|csv|json]\n"
     "      Gibt eine Seite (200 Bewertungen) der gespeicherten Bewertungen aus,\n"
     "      die neuesten zuerst; mit --alle jede gespeicherte Bewertung.\n",
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
     "      statt der Prozentzeile \"Fremd-User Analyse\".\n"},
    {"suche", Command::Suche,
     "  suche TEXT [--fremd NAME] [--art ART] [--format tsv|csv|json]\n"
     "      Gibt die gespeicherten Bewertungen aus, deren Kommentar, Mitglied oder\n"
     "      Artikelnummer jedes Wort von TEXT enthält (ganze Wörter, ohne Rücksicht\n"
     "      auf Groß- und Kleinschreibung), die neuesten zuerst; Spalten wie bei liste.\n",
     ""},
    {"verlauf", Command::Verlauf,
     "  verlauf [--fremd NAME] [--format tsv|csv|json]\n"
     "      Gibt für jeden Monat die Anzahl der positiven, neutralen und negativen\n"
     "      Bewertungen aus und den Anteil der positiven unter den positiven und\n"
     "      negativen der letzten 12 Monate, in Prozent.\n",
     ""},
    {"fremd", Command::Fremd,
     "  fremd NAME [--art positiv,neutral,negativ] [--anzahl N|alle]\n"
     "      Lädt von den neuesten N Bewertungen des Mitglieds NAME die der gewählten\n"
     "      Arten und speichert sie als seine zwischengespeicherten Bewertungen; eine\n"
     "      frühere Suche für NAME wird dabei ersetzt. Ansehen mit liste --fremd NAME.\n",
     ""},
    {"profil", Command::Profil,
     "  profil NAME [--format tsv|json]\n"
     "      Holt das Bewertungsprofil des Mitglieds NAME (Anzahl je Art im letzten\n"
     "      Monat, in 6 und in 12 Monaten, Bewertungsprofil, positive Bewertungen,\n"
     "      Gesamtzahl), speichert es als seine Übersicht und gibt es aus.\n",
     ""},
    {"anmeldung", Command::Anmeldung,
     "  anmeldung\n"
     "      Zeigt, welches Mitglied bei eBay angemeldet ist, wo das RefreshToken\n"
     "      liegt (Schlüsselbund oder Datei) und bis wann die Anmeldung gilt.\n",
     ""},
    {"status", Command::Status,
     "  status\n"
     "      Zeigt den Zeitplan der Prüfungen (notenschau-einrichten --zeitplan) und\n"
     "      die letzte Prüfung von notenschau-cli mit ihrem Rückgabewert.\n",
     ""},
    {"offen", Command::Offen,
     "  offen [--format tsv|csv|json]\n"
     "      Gibt die Verkäufe aus, deren Käufer Sie noch nicht bewertet haben.\n",
     "      Spalten: Titel, Artikel, Preis, Bestellposition; die erste Zeile ist\n"
     "      die Kopfzeile. Braucht die Anmeldung bei eBay.\n"},
    {"bewerten", Command::Bewerten,
     "  bewerten (--alle | ARTIKEL...) [--text TEXT | --vorlage N]\n"
     "      Bewertet die Käufer der offenen Verkäufe positiv (ein Verkäufer kann\n"
     "      Käufer nur positiv bewerten): mit --alle jeden, sonst die mit den\n"
     "      Artikelnummern ARTIKEL aus offen. Eine Zeile je Artikel, dann die\n"
     "      Zusammenfassung.\n",
     "      Jede Bewertung wird vor und nach dem Senden in der Datenbank vermerkt:\n"
     "      Kein Käufer wird zweimal bewertet, auch nicht nach einem Abbruch; ein\n"
     "      neuer Aufruf bewertet genau die übrigen. [#Titel#] und [#Artikel#] im\n"
     "      Text werden ersetzt; ein Kommentar ist höchstens 500 Zeichen lang.\n"},
    {"abmelden", Command::Abmelden,
     "  abmelden\n"
     "      Vergisst die Anmeldung bei eBay; die gespeicherten Bewertungen bleiben.\n",
     ""},
    {"antworten", Command::Antworten,
     "  antworten BEWERTUNGS-ID TEXT\n"
     "      Sendet TEXT als Ihre Antwort auf die erhaltene Bewertung mit dieser ID\n"
     "      (Spalte ID von liste) und speichert sie; mit - statt TEXT wird der Text\n"
     "      von der Standardeingabe gelesen. Höchstens 500 Zeichen; eine Bewertung\n"
     "      bekommt nur eine Antwort. Lehnt eBay ab (schon beantwortet, automatisch\n"
     "      erstellt, Text nicht erlaubt), sagt die Fehlerausgabe warum; eine schon\n"
     "      vorhandene Antwort wird dabei geladen und gespeichert.\n",
     ""},
};

const Option* findOption(const QString& name) {
    for (const Option& o : kOptions)
        if (name == QLatin1String(o.name))
            return &o;
    return nullptr;
}

// The row of the name that is valid for the command.
const Option* findOption(const QString& name, Command command) {
    for (const Option& o : kOptions)
        if (name == QLatin1String(o.name) && (o.commands == 0 || (o.commands & bit(command)) != 0))
            return &o;
    return nullptr;
}

QString commandName(Command c) {
    for (const CommandInfo& n : kCommands)
        if (n.command == c)
            return QString::fromUtf8(n.name);
    return {};
}

// What the arguments hold before the options are checked against the
// command, which may stand after them.
struct Scan {
    Arguments arguments;
    QList<QPair<QString, QString>> options; // name and value, in order
    QSet<QString> seen;
    bool help = false;
    bool version = false;
};

// An option and its value, after "=" or as the next argument, which i then
// moves to. The message of a mistake, or nothing.
QString scanOption(Scan& s, const QStringList& args, qsizetype& i) {
    const QString& arg = args.at(i);
    const qsizetype eq = arg.indexOf(QLatin1Char('='));
    const QString name = eq < 0 ? arg : arg.left(eq);
    const Option* option = findOption(name);
    if (!option)
        return QStringLiteral("Unbekannte Option: %1").arg(name);
    if (s.seen.contains(name))
        return QStringLiteral("Die Option %1 ist mehrfach angegeben.").arg(name);
    s.seen.insert(name);
    QString value;
    if (!option->value) {
        if (eq >= 0)
            return QStringLiteral("Die Option %1 nimmt keinen Wert.").arg(name);
    } else if (eq >= 0) {
        value = arg.mid(eq + 1);
    } else if (i + 1 < args.size()) {
        value = args.at(++i);
    } else {
        return QStringLiteral("Die Option %1 braucht einen Wert.").arg(name);
    }
    s.options.append({name, value});
    return {};
}

// The command, or what stands after it: the member of fremd and profil, the
// words of suche.
QString scanWord(Arguments& a, const QString& arg) {
    const bool takesName = a.command == Command::Fremd || a.command == Command::Profil;
    if (takesName && a.name.isNull()) {
        a.name = arg;
        return {};
    }
    if (a.command == Command::Bewerten) {
        a.artikel << arg;
        return {};
    }
    if (a.command == Command::Antworten && (a.bewertung.isNull() || a.text.isNull())) {
        (a.bewertung.isNull() ? a.bewertung : a.text) = arg;
        return {};
    }
    if (a.command == Command::Suche && a.words.isNull()) {
        a.words = arg;
        return {};
    }
    if (a.command != Command::None)
        return QStringLiteral("Unerwartetes Argument: %1").arg(arg);
    for (const CommandInfo& n : kCommands)
        if (arg == QString::fromUtf8(n.name))
            a.command = n.command;
    if (a.command == Command::None)
        return QStringLiteral("Unbekannter Befehl: %1").arg(arg);
    return {};
}

QString checkCommand(const Arguments& a) {
    if (a.command == Command::None)
        return QStringLiteral("Kein Befehl angegeben.");
    if ((a.command == Command::Fremd || a.command == Command::Profil) && a.name.trimmed().isEmpty())
        return QStringLiteral("Der Befehl %1 braucht einen Mitgliedsnamen.")
            .arg(commandName(a.command));
    if (a.command == Command::Antworten && (a.bewertung.trimmed().isEmpty() || a.text.isNull()))
        return QStringLiteral("Der Befehl antworten braucht eine Bewertungs-ID und einen Text "
                              "(oder - für die Standardeingabe).");
    if (a.command == Command::Suche && a.words.trimmed().isEmpty())
        return QStringLiteral("Der Befehl suche braucht etwas, wonach er suchen soll.");
    return {};
}

QString applyOptions(Scan& s) {
    Arguments& a = s.arguments;
    for (const auto& [name, value] : s.options) {
        const Option* option = findOption(name, a.command);
        if (!option)
            return QStringLiteral("Die Option %1 gilt nicht für den Befehl %2.")
                .arg(name, commandName(a.command));
        if (const QString error = option->set(a, value); !error.isEmpty())
            return error;
    }
    if (a.alle && s.seen.contains(QStringLiteral("--seite")))
        return QStringLiteral("--alle und --seite schließen einander aus.");
    if (a.command == Command::Bewerten && a.alle == !a.artikel.isEmpty())
        return QStringLiteral("Der Befehl bewerten braucht entweder --alle oder Artikelnummern.");
    if (!a.text.isEmpty() && a.vorlage > 0)
        return QStringLiteral("--text und --vorlage schließen einander aus.");
    if (a.command == Command::Profil && a.format == Format::Csv)
        return QStringLiteral("Das Profil gibt es als tsv oder json, nicht als csv.");
    return {};
}

// An entry of the help: the label, then its text, whose further lines start
// in the same column.
QString helpLines(qsizetype indent, qsizetype column, const QString& label, const char* text) {
    QString lines;
    const QString start = QString(indent, QLatin1Char(' ')) + label;
    for (const QString& line : QString::fromUtf8(text).split(QLatin1Char('\n')))
        lines +=
            (lines.isEmpty() ? start.leftJustified(column) : QString(column, QLatin1Char(' '))) +
            line + QLatin1Char('\n');
    return lines;
}

QString optionHelp(const Option& o, qsizetype indent, qsizetype column) {
    const QString label = QString::fromUtf8(o.name) +
                          (o.value ? QLatin1Char(' ') + QString::fromUtf8(o.value) : QString());
    return helpLines(indent, column, label, o.help);
}

// The command whose part of the help describes the option.
Command describedUnder(const Option& o) {
    for (const CommandInfo& c : kCommands)
        if ((o.commands & bit(c.command)) != 0)
            return c.command;
    return Command::None;
}

QString commandHelp(const CommandInfo& c) {
    QString text = QString::fromUtf8(c.usage);
    for (const Option& o : kOptions)
        if (o.help && o.commands != 0 && describedUnder(o) == c.command)
            text += optionHelp(o, 6, 26);
    return text + QString::fromUtf8(c.notes) + QLatin1Char('\n');
}

QString exitCodeHelp() {
    return QStringLiteral(
        "Rückgabewerte:\n"
        "  0    erledigt: gespeichert, nichts Neues, nichts passte zur Suche oder\n"
        "       Liste ausgegeben\n"
        "  1    Fehler: Einstellungen (auch ein fehlender Mitgliedsname, fehlende\n"
        "       ClientId oder ClientSecret, eine abgelehnte ApiUrl oder ein unbrauchbares\n"
        "       Zeitlimit), Datenbank, Speichern; die Meldung oder das Fehlerprotokoll\n"
        "       steht in der Fehlerausgabe\n"
        "  2    fehlerhafter Aufruf (Befehl, Option, Wert, Seite gibt es nicht, keine\n"
        "       Art, eine Anzahl unter 1)\n"
        "  3    keine Verbindung zum Marktplatz, nichts geladen; bei offen und\n"
        "       bewerten auch: nicht bei eBay angemeldet\n"
        "  4    der Mitgliedsname wurde nicht gefunden\n"
        "  5    neue Bewertungen vorhanden, aber nicht geladen (verneint oder kein\n"
        "       Terminal ohne --ja)\n"
        "  6    unvollständig: die Verbindung brach beim Laden ab; was ankam, ist\n"
        "       gespeichert, der Rest kommt mit der nächsten Prüfung\n"
        "  7    eBay hat die Antwort oder eine Bewertung (bewerten) abgelehnt; die\n"
        "       Fehlerausgabe sagt warum, die übrigen Bewertungen sind gesendet\n"
        "  8    eine andere Prüfung desselben Programmordners läuft (pruefen ohne\n"
        "       --warten); nichts wurde geladen\n"
        "  130  mit Strg+C abgebrochen; die Fehlerausgabe sagt, was gespeichert ist\n");
}

} // namespace

ParsedArguments parseArguments(const QStringList& args) {
    Scan s;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        QString error;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h") ||
            arg == QLatin1String("hilfe"))
            s.help = true;
        else if (arg == QLatin1String("--version"))
            s.version = true;
        else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
            error = scanOption(s, args, i);
        else
            error = scanWord(s.arguments, arg);
        if (!error.isEmpty())
            return {s.arguments, error};
    }
    if (s.help || s.version) {
        s.arguments.command = s.help ? Command::Help : Command::Version;
        return {s.arguments, {}};
    }
    QString error = checkCommand(s.arguments);
    if (error.isEmpty())
        error = applyOptions(s);
    return {s.arguments, error};
}

QString artName(int value) {
    const auto kind = feedback::kindOf(value);
    if (value >= feedback::kPositive && value <= feedback::kNegative)
        return feedback::kindWord(kind);
    return QString::number(value);
}

QString helpText() {
    QString text = QStringLiteral(
        "Aufruf: notenschau-cli [--ordner VERZEICHNIS] BEFEHL [OPTIONEN]\n"
        "\n"
        "Prüft und zeigt die Bewertungen des Standard-Users und analysiert andere\n"
        "Mitglieder, ohne Fenster, mit denselben Einstellungen und derselben Datenbank\n"
        "wie Notenschau.\n"
        "\n");
    for (const Option& o : kOptions)
        if (o.commands == 0)
            text += optionHelp(o, 2, 24);
    text += helpLines(2, 24, QStringLiteral("--help, -h"), "diese Hilfe") +
            helpLines(2, 24, QStringLiteral("--version"), "die Version") +
            QStringLiteral("\nBefehle:\n");
    for (const CommandInfo& c : kCommands)
        if (c.usage)
            text += commandHelp(c);
    return text + exitCodeHelp();
}

} // namespace cli
