// notenschau-launcher: the other end of Notenschau's launcher link.
//
//   notenschau-launcher                 serves the link until Ctrl+C
//   notenschau-launcher --senden WERT   pushes WERT to the linked Notenschau
#include "app/launcherLink.h"
#include "launcherServer.h"

#include <csignal>
#include <cstdio>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "Aufruf: notenschau-launcher [--senden WERT]\n"
    "\n"
    "Starter für Notenschau: bedient die Verbindung, schreibt jeden Befehl als eine\n"
    "Zeile auf die Standardausgabe und öffnet angeforderte Seiten im\n"
    "Standardbrowser, bis Strg+C ihn beendet.\n"
    "\n"
    "  --senden WERT  schickt WERT an das verbundene Notenschau: \"Open\" prüft auf\n"
    "                 neue Bewertungen, ein Mitgliedsname öffnet dessen Auswertung\n"
    "  --help, -h     diese Hilfe\n"
    "\n"
    "Rückgabewerte:\n"
    "  0  mit Strg+C beendet, oder der Wert ist übergeben\n"
    "  1  kein Starter erreichbar, er antwortet nicht, oder die Verbindung lässt\n"
    "     sich nicht anbieten\n"
    "  2  falscher Aufruf\n";

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    if (::write(signalPipe[1], &c, 1) < 0) {
    }
}

int fail(const QString& message, int code) {
    std::fprintf(stderr, "notenschau-launcher: %s\n", qUtf8Printable(message));
    return code;
}

// Asks the running launcher to set its item; it answers when it has.
int sendValue(const QString& value) {
    const QString path = launcher::socketPath();
    QLocalSocket socket;
    if (launcher::ownedByCurrentUser(path))
        socket.connectToServer(path);
    if (!socket.waitForConnected(5000) || !launcher::peerIsCurrentUser(socket.socketDescriptor()))
        return fail(QStringLiteral("Kein Starter erreichbar (%1).").arg(path), 1);
    socket.write(
        launcher::encode({QStringLiteral("POKE"), {QLatin1String(launcher::kItem), value}}));
    socket.flush();
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(5000))
            return fail(QStringLiteral("Der Starter antwortet nicht."), 1);
    return 0;
}

int serve(QCoreApplication& app) {
    LauncherServer server;
    QString error;
    if (!server.listen(&error))
        return fail(error, 1);
    if (::pipe(signalPipe) != 0)
        return fail(QStringLiteral("pipe: %1").arg(qt_error_string()), 1);
    QSocketNotifier stop(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::fprintf(stderr, "notenschau-launcher: bereit (%s)\n",
                 qUtf8Printable(launcher::socketPath()));
    return app.exec();
}

// The parser gives unknown options without their dashes.
QString dashed(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("notenschau-launcher"));
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption senden("senden", QString(), QStringLiteral("WERT"));
    parser.addOptions({help, senden});
    QString wrong;
    if (!parser.parse(QCoreApplication::arguments()))
        wrong = parser.unknownOptionNames().isEmpty()
                    ? QStringLiteral("--senden braucht einen Wert")
                    : QStringLiteral("unbekannte Option: %1")
                          .arg(dashed(parser.unknownOptionNames()[0]));
    else if (!parser.positionalArguments().isEmpty())
        wrong = QStringLiteral("unbekanntes Argument: %1").arg(parser.positionalArguments()[0]);
    if (!wrong.isEmpty()) {
        fail(wrong, 2);
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return parser.isSet(senden) ? sendValue(parser.value(senden)) : serve(app);
}
