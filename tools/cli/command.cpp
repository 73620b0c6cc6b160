#include "command.h"

#include "app/applicationKeys.h"
#include "app/modini.h"
#include "base/programFolder.h"
#include "errors/errPtnr.h"
#include "errors/runtimeError.h"
#include "runSupport.h"
#include "store/modData.h"

#include <optional>
#include <QDir>
#include <QFileInfo>

namespace cli {

int TextCommand::run() {
    out(m_text);
    return kOk;
}

namespace {

// The folder and its configuration, before any command on them: nullopt
// when they are fine, the exit code otherwise.
std::optional<int> prepareFolder(const Arguments& args) {
    if (!args.ordner.isEmpty()) {
        if (!QFileInfo(args.ordner).isDir()) {
            err(QStringLiteral("notenschau-cli: Das Verzeichnis %1 gibt es nicht.\n")
                    .arg(QDir::toNativeSeparators(args.ordner)));
            return kAufruf;
        }
        base::setProgramFolder(args.ordner);
    }
    if (!args.anwendung.isEmpty())
        app::useApplicationKeysFile(args.anwendung);
    // Without its configuration the program could only say that the database
    // is not reachable; the missing file is the clearer message.
    if (!QFileInfo(modini::configPath()).isFile()) {
        err(QStringLiteral("notenschau-cli: Die Einstellungsdatei %1 wurde nicht gefunden.\n")
                .arg(QDir::toNativeSeparators(modini::configPath())));
        return kFehler;
    }
    return std::nullopt;
}

} // namespace

int SettingsCommand::run() {
    if (const std::optional<int> exit = prepareFolder(m_args))
        return *exit;
    ConsoleChooser chooser;
    const errors::ErrorWatch watch;
    try {
        modini::fnGetPfadeFaktorFromINI();
    } catch (const errors::RuntimeError& e) {
        errors::ErrPtnr::instance().OnError(QStringLiteral("notenschau-cli"),
                                            QStringLiteral("Einstellungen"), e, 0);
    }
    if (watch.seen())
        return kFehler;
    return runOnSettings(modini::settings());
}

int DatabaseCommand::run() {
    if (const std::optional<int> exit = prepareFolder(m_args))
        return *exit;
    ConsoleChooser chooser;
    // The program's message says only that the database is not reachable.
    modData::setOpenFailureReport([](const store::OpenFailure& failure) {
        err(QStringLiteral("notenschau-cli: ") + failure.text() + QLatin1Char('\n'));
    });
    ConsolePresenter presenter(m_args.ja, m_asks && stdinIsTerminal());
    if (!openDatabase(m_name, m_access))
        return kFehler;
    return runOnDatabase(m_args, chooser, presenter);
}

} // namespace cli
