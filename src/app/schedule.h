#pragma once

#include <optional>
#include <QString>
#include <QStringList>

// The scheduled checks: the systemd user timer the package ships, switched
// through "systemctl --user", and the drop-ins that name the user's folder
// and a daily plan. Where no user systemd runs, a crontab line stands in.
namespace app {

enum class Zeitplan { Stuendlich, Taeglich, Aus };

// "stuendlich", "taeglich", "aus" (also with umlauts, any case).
std::optional<Zeitplan> zeitplanOf(const QString& text);
// "stündlich", "täglich", "aus".
QString zeitplanWord(Zeitplan plan);

inline constexpr char kCheckTimer[] = "notenschau-pruefen.timer";
inline constexpr char kCheckService[] = "notenschau-pruefen.service";

// Where the user's units live and how systemctl is called; the defaults are
// the desktop's own.
struct ScheduleEnvironment {
    QString systemctl;  // empty: "systemctl" from PATH
    QString unitFolder; // empty: $XDG_CONFIG_HOME/systemd/user
    int timeoutMs = 20000;
};

struct ScheduleOutcome {
    enum class Kind { Done, NoSystemd, Failed };
    Kind kind = Kind::Done;
    QString message; // German, for the user
    bool ok() const { return kind == Kind::Done; }
};

// The line for "crontab -e" that checks the folder on the plan.
QString crontabLine(Zeitplan plan, const QString& folder);

// Switches the timer for the folder's notenschau-cli: on hourly or daily, or
// off. The drop-ins are written before the timer is enabled, so that it never
// runs the wrong folder.
ScheduleOutcome applySchedule(Zeitplan plan, const QString& folder,
                              const ScheduleEnvironment& env = {});

// What the user's systemd says of the timer: the plan, and the next run when
// it is on; none where no user systemd runs.
struct ScheduleState {
    Zeitplan plan = Zeitplan::Aus;
    QString nextRun; // as systemctl gives it, empty when unknown
};
std::optional<ScheduleState> readSchedule(const ScheduleEnvironment& env = {});

} // namespace app
