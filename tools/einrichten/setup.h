#pragma once

#include "app/applicationKeys.h"
#include "app/schedule.h"

#include <optional>
#include <QString>
#include <QStringList>

// What notenschau-einrichten does, apart from asking: a user's own program
// folder with copies of the installed program, a fresh database and a
// configuration holding the member and the marketplace keys.
namespace setup {

// The exit codes, as the tool's --help lists them.
enum class Status {
    Done = 0,
    Failed = 1,  // a folder, a file or the database could not be written
    BadCall = 2, // unknown option, a value missing or not usable
    NoConnection = 3,
    UnknownMember = 4,
    KeysRefused = 5,
    AlreadySetUp = 6, // a configuration is there and --ueberschreiben was not given
    Cancelled = 7,
    SignInRefused = 8, // refused on the consent page, or the code is not usable
    NoSystemd = 9,     // the schedule is not set: no user systemd runs here
};

struct Outcome {
    Status status = Status::Done;
    QString message;    // German, for the user
    qint32 ratings = 0; // the member's total, when the marketplace answered

    bool ok() const { return status == Status::Done; }
};

inline constexpr char kDefaultApiUrl[] = "https://api.ebay.com";
inline constexpr char kDefaultPlattform[] = "ebay.de";

struct Values {
    QString member;
    QString clientId;
    QString clientSecret;
    QString refreshToken; // optional
    QString apiUrl;       // empty: kDefaultApiUrl
    QString plattform;    // empty: kDefaultPlattform
    QString folder;       // empty: defaultFolder()
    QString ruName;       // only when given: else the installation's
    QString anmeldungBis; // yyyy-MM-dd: when a sign-in runs out
    QString anwendung;    // the application keys' file, when another than the computer's
    bool overwrite = false;
    std::optional<app::Zeitplan> zeitplan; // the window's preset plan
    // The installation's keys: what ClientId and ClientSecret leave empty.
    app::ApplicationKeys installed;

    QString effectiveClientId() const { return clientId.isEmpty() ? installed.clientId : clientId; }
    QString effectiveClientSecret() const {
        return clientSecret.isEmpty() ? installed.clientSecret : clientSecret;
    }
};

// ~/.local/share/notenschau/programm, or below $XDG_DATA_HOME.
QString defaultFolder();

// Where a folder keeps its configuration and its database.
QString configFile(const QString& folder);
QString databaseFile(const QString& folder);

// A folder counts as set up once it holds a configuration.
bool isSetUp(const QString& folder);

// The executables a user's folder gets as real copies: the program finds
// its folder from its own resolved path, so a link would lead it back to
// the installed folder. The rest of the installed folder's files are linked.
const QStringList& copiedPrograms();

// Values trimmed, the folder made absolute; the empty optional values filled
// with their defaults.
Values normalised(Values values);

// The values, and where they are empty those of a configuration that is
// already there: changing one key then means typing one key.
Values withStored(Values values);

// Which of member, ClientId and ClientSecret are still empty, by their
// option names; keys the installation holds are not missing.
QStringList missing(const Values& values);

// Everything that can be said without the marketplace: the values are
// usable, the folder is neither the installed one nor set up yet (unless
// overwriting), an existing database opens with the program's key.
// Status::Done when all is well.
Outcome checkLocally(const Values& values, const QString& installed);

// The configuration text: the installed template (or a built-in one) with
// the values filled in, the database beside it.
QString configText(const Values& values, const QString& templateText);

// Copies the programs of `installed` into the folder and links its other
// files; only a program whose copy differs from the installed one in size
// or time is copied again, and every program when the copies were made from
// another installed folder (the folder records where they came from).
// Returns an error message, empty on success.
QString refreshProgramFiles(const QString& installed, const QString& folder);

// Writes the folder after the keys were checked: program files, a fresh
// database unless one is there, then the configuration (0600, in one step),
// made from the installed template or from the text given.
Outcome write(const Values& values, const QString& installed, qint32 ratings,
              const std::optional<QString>& templateText = std::nullopt);

// The folder's configuration as text; empty when there is none.
QString readConfigText(const QString& folder);

} // namespace setup
