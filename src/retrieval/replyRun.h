#pragma once

#include "app/settings.h"
#include "retrieval/sellerCalls.h"
#include "store/replyStoring.h"

#include <memory>
#include <QObject>
#include <QString>

namespace retrieval {

// How answering one rating ended. The dialog's and the CLI's messages and
// the CLI's exit code come from it.
struct ReplyOutcome {
    enum class Kind {
        Sent,           // the marketplace took the reply; it is stored
        AlreadyReplied, // a reply was there already; the one fetched is stored
        Automated,      // the marketplace made the rating itself: no reply possible
        TextRefused,    // empty, too long, or refused by the marketplace
        NotSignedIn,    // no sign-in, or it ran out
        UnknownRating,  // no own rating with that id is stored
        NotAnswerable,  // a placeholder, or a rating the store knows a reply of
        NoConnection,   // the marketplace could not be asked
        Failed,         // the database, or another refusal
    };
    Kind kind = Kind::Failed;
    QString message;       // German
    bool keepText = false; // the text stays in the dialog for another try
    QString reply;         // the reply now stored, for Sent and AlreadyReplied
};

// The longest reply the marketplace takes, in characters (UTF-16 units, as
// it counts them).
inline constexpr qsizetype kReplyLimit = 500;

// "Noch 500 Zeichen", "Noch 1 Zeichen", "12 Zeichen zu viel".
QString remainingText(qsizetype used);

// Why the text cannot be sent as it is, or empty: checked before sending.
QString textProblem(const QString& text);

// Sends one reply, written by the member, to one of their own received
// ratings, and stores it. Answers come from the event loop; finished() is
// emitted once per start().
class ReplyRun : public QObject {
    Q_OBJECT
public:
    explicit ReplyRun(const app::Settings& settings, QObject* parent = nullptr);
    ~ReplyRun() override;

    void start(const QString& feedbackId, const QString& text);
    bool isRunning() const { return m_running; }

signals:
    void finished(const retrieval::ReplyOutcome& outcome);

private:
    void answered(const SellerAnswer& answer);
    void refetched(const SellerAnswer& answer);
    void finish(const ReplyOutcome& outcome);
    ReplyOutcome stored(ReplyOutcome::Kind kind, const store::RatingReply& reply,
                        const QString& message);

    app::Settings m_settings;
    std::unique_ptr<SellerCalls> m_calls;
    store::ReplyTarget m_target;
    QString m_text;
    bool m_running = false;
};

// The message for a failed call: not signed in, no connection, another fault.
ReplyOutcome callFailure(const SellerAnswer& answer);

} // namespace retrieval
