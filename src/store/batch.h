#pragma once

#include "store/connection.h"

// How the data procedures' writes take part in the running batch
// (modData::beginBatch).
namespace store {

// Runs a write. Inside a batch, a fault of the file or disk, or SQLite
// dropping the transaction, breaks the batch: later rows must not be stored
// one by one outside it. A write into a broken batch fails at once.
void runWrite(Connection& c, Statement& s);

} // namespace store
