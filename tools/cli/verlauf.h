#pragma once

#include "command.h"

namespace cli {

// The member's ratings per month and the twelve-month positive share.
class VerlaufCommand : public DatabaseCommand {
public:
    explicit VerlaufCommand(const Arguments& args)
        : DatabaseCommand(args, "verlauf", store::Access::Read) {}

private:
    int runOnDatabase(const Arguments& args, ConsoleChooser&, ConsolePresenter&) override;
};

// The stored ratings that hold every word of the search.
class SucheCommand : public DatabaseCommand {
public:
    explicit SucheCommand(const Arguments& args)
        : DatabaseCommand(args, "suche", store::Access::Read) {}

private:
    int runOnDatabase(const Arguments& args, ConsoleChooser&, ConsolePresenter&) override;
};

} // namespace cli
