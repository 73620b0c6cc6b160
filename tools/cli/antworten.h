#pragma once

#include "command.h"
#include "retrieval/replyRun.h"

namespace cli {

// One reply, written by the member, to one of their own received ratings,
// sent and stored.
class AntwortenCommand : public DatabaseCommand {
public:
    explicit AntwortenCommand(const Arguments& args)
        : DatabaseCommand(args, "antworten", store::Access::Write) {}

private:
    int runOnDatabase(const Arguments& args, ConsoleChooser& chooser, ConsolePresenter&) override;
};

// The exit code of a reply's outcome.
int exitCodeOf(retrieval::ReplyOutcome::Kind kind);

} // namespace cli
