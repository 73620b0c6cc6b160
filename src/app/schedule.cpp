#include "app/schedule.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace app {

namespace {

struct Run {
    bool started = false;
    int code = -1;
    QString out;
    QString err;
    bool ok() const { return started && code == 0; }
};

Run systemctl(const ScheduleEnvironment& env, const QStringList& arguments) {
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(env.systemctl.isEmpty() ? QStringLiteral("systemctl") : env.systemctl,
            QStringList{QStringLiteral("--user")} + arguments);
    Run run;
    run.started = p.waitForStarted(env.timeoutMs);
    if (!run.started)
        return run;
    if (!p.waitForFinished(env.timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        run.err = QStringLiteral("keine Antwort");
        return run;
    }
    run.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    run.err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    return run;
}

QString unitFolder(const ScheduleEnvironment& env) {
    if (!env.unitFolder.isEmpty())
        return env.unitFolder;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/systemd/user");
}

QString serviceDropIn(const ScheduleEnvironment& env) {
    return unitFolder(env) + '/' + kCheckService + QStringLiteral(".d/ordner.conf");
}

QString timerDropIn(const ScheduleEnvironment& env) {
    return unitFolder(env) + '/' + kCheckTimer + QStringLiteral(".d/zeitplan.conf");
}

// A word of a systemd command line, quoted: '%' and '$' would be expanded.
QString unitQuoted(QString text) {
    text.replace('\\', QStringLiteral("\\\\")).replace('"', QStringLiteral("\\\""));
    text.replace('%', QStringLiteral("%%")).replace('$', QStringLiteral("$$"));
    return '"' + text + '"';
}

QString shellQuoted(QString text) {
    return '\'' + text.replace('\'', QStringLiteral("'\\''")) + '\'';
}

bool writeFile(const QString& path, const QByteArray& content, QString* error) {
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile f(path);
    if (f.open(QIODevice::WriteOnly) && f.write(content) == content.size() && f.commit())
        return true;
    *error = QStringLiteral("%1 lässt sich nicht schreiben: %2").arg(path, f.errorString());
    return false;
}

QString failedText(const QStringList& arguments, const Run& run) {
    const QString why = !run.started        ? QStringLiteral("systemctl lässt sich nicht starten")
                        : run.err.isEmpty() ? QStringLiteral("Rückgabewert %1").arg(run.code)
                                            : run.err;
    return QStringLiteral("„systemctl --user %1“ ist fehlgeschlagen: %2")
        .arg(arguments.join(' '), why);
}

std::optional<QString> firstFailure(const ScheduleEnvironment& env,
                                    const QList<QStringList>& calls) {
    for (const QStringList& arguments : calls)
        if (const Run run = systemctl(env, arguments); !run.ok())
            return failedText(arguments, run);
    return std::nullopt;
}

bool systemdRuns(const ScheduleEnvironment& env) {
    return systemctl(env, {QStringLiteral("show-environment")}).ok();
}

ScheduleOutcome withoutSystemd(Zeitplan plan, const QString& folder) {
    if (plan == Zeitplan::Aus)
        return {ScheduleOutcome::Kind::NoSystemd,
                QStringLiteral("Auf diesem Rechner läuft kein systemd für Ihren Benutzer, also "
                               "auch kein Zeitplan von Notenschau. Eine Zeile für Notenschau in "
                               "Ihrer crontab löschen Sie mit „crontab -e“.")};
    return {ScheduleOutcome::Kind::NoSystemd,
            QStringLiteral("Auf diesem Rechner läuft kein systemd für Ihren Benutzer; der "
                           "Zeitplan lässt sich so nicht einrichten. Mit „crontab -e“ "
                           "eingetragen, prüft diese Zeile %1:\n%2")
                .arg(zeitplanWord(plan), crontabLine(plan, folder))};
}

ScheduleOutcome switchOn(Zeitplan plan, const QString& folder, const ScheduleEnvironment& env) {
    QString error;
    const QByteArray service =
        "# Written by notenschau-einrichten: the program folder to check.\n[Service]\n"
        "ExecStart=\nExecStart=" +
        unitQuoted(QDir(folder).filePath(QStringLiteral("notenschau-cli"))).toUtf8() +
        " pruefen --ja --melden\n";
    if (!writeFile(serviceDropIn(env), service, &error))
        return {ScheduleOutcome::Kind::Failed, error};
    if (plan == Zeitplan::Taeglich) {
        if (!writeFile(timerDropIn(env), "[Timer]\nOnCalendar=\nOnCalendar=daily\n", &error))
            return {ScheduleOutcome::Kind::Failed, error};
    } else {
        QFile::remove(timerDropIn(env));
    }
    // Restarted, an active timer takes the new calendar at once.
    if (const auto failed = firstFailure(env, {{QStringLiteral("daemon-reload")},
                                               {QStringLiteral("enable"), kCheckTimer},
                                               {QStringLiteral("restart"), kCheckTimer}})) {
        // Not switched on: nothing of it stays behind.
        QFile::remove(timerDropIn(env));
        QFile::remove(serviceDropIn(env));
        return {ScheduleOutcome::Kind::Failed, *failed};
    }
    return {ScheduleOutcome::Kind::Done,
            QStringLiteral("Notenschau prüft jetzt %1 auf neue Bewertungen (systemd-Timer %2).")
                .arg(zeitplanWord(plan), kCheckTimer)};
}

} // namespace

std::optional<Zeitplan> zeitplanOf(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("stuendlich") || t == QStringLiteral("stündlich"))
        return Zeitplan::Stuendlich;
    if (t == QLatin1String("taeglich") || t == QStringLiteral("täglich"))
        return Zeitplan::Taeglich;
    if (t == QLatin1String("aus"))
        return Zeitplan::Aus;
    return std::nullopt;
}

QString zeitplanWord(Zeitplan plan) {
    switch (plan) {
    case Zeitplan::Stuendlich:
        return QStringLiteral("stündlich");
    case Zeitplan::Taeglich:
        return QStringLiteral("täglich");
    case Zeitplan::Aus:
        break;
    }
    return QStringLiteral("aus");
}

QString crontabLine(Zeitplan plan, const QString& folder) {
    // A minute of the folder's own, so that not every computer calls at once.
    const int minute = int(qHash(folder) % 60);
    const QString when = plan == Zeitplan::Taeglich ? QStringLiteral("%1 8 * * *").arg(minute)
                                                    : QStringLiteral("%1 * * * *").arg(minute);
    return when + ' ' + shellQuoted(QDir(folder).filePath(QStringLiteral("notenschau-cli"))) +
           QStringLiteral(" pruefen --ja");
}

ScheduleOutcome applySchedule(Zeitplan plan, const QString& folder,
                              const ScheduleEnvironment& env) {
    if (!systemdRuns(env))
        return withoutSystemd(plan, folder);
    if (plan != Zeitplan::Aus)
        return switchOn(plan, folder, env);
    if (const auto failed =
            firstFailure(env, {{QStringLiteral("disable"), QStringLiteral("--now"), kCheckTimer}}))
        return {ScheduleOutcome::Kind::Failed, *failed};
    QFile::remove(timerDropIn(env));
    QFile::remove(serviceDropIn(env));
    systemctl(env, {QStringLiteral("daemon-reload")});
    return {ScheduleOutcome::Kind::Done,
            QStringLiteral("Die zeitgesteuerte Prüfung ist ausgeschaltet.")};
}

std::optional<ScheduleState> readSchedule(const ScheduleEnvironment& env) {
    if (!systemdRuns(env))
        return std::nullopt;
    ScheduleState state;
    const Run enabled = systemctl(env, {QStringLiteral("is-enabled"), kCheckTimer});
    if (enabled.out != QLatin1String("enabled"))
        return state;
    state.plan = QFile::exists(timerDropIn(env)) ? Zeitplan::Taeglich : Zeitplan::Stuendlich;
    const Run next = systemctl(env, {QStringLiteral("show"), QStringLiteral("--timestamp=unix"),
                                     QStringLiteral("--property=NextElapseUSecRealtime"),
                                     QStringLiteral("--value"), kCheckTimer});
    if (next.ok() && next.out.startsWith('@'))
        state.nextRun = QDateTime::fromSecsSinceEpoch(next.out.mid(1).toLongLong())
                            .toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    return state;
}

} // namespace app
