#pragma once

#include "command.h"
#include "store/ratingQuery.h"

namespace cli {

// One page of stored ratings on stdout, or all of them.
class ListeCommand : public DatabaseCommand {
public:
    explicit ListeCommand(const Arguments& args)
        : DatabaseCommand(args, "liste", store::Access::Read) {}

private:
    int runOnDatabase(const Arguments& args, ConsoleChooser& chooser, ConsolePresenter&) override;
};

// Every stored rating of the member that the filter lets through, newest
// first, in the format asked for, written as it is read; the exit code.
int streamRatings(const Arguments& args, const QString& member, const store::RatingFilter& filter,
                  const char* command);

} // namespace cli
