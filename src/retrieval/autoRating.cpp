#include "retrieval/autoRating.h"

#include <QMetaObject>

namespace retrieval {

AutoRating::AutoRating(const app::Settings& settings, QObject* parent)
    : QObject(parent), m_load(settings), m_run(settings) {
    connect(&m_load, &AwaitingLoad::finished, this, &AutoRating::loaded);
    connect(&m_run, &RateBuyersRun::itemDone, this, &AutoRating::itemDone);
    connect(&m_run, &RateBuyersRun::finished, this, &AutoRating::finished);
}

AutoRating::~AutoRating() = default;

void AutoRating::start() {
    m_loading = true;
    m_load.start();
}

// The load reports nothing once cancelled: the outcome is said here.
void AutoRating::cancel() {
    m_run.cancel();
    if (!m_loading)
        return;
    m_loading = false;
    m_load.cancel();
    QMetaObject::invokeMethod(
        this,
        [this] {
            RatingBatchOutcome outcome;
            outcome.kind = RatingBatchOutcome::Kind::Cancelled;
            outcome.message = QStringLiteral("Abgebrochen: 0 Käufer positiv bewertet.");
            emit finished(outcome);
        },
        Qt::QueuedConnection);
}

void AutoRating::loaded(const AwaitingOutcome& awaiting) {
    using Kind = RatingBatchOutcome::Kind;
    m_loading = false;
    if (awaiting.kind == SellerAnswer::Kind::Done) {
        m_run.start(awaiting.items, {});
        return;
    }
    RatingBatchOutcome outcome;
    outcome.kind =
        awaiting.kind == SellerAnswer::Kind::NotSignedIn ? Kind::NotSignedIn : Kind::Failed;
    outcome.message = awaiting.message;
    emit finished(outcome);
}

} // namespace retrieval
