#pragma once

#include "app/settings.h"
#include "arguments.h"
#include "console.h"
#include "store/connection.h"

#include <QString>

namespace cli {

// One command of a call; run() carries it out and gives the exit code.
class BaseCommand {
public:
    virtual ~BaseCommand() = default;
    virtual int run() = 0;
};

// A text on stdout: the help, the version.
class TextCommand : public BaseCommand {
public:
    explicit TextCommand(QString text) : m_text(std::move(text)) {}
    int run() override;

private:
    QString m_text;
};

// A command on the database of the program folder: the folder and its
// configuration are checked, and the database opened, before its own part.
class DatabaseCommand : public BaseCommand {
public:
    int run() final;

protected:
    // name: the command in error protocols. A command that only reads passes
    // Access::Read; one that asks questions asks them on a terminal.
    DatabaseCommand(const Arguments& args, const char* name, store::Access access,
                    bool asks = false)
        : m_args(args), m_name(name), m_access(access), m_asks(asks) {}

    virtual int runOnDatabase(const Arguments& args, ConsoleChooser& chooser,
                              ConsolePresenter& presenter) = 0;

private:
    const Arguments m_args;
    const char* m_name;
    store::Access m_access;
    bool m_asks;
};

// A command on the configuration alone: the folder and its configuration
// are checked and read, the database stays closed.
class SettingsCommand : public BaseCommand {
public:
    int run() final;

protected:
    explicit SettingsCommand(const Arguments& args) : m_args(args) {}
    virtual int runOnSettings(const app::Settings& settings) = 0;

private:
    const Arguments m_args;
};

} // namespace cli
