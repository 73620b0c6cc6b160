#pragma once

#include "command.h"

namespace cli {

// The sales whose buyer the member has not rated yet, as a table.
class OffenCommand : public SettingsCommand {
public:
    explicit OffenCommand(const Arguments& args) : SettingsCommand(args), m_args(args) {}

private:
    int runOnSettings(const app::Settings& settings) override;
    const Arguments m_args;
};

// Rates the buyers of the chosen sales positively, one line per item.
class BewertenCommand : public DatabaseCommand {
public:
    explicit BewertenCommand(const Arguments& args)
        : DatabaseCommand(args, "bewerten", store::Access::Write) {}

private:
    int runOnDatabase(const Arguments& args, ConsoleChooser& chooser,
                      ConsolePresenter& presenter) override;
};

// After a successful check with [Bewerten] Automatisch=1: rates every open
// item, each on stderr, the count on stdout. A failure is said and leaves the
// check's exit code as it is; only Ctrl+C gives its own (130).
int rateAfterCheck(int checkExit);

} // namespace cli
