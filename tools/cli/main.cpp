// notenschau-cli [--ordner DIR] COMMAND [OPTIONS]
//   The update run of the own ratings, the stored list and the analysis of
//   other members, without a window; the same configuration and database as
//   the program. See helpText().
#include "app/modini.h"
#include "arguments.h"
#include "base/programFolder.h"
#include "console.h"
#include "fremd.h"
#include "liste.h"
#include "pruefen.h"
#include "store/connection.h"
#include "store/modData.h"
#include "verlauf.h"
#include "version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("notenschau-cli"));

    const cli::ParsedArguments parsed = cli::parseArguments(QCoreApplication::arguments().mid(1));
    if (!parsed.error.isEmpty()) {
        cli::err(QStringLiteral("notenschau-cli: ") + parsed.error +
                 QStringLiteral("\nHilfe: notenschau-cli --help\n"));
        return cli::kAufruf;
    }
    const cli::Arguments* args = &parsed.arguments;
    switch (args->command) {
    case cli::Command::Help:
        cli::out(cli::helpText());
        return cli::kOk;
    case cli::Command::Version:
        cli::out(QStringLiteral("notenschau-cli " NOTENSCHAU_VERSION_TEXT "\n"));
        return cli::kOk;
    default:
        break;
    }

    if (!args->ordner.isEmpty()) {
        if (!QFileInfo(args->ordner).isDir()) {
            cli::err(QStringLiteral("notenschau-cli: Das Verzeichnis %1 gibt es nicht.\n")
                         .arg(QDir::toNativeSeparators(args->ordner)));
            return cli::kAufruf;
        }
        base::setProgramFolder(args->ordner);
    }
    // Without its configuration the program could only say that the database
    // is not reachable; the missing file is the clearer message.
    if (!QFileInfo(modini::configPath()).isFile()) {
        cli::err(QStringLiteral("notenschau-cli: Die Einstellungsdatei %1 wurde nicht gefunden.\n")
                     .arg(QDir::toNativeSeparators(modini::configPath())));
        return cli::kFehler;
    }

    cli::ConsoleChooser chooser;
    // The program's message says only that the database is not reachable.
    modData::setOpenFailureReport([](const store::OpenFailure& failure) {
        cli::err(QStringLiteral("notenschau-cli: ") + failure.text() + QLatin1Char('\n'));
    });
    if (args->command == cli::Command::Pruefen) {
        cli::ConsolePresenter presenter(args->ja, cli::stdinIsTerminal());
        return cli::pruefen(*args, presenter, chooser);
    }
    cli::ConsolePresenter presenter(false, false);
    switch (args->command) {
    case cli::Command::Fremd:
        return cli::fremd(*args, chooser);
    case cli::Command::Profil:
        return cli::profil(*args, chooser);
    case cli::Command::Suche:
        return cli::suche(*args);
    case cli::Command::Verlauf:
        return cli::verlauf(*args);
    default:
        return cli::liste(*args, chooser);
    }
}
