#pragma once

#include "app/settings.h"

#include <optional>
#include <QByteArray>
#include <QDate>
#include <QString>
#include <variant>

// What the feedback source allows of its settings and how it reads the
// marketplace's answers: pure functions, so that each rule is seen and tested
// on its own.
namespace retrieval {

// An operation's end in Fehler: the number (an HTTP status, a network error
// or one of ours) and the German description.
struct SourceFault {
    qint16 number = 0;
    QString description;
};

// Where the marketplace is: https anywhere, unencrypted http only to this
// machine. The base has no query, fragment or trailing slash.
struct Endpoint {
    QString base;
    bool loopback = false; // then no proxy may see the traffic
};
std::optional<Endpoint> endpointOf(const QString& apiUrl);

constexpr int kDefaultParallel = 4;
constexpr int kMostParallel = 8;

// The [Marktplatz] settings an operation starts with, checked.
struct SourceSetup {
    Endpoint endpoint;
    int deadlineMs = 0;
    int parallel = kDefaultParallel; // page requests in flight at once
};
[[nodiscard]] std::variant<SourceSetup, SourceFault>
checkSettings(const app::MarktplatzSettings& settings, int defaultDeadlineMs,
              const QString& configPath);

// The marketplace id sent with each request, from a platform such as "ebay.de".
QString marketplaceIdFor(const QString& plattform);

// What an answer's status and error id say before its content is read.
enum class AnswerClass {
    Ok,
    UnknownMember,        // no such member
    NoFeedback,           // the member has no ratings: an empty list
    PeriodNamedOtherwise, // the summary wants its period filter under the other name
    Refused,              // any other status
};
AnswerClass classifyAnswer(int status, const QByteArray& body);

// A refused request.
SourceFault httpFault(int status, const QByteArray& body, const QString& configPath);
// A refused token request: a fault of the marketplace reads as any request's,
// only a refused client or refresh token points at the keys.
SourceFault tokenFault(int status, const QByteArray& body, const QString& configPath);
// A refresh grant's refusal that no retry mends: invalid_grant.
bool refusedSignIn(int status, const QByteArray& body);
// The marketplace no longer takes the member's sign-in (invalid_grant on a
// refresh): it ran out or was revoked.
SourceFault signInRevokedFault();
// The sign-in ran out on the day the settings name.
SourceFault signInExpiredFault(const QDate& expired);
// A member the count knew and the page request no longer finds.
SourceFault vanishedMemberFault(const QString& user, int status);
SourceFault malformedFault();

} // namespace retrieval
