#include "command.h"

#include "app/applicationKeys.h"
#include "app/modini.h"
#include "base/programFolder.h"
#include "runSupport.h"
#include "store/modData.h"

#include <QDir>
#include <QFileInfo>

namespace cli {

int TextCommand::run() {
    out(m_text);
    return kOk;
}

int DatabaseCommand::run() {
    if (!m_args.ordner.isEmpty()) {
        if (!QFileInfo(m_args.ordner).isDir()) {
            err(QStringLiteral("notenschau-cli: Das Verzeichnis %1 gibt es nicht.\n")
                    .arg(QDir::toNativeSeparators(m_args.ordner)));
            return kAufruf;
        }
        base::setProgramFolder(m_args.ordner);
    }
    if (!m_args.anwendung.isEmpty())
        app::useApplicationKeysFile(m_args.anwendung);
    // Without its configuration the program could only say that the database
    // is not reachable; the missing file is the clearer message.
    if (!QFileInfo(modini::configPath()).isFile()) {
        err(QStringLiteral("notenschau-cli: Die Einstellungsdatei %1 wurde nicht gefunden.\n")
                .arg(QDir::toNativeSeparators(modini::configPath())));
        return kFehler;
    }

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
