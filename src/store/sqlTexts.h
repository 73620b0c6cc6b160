#pragma once

#include "store/modData.h"

// The statements of the data procedures. Each is prepared once per
// connection, and the text's address is its key in the connection's cache:
// the texts are defined once, in sqlTexts.cpp, so that every file hands the
// cache the same address.
namespace store::sql {

// One table's statements. Counts come from the count table the triggers
// keep; pages are read from whichever end of the ordered rows is nearer, so
// no page skips more than half of them.
struct Queries {
    const char* count;
    const char* countKind;
    const char* page;
    const char* pageKind;
    const char* pageFromOldest;
    const char* pageKindFromOldest;
    const char* insert;
    const char* known;
    const char* complete;
    const char* realCount;
    const char* reply;
};

extern const Queries kOwn;
extern const Queries kTemp;

const Queries& queries(modData::Table t);

extern const char kAllUserTemp[];
extern const char kOverview[];
extern const char kInsertOverview[];
extern const char kDeleteTemp[];
extern const char kDeleteOverview[];
extern const char kDeleteOwn[];
extern const char kPlaceholderCount[];
extern const char kDropPlaceholders[];

} // namespace store::sql
