#pragma once

#include "base/result.h"

#include <QString>

namespace retrieval {

// What a rating load of a foreign member asks for.
struct ForeignSearch {
    QString member;    // as entered, untrimmed
    qint32 limit = -1; // the newest ratings to load at most; -1 all of them
    bool positiv = false;
    bool neutral = false;
    bool negativ = false;
};

// The foreign-member dialog's inputs.
struct ForeignSearchInput {
    QString member;
    qint32 choice = 100; // the chosen count: -1 all, 0 the one in customCount
    QString customCount;
    bool positiv = false;
    bool neutral = false;
    bool negativ = false;
};

// The search the inputs ask for, or the message that refuses them, checked in
// the order the dialog tells them. A custom count that is no number is
// run-time error 13, as the dialog's own check raises it.
base::Result<ForeignSearch> foreignSearch(const ForeignSearchInput& input);

} // namespace retrieval
