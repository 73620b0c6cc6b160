#pragma once

#include "command.h"

namespace cli {

// A foreign member's newest ratings of the chosen kinds, loaded and stored in
// place of the member's earlier load.
class FremdCommand : public DatabaseCommand {
public:
    explicit FremdCommand(const Arguments& args)
        : DatabaseCommand(args, "fremd", store::Access::Write) {}

private:
    int runOnDatabase(const Arguments& args, ConsoleChooser& chooser, ConsolePresenter&) override;
};

// A foreign member's rating profile, fetched, stored as the member's overview
// and printed.
class ProfilCommand : public DatabaseCommand {
public:
    explicit ProfilCommand(const Arguments& args)
        : DatabaseCommand(args, "profil", store::Access::Write) {}

private:
    int runOnDatabase(const Arguments& args, ConsoleChooser& chooser, ConsolePresenter&) override;
};

} // namespace cli
