#pragma once

#include "retrieval/buyerRating.h"

#include <memory>
#include <QObject>

namespace retrieval {

// The automatic rating after a successful check ([Bewerten] Automatisch=1):
// loads the items awaiting a rating and rates every buyer positively with
// the templates in turn. Its outcome is its own: a rating that fails leaves
// the check successful. Needs the database open.
class AutoRating : public QObject {
    Q_OBJECT
public:
    explicit AutoRating(const app::Settings& settings, QObject* parent = nullptr);
    ~AutoRating() override;

    // Whether the settings ask for it.
    static bool wanted(const app::Settings& settings) { return settings.automatischBewerten; }

    // Returns at once; itemDone() for each item, then finished(), once.
    void start();
    void cancel();

signals:
    void itemDone(const retrieval::ItemRating& item, int done, int total);
    void finished(const retrieval::RatingBatchOutcome& outcome);

private:
    void loaded(const AwaitingOutcome& awaiting);

    AwaitingLoad m_load;
    RateBuyersRun m_run;
    bool m_loading = false;
};

} // namespace retrieval
