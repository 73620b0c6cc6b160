#pragma once

#include "store/connection.h"

#include <optional>
#include <QString>

// The connection as the data procedures reach it (modGlobal::cnDB), and the
// counts they look up.
namespace store {

// Reads and deletions reopen a closed connection.
Connection& openConnection();
// The writers rely on the connection being open.
Connection& writeConnection();

// A count statement's result for a member (?1) and, when given, a kind (?2).
qint64 countOf(const char* sql, const QString& sUser, std::optional<qint64> kind = {});

} // namespace store
