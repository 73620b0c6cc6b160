#pragma once

#include <QString>

namespace app {

// A secret of one program folder: the refresh token of a member, or the
// client secret a user typed (member empty).
struct SecretName {
    QString configFile; // the folder's Bin/config.INI, absolute
    QString member;
    QString what; // "RefreshToken", "ClientSecret"
};

// The desktop's secret store (Secret Service) under the service "Notenschau".
// Every call waits for its answer. Where no secret store answers (no session
// bus, no keyring installed) the calls say Unavailable and change nothing.
namespace keyring {

enum class Answer { Found, Absent, Unavailable };

struct Read {
    Answer answer = Answer::Unavailable;
    QString secret;
};

[[nodiscard]] Read read(const SecretName& name);
// Unavailable when nothing was written.
[[nodiscard]] Answer write(const SecretName& name, const QString& secret);
// Absent also when there was nothing to remove.
Answer remove(const SecretName& name);

// The key under which the store keeps it: one per folder and member.
QString keyOf(const SecretName& name);

} // namespace keyring
} // namespace app
