#include "retrieval/quietCheck.h"

#include "app/checkLock.h"
#include "app/modGlobal.h"
#include "errors/runtimeError.h"
#include "retrieval/newRatingsNotice.h"
#include "retrieval/ownUpdateRun.h"
#include "retrieval/syncOutcome.h"

#include <QRegularExpression>

namespace retrieval {

std::variant<int, QString> checkIntervalOf(const QString& value, const QString& configPath) {
    const QString v = value.trimmed();
    if (v.isEmpty())
        return 0;
    bool ok = false;
    const int minutes = v.toInt(&ok);
    if (ok && (minutes == 0 || (minutes >= kShortestInterval && minutes <= kLongestInterval)))
        return minutes;
    return QStringLiteral("Der Wert \"%1\" von Intervall im Abschnitt [Main] der Datei %2 ist "
                          "keine Minutenzahl: 0 für nie, sonst %3 bis %4.")
        .arg(value.left(80), configPath)
        .arg(kShortestInterval)
        .arg(kLongestInterval);
}

QuietCheck::QuietCheck(const app::Settings& settings, const QString& databasePath, QObject* parent)
    : QObject(parent), m_settings(settings), m_databasePath(databasePath) {}

QuietCheck::~QuietCheck() = default;

void QuietCheck::start() {
    if (m_run)
        return;
    m_lock = std::make_unique<app::CheckLock>(m_databasePath);
    const app::CheckLockState state = m_lock->tryTake();
    if (state.kind != app::CheckLockState::Kind::Taken) {
        QuietCheckOutcome outcome;
        outcome.kind = state.kind == app::CheckLockState::Kind::Busy
                           ? QuietCheckOutcome::Kind::Busy
                           : QuietCheckOutcome::Kind::Failed;
        if (outcome.kind == QuietCheckOutcome::Kind::Failed)
            outcome.message = app::checkLockFailedMessage(m_lock->path());
        finish(outcome);
        return;
    }
    m_run = std::make_unique<OwnUpdateRun>(m_settings);
    m_run->setQuiet(true);
    // Queued: the run must have left its own handler before it is deleted.
    connect(m_run.get(), &LoadRun::closed, this, &QuietCheck::runClosed, Qt::QueuedConnection);
    m_run->checkneueBewertungen();
}

namespace {

// The run's message box texts use \r for their line breaks.
QString oneLine(const QString& text) {
    return text.simplified();
}

} // namespace

void QuietCheck::runClosed() {
    using Kind = SyncOutcome::Kind;
    const FetchResult fetched = m_run->takeResult();
    const QString told = oneLine(m_run->quietMessage());
    QuietCheckOutcome outcome;
    QSet<QString> unstored;
    try {
        unstored = unstoredIds(fetched.ratings, modGlobal::sStandardUser);
    } catch (const errors::RuntimeError&) {
        // Only the notice needs them; the storing says what is wrong.
    }
    const SyncOutcome stored = storeOwnRun(fetched, modGlobal::sStandardUser);
    outcome.added = stored.added;
    if (stored.kind == Kind::NothingNew || (stored.kind == Kind::Stored && stored.added == 0)) {
        outcome.kind = QuietCheckOutcome::Kind::NothingNew;
    } else if (stored.added > 0) {
        outcome.kind = QuietCheckOutcome::Kind::Stored;
        outcome.message = oneLine(outcomeMessage(stored));
    } else {
        outcome.kind = QuietCheckOutcome::Kind::Failed;
        // The marketplace's own words, without the advice a message box adds.
        if (stored.storeFailed || (told.isEmpty() && fetched.detail.isEmpty()))
            outcome.message = oneLine(outcomeMessage(stored));
        else
            outcome.message = fetched.detail.isEmpty() ? told : oneLine(fetched.detail);
    }
    try {
        if (stored.added > 0)
            outcome.newRatings = storedRatings(unstored, modGlobal::sStandardUser);
    } catch (const errors::RuntimeError&) {
    }
    finish(outcome);
}

void QuietCheck::finish(const QuietCheckOutcome& outcome) {
    m_run.reset();
    if (m_lock)
        m_lock->release();
    emit finished(outcome);
}

QString quietCheckLine(const QuietCheckOutcome& outcome, QTime at) {
    const QString when =
        QStringLiteral("Automatische Prüfung um %1").arg(at.toString(QStringLiteral("HH:mm")));
    using Kind = QuietCheckOutcome::Kind;
    switch (outcome.kind) {
    case Kind::Stored:
        return when + QStringLiteral(": ") + neueBewertungen(outcome.added) + QLatin1Char('.') +
               (outcome.message.isEmpty() ? QString() : QLatin1Char(' ') + outcome.message);
    case Kind::NothingNew:
        return when + QStringLiteral(": keine neuen Bewertungen.");
    case Kind::Busy:
        return when + QStringLiteral(" ausgelassen: eine andere Prüfung lief.");
    case Kind::Failed:
        break;
    }
    return when + QStringLiteral(" fehlgeschlagen: ") + outcome.message;
}

} // namespace retrieval
