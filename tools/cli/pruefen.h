#pragma once

#include "command.h"

#include <QSet>

namespace cli {

// The update run of the standard user's own ratings and their storing.
class PruefenCommand : public DatabaseCommand {
public:
    explicit PruefenCommand(const Arguments& args)
        : DatabaseCommand(args, "pruefen", store::Access::Write, true) {}

private:
    int runOnDatabase(const Arguments& args, ConsoleChooser& chooser,
                      ConsolePresenter& presenter) override;
    int check(const Arguments& args, ConsoleChooser& chooser, ConsolePresenter& presenter);

    QSet<QString> m_unstored; // --melden: the fetched ratings not stored before
};

} // namespace cli
