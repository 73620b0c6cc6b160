#pragma once

#include "command.h"

namespace cli {

// Who is signed in, where the token is kept and until when the sign-in holds.
class AnmeldungCommand : public SettingsCommand {
public:
    explicit AnmeldungCommand(const Arguments& args) : SettingsCommand(args) {}

private:
    int runOnSettings(const app::Settings& settings) override;
};

// Forgets the tokens of the sign-in; the stored ratings stay.
class AbmeldenCommand : public SettingsCommand {
public:
    explicit AbmeldenCommand(const Arguments& args) : SettingsCommand(args) {}

private:
    int runOnSettings(const app::Settings& settings) override;
};

} // namespace cli
