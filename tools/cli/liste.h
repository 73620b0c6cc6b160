#pragma once

#include "arguments.h"
#include "console.h"
#include "store/ratingQuery.h"

namespace cli {

// One page of stored ratings on stdout, or all of them; the exit code.
int liste(const Arguments& args, ConsoleChooser& chooser);

// Every stored rating of the member that the filter lets through, newest
// first, in the format asked for, written as it is read; the exit code.
int streamRatings(const Arguments& args, const QString& member, const store::RatingFilter& filter,
                  const char* command);

} // namespace cli
