#pragma once

#include "command.h"

namespace cli {

// The schedule of the checks and the last check from the command line.
class StatusCommand : public SettingsCommand {
public:
    explicit StatusCommand(const Arguments& args) : SettingsCommand(args) {}

private:
    int runOnSettings(const app::Settings& settings) override;
};

// Keeps the check's end for status; a call that never reached the folder, or
// that found another check running, leaves the record alone.
void recordCheck(int exitCode);

} // namespace cli
