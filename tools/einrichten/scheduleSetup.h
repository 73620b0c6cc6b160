#pragma once

#include "app/schedule.h"
#include "setup.h"

namespace setup {

// Puts the folder's checks on the plan, with the tool's exit codes.
Outcome scheduleFolder(app::Zeitplan plan, const QString& folder,
                       const app::ScheduleEnvironment& env = {});

} // namespace setup
