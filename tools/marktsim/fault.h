#pragma once

#include <optional>
#include <QString>
#include <QStringView>

namespace marktsim {

enum class FaultKind {
    Delay,        // answer after ms, give or take jitter
    Hang,         // no answer
    Drip,         // bytes every ms
    Unauthorized, // 401
    Status,       // status, optional Retry-After
    Malformed,    // JSON cut off
    WrongShape,   // JSON of another shape
    Sparse,       // entries with fields missing
    Truncated,    // body shorter than its Content-Length
    Reset,        // connection dropped
    Oversize,     // an 11 MB answer
    Arrive,       // n new ratings arrive just before the answer
    Overcount,    // the total counts n entries that are not delivered
    BadUtf8,      // a byte that is no UTF-8 in the first comment
};

// By the name the admin interface takes; nullopt for a name it does not know.
std::optional<FaultKind> faultKindFromName(QStringView name);

// One injected fault, applied to the next matching requests.
struct Fault {
    QString on = QStringLiteral("api"); // token, entries, summary, api, any
    FaultKind kind = FaultKind::Delay;
    int count = 1;
    int after = 0; // matching requests let through first
    int status = 500;
    int retryAfterS = -1;
    int ms = 0;
    int jitter = 0; // delay: ms varies by up to this much either way
    int bytes = 64;
    int n = 1;       // arrive: ratings that arrive; overcount: entries counted too many
    int offset = -1; // from 0: only entries requests for this offset
};

} // namespace marktsim
