#include "scheduleSetup.h"

namespace setup {

Outcome scheduleFolder(app::Zeitplan plan, const QString& folder,
                       const app::ScheduleEnvironment& env) {
    const app::ScheduleOutcome outcome = app::applySchedule(plan, folder, env);
    switch (outcome.kind) {
    case app::ScheduleOutcome::Kind::Done:
        return {Status::Done, outcome.message};
    case app::ScheduleOutcome::Kind::NoSystemd:
        return {Status::NoSystemd, outcome.message};
    case app::ScheduleOutcome::Kind::Failed:
        break;
    }
    return {Status::Failed, outcome.message};
}

} // namespace setup
