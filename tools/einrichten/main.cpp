// notenschau-einrichten: a user's own Notenschau folder. See kUsage.
#include "app/applicationKeys.h"
#include "app/desktopOpen.h"
#include "app/profileFile.h"
#include "base/deployment.h"
#include "base/programFolder.h"
#include "base/qtTranslations.h"
#include "keyCheck.h"
#include "scheduleSetup.h"
#include "setup.h"
#include "setupWindow.h"
#include "signInSetup.h"
#include "version.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "Aufruf: notenschau-einrichten [OPTIONEN]\n"
    "\n"
    "Richtet Notenschau für Sie ein: einen eigenen Programmordner mit einer neuen\n"
    "Datenbank und den Einstellungen (Bin/config.INI, nur für Sie lesbar). Die\n"
    "Zugangsdaten werden vorher beim Marktplatz geprüft; sind sie falsch oder ist\n"
    "das Mitglied unbekannt, wird nichts geschrieben.\n"
    "\n"
    "Was die Optionen nicht angeben, wird im Terminal erfragt; ohne Terminal (aus\n"
    "dem Startmenü) öffnet sich ein Fenster.\n"
    "\n"
    "  --anmelden             bei eBay anmelden: die Adresse der Zustimmungsseite\n"
    "                         wird ausgegeben und im Browser geöffnet; danach die\n"
    "                         Adresse der Seite, auf der Sie landen, oder den Code\n"
    "                         einfügen. Das Mitglied ist, wer sich anmeldet.\n"
    "  --anwendung DATEI      die Schlüssel der Anwendung\n"
    "                         (/etc/notenschau/anwendung.ini)\n"
    "  --anmelde-url URL      Adresse der Anmeldung (passend zu --api-url)\n"
    "  --mitglied NAME        Ihr Mitgliedsname auf dem Marktplatz\n"
    "  --client-id ID         ClientId Ihrer Anwendung\n"
    "  --client-secret GEHEIM ClientSecret Ihrer Anwendung; \"-\" liest es als eine\n"
    "                         Zeile von der Standardeingabe\n"
    "  --refresh-token TOKEN  wahlweise: Ihr RefreshToken\n"
    "  --api-url URL          Adresse der Schnittstelle (https://api.ebay.com)\n"
    "  --plattform DOMAIN     Länderdomain des Marktplatzes (ebay.de)\n"
    "  --ordner ORDNER        Ihr Programmordner\n"
    "                         (~/.local/share/notenschau/programm)\n"
    "  --ueberschreiben       vorhandene Einstellungen ersetzen; die Datenbank\n"
    "                         bleibt erhalten\n"
    "  --fenster              das Einrichtungsfenster auch im Terminal öffnen\n"
    "  --zeitplan PLAN        stuendlich, taeglich oder aus: prüft den Ordner nach\n"
    "                         diesem Plan (systemd-Timer notenschau-pruefen.timer);\n"
    "                         mit einem schon eingerichteten Ordner allein genannt,\n"
    "                         wird nur der Zeitplan umgestellt\n"
    "  --starten              Notenschau aus Ihrem Programmordner starten; vorher\n"
    "                         einrichten, falls nötig, und die Programmdateien\n"
    "                         erneuern, wenn eine andere Version installiert ist\n"
    "  --version, --help\n"
    "\n"
    "Rückgabewerte:\n"
    "  0  eingerichtet\n"
    "  1  ein Ordner, eine Datei oder die Datenbank ließ sich nicht schreiben oder\n"
    "     öffnen\n"
    "  2  falscher Aufruf, fehlende oder unbrauchbare Angaben\n"
    "  3  keine Verbindung zum Marktplatz\n"
    "  4  das Mitglied ist dem Marktplatz unbekannt\n"
    "  5  der Marktplatz hat die Zugangsdaten abgelehnt\n"
    "  6  schon eingerichtet (ohne --ueberschreiben)\n"
    "  7  abgebrochen\n"
    "  8  die Anmeldung wurde abgelehnt, oder der Code ist nicht (mehr) gültig\n"
    "  9  kein systemd für Ihren Benutzer: der Zeitplan ist nicht eingerichtet (die\n"
    "     Meldung nennt eine Zeile für crontab)\n"
    "Mit --starten endet das Programm mit dem Rückgabewert von Notenschau.\n";

void print(std::FILE* f, const QString& text) {
    std::fprintf(f, "%s\n", qUtf8Printable(text));
    std::fflush(f);
}

int finish(const setup::Outcome& outcome) {
    print(outcome.ok() ? stdout : stderr, outcome.message);
    return int(outcome.status);
}

// Echo stays off while a secret is typed; Ctrl+C must not leave it off.
termios savedTerminal{};
volatile std::sig_atomic_t echoOff = 0;

void restoreEcho(int) {
    if (echoOff)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    ::_exit(130);
}

std::optional<QString> readLine() {
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    return QString::fromLocal8Bit(line).trimmed();
}

std::optional<QString> ask(const QString& prompt, bool hidden) {
    std::fputs(qUtf8Printable(prompt), stdout);
    std::fflush(stdout);
    if (hidden && ::tcgetattr(STDIN_FILENO, &savedTerminal) == 0) {
        termios quiet = savedTerminal;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        echoOff = 1;
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::optional<QString> answer = readLine();
    if (echoOff) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        echoOff = 0;
        std::fputs("\n", stdout);
    }
    return answer;
}

// Asks on the terminal for what the options left out. False: input ended.
bool askMissing(setup::Values& v, bool refreshTokenGiven) {
    std::signal(SIGINT, restoreEcho);
    print(stdout, QStringLiteral("Notenschau einrichten: Ihr Mitgliedsname und die Zugangsdaten "
                                 "Ihrer Anwendung für die Schnittstelle des Marktplatzes."));
    const struct {
        QString* value;
        const char* prompt;
        bool hidden;
    } questions[] = {
        {&v.member, "Mitgliedsname: ", false},
        {&v.clientId, "ClientId: ", false},
        {&v.clientSecret, "ClientSecret (wird nicht angezeigt): ", true},
    };
    for (const auto& q : questions) {
        while (q.value->trimmed().isEmpty()) {
            const auto answer = ask(QString::fromUtf8(q.prompt), q.hidden);
            if (!answer)
                return false;
            *q.value = *answer;
        }
    }
    if (!refreshTokenGiven) {
        const auto answer = ask(QStringLiteral("RefreshToken (wahlweise, leer lassen zum "
                                               "Überspringen; wird nicht angezeigt): "),
                                true);
        if (!answer)
            return false;
        v.refreshToken = *answer;
    }
    return true;
}

bool displayAvailable() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

struct Call {
    setup::Values values;
    bool signIn = false;
    QString anmeldeUrl;
    bool refreshTokenGiven = false;
    bool start = false;
    bool window = false;
    bool help = false;
    bool version = false;
    std::optional<app::Zeitplan> zeitplan;
};

std::optional<Call> parse(const QStringList& arguments, QString* error) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption member(QStringLiteral("mitglied"), {}, QStringLiteral("NAME"));
    const QCommandLineOption clientId(QStringLiteral("client-id"), {}, QStringLiteral("ID"));
    const QCommandLineOption secret(QStringLiteral("client-secret"), {}, QStringLiteral("S"));
    const QCommandLineOption refresh(QStringLiteral("refresh-token"), {}, QStringLiteral("T"));
    const QCommandLineOption apiUrl(QStringLiteral("api-url"), {}, QStringLiteral("URL"));
    const QCommandLineOption plattform(QStringLiteral("plattform"), {}, QStringLiteral("D"));
    const QCommandLineOption folder(QStringLiteral("ordner"), {}, QStringLiteral("ORDNER"));
    const QCommandLineOption overwrite(QStringLiteral("ueberschreiben"));
    const QCommandLineOption start(QStringLiteral("starten"));
    const QCommandLineOption window(QStringLiteral("fenster"));
    const QCommandLineOption help(QStringList{QStringLiteral("help"), QStringLiteral("h")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption signIn(QStringLiteral("anmelden"));
    const QCommandLineOption keys(QStringLiteral("anwendung"), {}, QStringLiteral("DATEI"));
    const QCommandLineOption anmeldeUrl(QStringLiteral("anmelde-url"), {}, QStringLiteral("URL"));
    const QCommandLineOption zeitplan(QStringLiteral("zeitplan"), {}, QStringLiteral("PLAN"));
    parser.addOptions({member, clientId, secret, refresh, apiUrl, plattform, folder, overwrite,
                       start, window, help, version, signIn, keys, anmeldeUrl, zeitplan});
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("Unbekanntes Argument: %1").arg(parser.positionalArguments()[0]);
        return std::nullopt;
    }
    Call call;
    if (parser.isSet(zeitplan)) {
        call.zeitplan = app::zeitplanOf(parser.value(zeitplan));
        if (!call.zeitplan) {
            *error = QStringLiteral("Unbekannter Zeitplan „%1“: erlaubt sind stuendlich, "
                                    "taeglich und aus.")
                         .arg(parser.value(zeitplan));
            return std::nullopt;
        }
    }
    setup::Values& v = call.values;
    v.member = parser.value(member);
    v.clientId = parser.value(clientId);
    v.clientSecret = parser.value(secret);
    v.refreshToken = parser.value(refresh);
    v.apiUrl = parser.value(apiUrl);
    v.plattform = parser.value(plattform);
    v.folder = parser.value(folder);
    v.overwrite = parser.isSet(overwrite);
    v.zeitplan = call.zeitplan;
    call.refreshTokenGiven = parser.isSet(refresh);
    call.start = parser.isSet(start);
    call.window = parser.isSet(window);
    call.help = parser.isSet(help);
    call.version = parser.isSet(version);
    call.signIn = parser.isSet(signIn);
    call.anmeldeUrl = parser.value(anmeldeUrl).trimmed();
    if (parser.isSet(keys)) {
        v.anwendung = QFileInfo(parser.value(keys)).absoluteFilePath();
        app::useApplicationKeysFile(v.anwendung);
    }
    v.installed = app::readApplicationKeys(app::ProfileFile::load(app::applicationKeysPath()));
    return call;
}

// Sets up on the terminal or from the options alone.
setup::Outcome setUpHere(setup::Values v, bool refreshTokenGiven, const QString& installed) {
    if (!setup::missing(v).isEmpty() && ::isatty(STDIN_FILENO) == 1 &&
        !askMissing(v, refreshTokenGiven))
        return {setup::Status::Cancelled, QStringLiteral("Abgebrochen: nichts geschrieben.")};
    v = setup::normalised(v);
    if (const setup::Outcome local = setup::checkLocally(v, installed); !local.ok())
        return local;
    print(stdout, QStringLiteral("Die Zugangsdaten werden beim Marktplatz geprüft …"));
    const setup::Outcome check = setup::checkKeys(v);
    if (!check.ok())
        return check;
    return setup::write(v, installed, check.ratings);
}

// Signs in on the terminal: the consent page's address on stdout, the paste
// from stdin.
setup::Outcome signInHere(const Call& call, const QString& installed) {
    setup::SignInIo io;
    io.say = [](const QString& line) { print(stdout, line); };
    io.ask = [](const QString& prompt) { return ask(prompt, false); };
    io.openBrowser = [](const QUrl& url) { app::openOnDesktop(url.toString(QUrl::FullyEncoded)); };
    return setup::signInHere(call.values, call.anmeldeUrl, installed, io);
}

setup::Outcome setUpInWindow(const Call& call, const QString& installed) {
    setup::SetupWindow window(call.values, installed, call.anmeldeUrl);
    window.exec();
    if (window.outcome().status == setup::Status::Cancelled)
        return {setup::Status::Cancelled, QStringLiteral("Abgebrochen: nichts geschrieben.")};
    return window.outcome();
}

// Help and version need nothing set up.
std::optional<int> answeredAtOnce(const Call& call) {
    if (call.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (call.version) {
        print(stdout, QStringLiteral("notenschau-einrichten " NOTENSCHAU_VERSION_TEXT));
        return 0;
    }
    return std::nullopt;
}

// "--client-secret -" keeps the secret out of the process list.
bool secretFromStdin(setup::Values& values) {
    if (values.clientSecret != QLatin1String("-"))
        return true;
    values.clientSecret = readLine().value_or(QString());
    if (!values.clientSecret.isEmpty())
        return true;
    print(stderr, QStringLiteral("Auf der Standardeingabe kam kein ClientSecret."));
    return false;
}

// The user's copy takes this process over; returns only when it could not.
int startUserCopy(const QString& folder, bool gui, int argc, char** argv) {
    const QByteArray program = QFile::encodeName(folder + QStringLiteral("/notenschau"));
    char* const startArguments[] = {const_cast<char*>(program.constData()), nullptr};
    ::execv(program.constData(), startArguments);
    const int reason = errno;
    const setup::Outcome notStarted{
        setup::Status::Failed, QStringLiteral("%1 lässt sich nicht starten: %2")
                                   .arg(QString::fromLocal8Bit(program), qt_error_string(reason))};
    if (gui) {
        QApplication again(argc, argv);
        QMessageBox::critical(nullptr, QStringLiteral("Notenschau"), notStarted.message);
    }
    return finish(notStarted);
}

// How this call runs: whether a set-up is due, in a window, and whether
// failures are shown on the screen.
struct Mode {
    bool setUpNeeded = false;
    bool window = false;
    bool gui = false;
};

// "--zeitplan" alone on a folder that is set up changes nothing else.
bool scheduleOnly(const Call& call, const QString& folder) {
    const setup::Values& v = call.values;
    return call.zeitplan && !call.start && !call.signIn && !call.window && !v.overwrite &&
           v.member.isEmpty() && v.clientId.isEmpty() && v.clientSecret.isEmpty() &&
           v.refreshToken.isEmpty() && v.apiUrl.isEmpty() && v.plattform.isEmpty() &&
           setup::isSetUp(folder);
}

Mode modeOf(const Call& call, const QString& folder) {
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    Mode m;
    m.setUpNeeded = (!call.start || !setup::isSetUp(folder)) && !scheduleOnly(call, folder);
    m.window = m.setUpNeeded && !call.signIn &&
               (call.window || (!terminal && !setup::missing(call.values).isEmpty()));
    // Started from the menu, a failure is shown, since nobody reads stderr.
    m.gui = m.window || (call.start && !terminal && displayAvailable());
    return m;
}

// Signs in, sets up or renews the copied programs; the exit code when the
// call ends here, nullopt when the user's copy is to start.
std::optional<int> prepare(const Call& call, const Mode& mode, const QString& folder,
                           const QString& installed) {
    auto failed = [&](const setup::Outcome& outcome) {
        if (mode.gui && call.start)
            QMessageBox::critical(nullptr, QStringLiteral("Notenschau"), outcome.message);
        return finish(outcome);
    };
    if (scheduleOnly(call, folder))
        return finish(setup::scheduleFolder(*call.zeitplan, folder));
    if (call.signIn) {
        const setup::Outcome outcome = signInHere(call, installed);
        if (!outcome.ok() || !call.start)
            return finish(outcome);
    } else if (mode.setUpNeeded) {
        const setup::Outcome outcome =
            mode.window ? setUpInWindow(call, installed)
                        : setUpHere(call.values, call.refreshTokenGiven, installed);
        // The window has shown its own failures already.
        if (!outcome.ok())
            return mode.window ? finish(outcome) : failed(outcome);
        if (!call.start) {
            if (mode.window)
                QMessageBox::information(nullptr, QStringLiteral("Notenschau einrichten"),
                                         outcome.message);
            // The window has put the folder on its plan already.
            if (call.zeitplan && !mode.window) {
                finish(outcome);
                return finish(setup::scheduleFolder(*call.zeitplan, folder));
            }
            return finish(outcome);
        }
    } else if (const QString problem = setup::refreshProgramFiles(installed, folder);
               !problem.isEmpty()) {
        return failed({setup::Status::Failed, problem});
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString error;
    std::optional<Call> call = parse(arguments, &error);
    if (!call) {
        print(stderr, QStringLiteral("notenschau-einrichten: ") + error);
        std::fputs(kUsage, stderr);
        return int(setup::Status::BadCall);
    }
    if (const std::optional<int> code = answeredAtOnce(*call))
        return *code;
    setup::Values& values = call->values;
    if (!secretFromStdin(values))
        return int(setup::Status::BadCall);

    const QString folder = setup::normalised(values).folder;
    const Mode mode = modeOf(*call, folder);
    if (mode.window && !displayAvailable()) {
        print(stderr, QStringLiteral("Es fehlen Angaben (%1), und es gibt weder ein Terminal "
                                     "für Fragen noch einen Bildschirm für das "
                                     "Einrichtungsfenster.")
                          .arg(setup::missing(values).join(QStringLiteral(", "))));
        return int(setup::Status::BadCall);
    }

    std::unique_ptr<QCoreApplication> application;
    if (mode.gui) {
        application = std::make_unique<QApplication>(argc, argv);
        QGuiApplication::setDesktopFileName(QString::fromLatin1(deployment::kDesktopId));
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("notenschau-einrichten"));
    if (mode.gui)
        base::installQtTranslations(*application);
    const QString installed = base::programFolder();
    if (const std::optional<int> code = prepare(*call, mode, folder, installed))
        return *code;
    application.reset();
    return startUserCopy(folder, mode.gui, argc, argv);
}
