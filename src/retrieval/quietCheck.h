#pragma once

#include "app/settings.h"
#include "store/shownRating.h"

#include <memory>
#include <QObject>
#include <QString>
#include <QTime>
#include <variant>
#include <vector>

namespace app {
class CheckLock;
}

// The window's own checks at intervals: they load without a question, show
// no message box and leave the list where the user has it.
namespace retrieval {

class OwnUpdateRun;

// "[Main] Intervall": minutes between two checks, 0 (or empty) for never;
// otherwise the message naming the key and file.
inline constexpr int kShortestInterval = 5;
inline constexpr int kLongestInterval = 24 * 60;
std::variant<int, QString> checkIntervalOf(const QString& value, const QString& configPath);

struct QuietCheckOutcome {
    enum class Kind {
        Stored,     // new ratings were stored
        NothingNew, // the store was up to date
        Busy,       // another process checks; nothing was asked of the marketplace
        Failed,     // message says why
    };
    Kind kind = Kind::Failed;
    qint32 added = 0;
    std::vector<store::ShownRating> newRatings; // the ratings stored, newest first
    QString message;
};

// One check of the standard user's own ratings: the check lock for its
// whole length, the update run in quiet mode, the storing. Reports once
// through finished(); the object may then be deleted.
class QuietCheck : public QObject {
    Q_OBJECT
public:
    QuietCheck(const app::Settings& settings, const QString& databasePath,
               QObject* parent = nullptr);
    ~QuietCheck() override;

    // Returns at once; finished() may come before it returns when the lock is taken.
    void start();
    bool running() const { return m_run != nullptr; }

signals:
    void finished(const retrieval::QuietCheckOutcome& outcome);

private:
    void runClosed();
    void finish(const QuietCheckOutcome& outcome);

    app::Settings m_settings;
    QString m_databasePath;
    std::unique_ptr<app::CheckLock> m_lock;
    std::unique_ptr<OwnUpdateRun> m_run;
};

// The status line after a check at time at: "Automatische Prüfung um 14:05: 2
// neue Bewertungen."
QString quietCheckLine(const QuietCheckOutcome& outcome, QTime at);

} // namespace retrieval
