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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("notenschau-launcher"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Starter für Notenschau: bedient die Verbindung, schreibt jeden Befehl als eine Zeile "
        "auf die Standardausgabe und öffnet angeforderte Seiten im Standardbrowser."));
    parser.addHelpOption();
    const QCommandLineOption senden(
        "senden",
        QStringLiteral("Schickt WERT an das verbundene Notenschau: \"Open\" prüft auf neue "
                       "Bewertungen, ein Mitgliedsname öffnet dessen Auswertung."),
        QStringLiteral("WERT"));
    parser.addOption(senden);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unbekanntes Argument: %1").arg(parser.positionalArguments()[0]),
                    2);
    return parser.isSet(senden) ? sendValue(parser.value(senden)) : serve(app);
}
