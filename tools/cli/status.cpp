#include "status.h"

#include "app/checkRecord.h"
#include "app/schedule.h"
#include "base/clock.h"
#include "base/programFolder.h"

#include <QDir>
#include <QFileInfo>

namespace cli {

namespace {

QString exitCodeWord(int code) {
    switch (code) {
    case kOk:
        return QStringLiteral("erledigt");
    case kFehler:
        return QStringLiteral("Fehler");
    case kKeineVerbindung:
        return QStringLiteral("keine Verbindung zum Marktplatz");
    case kMitgliedUnbekannt:
        return QStringLiteral("Mitgliedsname nicht gefunden");
    case kNichtGeladen:
        return QStringLiteral("neue Bewertungen nicht geladen");
    case kUnvollstaendig:
        return QStringLiteral("unvollständig geladen");
    case kAbgelehnt:
        return QStringLiteral("eine Käuferbewertung abgelehnt");
    case kBeschaeftigt:
        return QStringLiteral("eine andere Prüfung lief");
    case kAbgebrochen:
        return QStringLiteral("abgebrochen");
    default:
        return QStringLiteral("beendet");
    }
}

QString scheduleLine() {
    const std::optional<app::ScheduleState> state = app::readSchedule();
    if (!state)
        return QStringLiteral("kein systemd für Ihren Benutzer (notenschau-einrichten "
                              "--zeitplan nennt eine Zeile für crontab)");
    QString line = app::zeitplanWord(state->plan);
    if (!state->nextRun.isEmpty())
        line += QStringLiteral(", nächste Prüfung %1").arg(state->nextRun);
    return line;
}

} // namespace

int StatusCommand::runOnSettings(const app::Settings& settings) {
    const QString folder = base::programFolder();
    const std::optional<app::CheckRecord> last = app::readCheckRecord(app::checkRecordFile(folder));
    const QString lastLine =
        last ? QStringLiteral("%1, %2 (Rückgabewert %3)")
                   .arg(last->at.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")),
                        exitCodeWord(last->exitCode))
                   .arg(last->exitCode)
             : QStringLiteral("noch keine");
    out(QStringLiteral("Programmordner: %1\nMitglied: %2\nZeitplan: %3\nLetzte Prüfung: %4\n")
            .arg(QDir::toNativeSeparators(folder), settings.username, scheduleLine(), lastLine));
    return kOk;
}

void recordCheck(int exitCode) {
    if (exitCode == kAufruf || exitCode == kBeschaeftigt)
        return;
    const QString file = app::checkRecordFile(base::programFolder());
    if (!QDir(QFileInfo(file).path()).exists())
        return;
    if (!app::writeCheckRecord(file, {base::Clock::now(), exitCode}))
        err(QStringLiteral("notenschau-cli: %1 lässt sich nicht schreiben.\n")
                .arg(QDir::toNativeSeparators(file)));
}

} // namespace cli
