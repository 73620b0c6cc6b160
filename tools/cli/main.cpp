// notenschau-cli [--ordner DIR] COMMAND [OPTIONS]
//   The update run of the own ratings, the stored list and the analysis of
//   other members, without a window; the same configuration and database as
//   the program. See helpText().
#include "anmeldung.h"
#include "antworten.h"
#include "arguments.h"
#include "bewerten.h"
#include "command.h"
#include "console.h"
#include "fremd.h"
#include "liste.h"
#include "pruefen.h"
#include "status.h"
#include "verlauf.h"
#include "version.h"

#include <memory>
#include <QCoreApplication>

namespace {

std::unique_ptr<cli::BaseCommand> commandOf(const cli::Arguments& args) {
    switch (args.command) {
    case cli::Command::Help:
        return std::make_unique<cli::TextCommand>(cli::helpText());
    case cli::Command::Version:
        return std::make_unique<cli::TextCommand>(
            QStringLiteral("notenschau-cli " NOTENSCHAU_VERSION_TEXT "\n"));
    case cli::Command::Pruefen:
        return std::make_unique<cli::PruefenCommand>(args);
    case cli::Command::Fremd:
        return std::make_unique<cli::FremdCommand>(args);
    case cli::Command::Profil:
        return std::make_unique<cli::ProfilCommand>(args);
    case cli::Command::Suche:
        return std::make_unique<cli::SucheCommand>(args);
    case cli::Command::Verlauf:
        return std::make_unique<cli::VerlaufCommand>(args);
    case cli::Command::Anmeldung:
        return std::make_unique<cli::AnmeldungCommand>(args);
    case cli::Command::Abmelden:
        return std::make_unique<cli::AbmeldenCommand>(args);
    case cli::Command::Antworten:
        return std::make_unique<cli::AntwortenCommand>(args);
    case cli::Command::Offen:
        return std::make_unique<cli::OffenCommand>(args);
    case cli::Command::Bewerten:
        return std::make_unique<cli::BewertenCommand>(args);
    case cli::Command::Status:
        return std::make_unique<cli::StatusCommand>(args);
    default:
        return std::make_unique<cli::ListeCommand>(args);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("notenschau-cli"));

    const cli::ParsedArguments parsed = cli::parseArguments(QCoreApplication::arguments().mid(1));
    if (!parsed.error.isEmpty()) {
        cli::err(QStringLiteral("notenschau-cli: ") + parsed.error +
                 QStringLiteral("\nHilfe: notenschau-cli --help\n"));
        return cli::kAufruf;
    }
    const int code = commandOf(parsed.arguments)->run();
    if (parsed.arguments.command == cli::Command::Pruefen)
        cli::recordCheck(code);
    return code;
}
