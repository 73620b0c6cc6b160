#include "retrieval/replyRun.h"

#include "errors/runtimeError.h"
#include "retrieval/feedbackJson.h"
#include "retrieval/marktplatzHttp.h"
#include "store/modHTML2Text.h"

#include <QJsonObject>
#include <QUrl>

namespace retrieval {

namespace {

using Kind = ReplyOutcome::Kind;

constexpr char kRespondPath[] = "/commerce/feedback/v1/respond_to_feedback";
constexpr char kEntriesPath[] = "/commerce/feedback/v1/feedback";

QString enc(const QString& value) {
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString tooLongText() {
    return QStringLiteral("Die Antwort ist zu lang: eBay nimmt höchstens 500 Zeichen. Bitte "
                          "kürzen Sie den Text.");
}

QString alreadyText() {
    return QStringLiteral("Auf diese Bewertung wurde schon geantwortet. Notenschau hat die "
                          "Antwort geladen.");
}

// The marketplace's refusal of what the member sent, or of the call.
ReplyOutcome refusal(const SellerAnswer& answer) {
    switch (answer.errorId) {
    case 501031:
        return {Kind::Automated,
                QStringLiteral("Auf automatisch erstellte Bewertungen kann nicht geantwortet "
                               "werden."),
                false,
                {}};
    case 501013:
        return {Kind::TextRefused, tooLongText(), true, {}};
    case 501014:
        return {Kind::TextRefused,
                QStringLiteral("eBay lehnt die Antwort ab: Web- und E-Mail-Adressen, "
                               "Telefonnummern und HTML sind darin nicht erlaubt. Bitte ändern "
                               "Sie den Text."),
                true,
                {}};
    case 501015:
        return {Kind::TextRefused,
                QStringLiteral("eBay lehnt die Antwort ab: Sie enthält Wörter, die eBay nicht "
                               "erlaubt. Bitte ändern Sie den Text."),
                true,
                {}};
    case 501028:
        return {Kind::TextRefused, textProblem({}), true, {}};
    default:
        return {Kind::TextRefused,
                QStringLiteral("eBay hat die Antwort abgelehnt (Fehler %1): %2")
                    .arg(answer.errorId ? answer.errorId : answer.status)
                    .arg(answer.message),
                true,
                {}};
    }
}

} // namespace

QString remainingText(qsizetype used) {
    const qsizetype left = kReplyLimit - used;
    if (left < 0)
        return QStringLiteral("%1 Zeichen zu viel").arg(-left);
    return QStringLiteral("Noch %1 Zeichen").arg(left);
}

QString textProblem(const QString& text) {
    if (text.trimmed().isEmpty())
        return QStringLiteral("Die Antwort ist leer. Bitte schreiben Sie eine Antwort.");
    if (text.size() > kReplyLimit)
        return tooLongText();
    return {};
}

ReplyOutcome callFailure(const SellerAnswer& answer) {
    if (answer.kind == SellerAnswer::Kind::NotSignedIn)
        return {Kind::NotSignedIn, answer.message, true, {}};
    const bool settings = answer.number == kFehlerZugangsdaten || answer.number == kFehlerAdresse ||
                          answer.number == kFehlerEinstellung;
    return {settings ? Kind::Failed : Kind::NoConnection,
            QStringLiteral("Die Antwort konnte nicht gesendet werden: %1").arg(answer.message),
            true,
            {}};
}

ReplyRun::ReplyRun(const app::Settings& settings, QObject* parent)
    : QObject(parent), m_settings(settings) {}

ReplyRun::~ReplyRun() = default;

void ReplyRun::start(const QString& feedbackId, const QString& text) {
    m_running = true;
    m_text = text;
    std::optional<store::ReplyTarget> target;
    try {
        target = store::ownRating(m_settings.username, feedbackId);
    } catch (const errors::RuntimeError& e) {
        return finish({Kind::Failed, e.description(), true, {}});
    }
    if (!target)
        return finish({Kind::UnknownRating,
                       QStringLiteral("Unter Ihren Bewertungen gibt es keine mit der Kennung "
                                      "\"%1\".")
                           .arg(feedbackId),
                       false,
                       {}});
    m_target = *target;
    if (m_target.placeholder() || m_target.hasReply())
        return finish({Kind::NotAnswerable,
                       m_target.placeholder()
                           ? QStringLiteral("Diese Bewertung hat eBay nicht geliefert; auf sie "
                                            "kann Notenschau nicht antworten.")
                           : QStringLiteral("Auf diese Bewertung wurde schon geantwortet."),
                       false, m_target.reply});
    if (const QString problem = textProblem(text); !problem.isEmpty())
        return finish({Kind::TextRefused, problem, true, {}});
    m_calls = std::make_unique<SellerCalls>(m_settings);
    const QJsonObject body{{"feedbackId", m_target.id},
                           {"recipientUserId", m_target.giver},
                           {"responseText", text},
                           {"responseType", "REPLY"}};
    m_calls->post(QLatin1String(kRespondPath), body,
                  [this](const SellerAnswer& answer) { answered(answer); });
}

void ReplyRun::answered(const SellerAnswer& answer) {
    if (answer.kind == SellerAnswer::Kind::Done)
        return finish(stored(Kind::Sent, {m_text, QStringLiteral("ENTERED")},
                             QStringLiteral("Die Antwort wurde gesendet.")));
    if (answer.kind != SellerAnswer::Kind::Refused)
        return finish(callFailure(answer));
    if (answer.errorId != 501032)
        return finish(refusal(answer));
    // Answered elsewhere, on the website or from another computer: the
    // marketplace has the reply the list lacks.
    const QString query =
        QStringLiteral("user_id=%1&feedback_type=FEEDBACK_RECEIVED&feedback_id=%2")
            .arg(enc(m_settings.username), enc(m_target.id));
    m_calls->get(QLatin1String(kEntriesPath), query,
                 [this](const SellerAnswer& again) { refetched(again); });
}

void ReplyRun::refetched(const SellerAnswer& answer) {
    const QString unread = QStringLiteral("Auf diese Bewertung wurde schon geantwortet. Die "
                                          "Antwort kommt mit der nächsten vollständigen "
                                          "Prüfung in die Liste.");
    if (answer.kind != SellerAnswer::Kind::Done)
        return finish({Kind::AlreadyReplied, unread, false, {}});
    const auto entries = feedbackJson::parseEntries(answer.body);
    if (entries)
        for (const auto& entry : entries->entries) {
            const store::FetchedRating rating = feedbackJson::parseRating(entry.toObject());
            if (rating.id == m_target.id && !rating.reply.text.isEmpty())
                return finish(
                    stored(Kind::AlreadyReplied,
                           {modHTML2Text::HTMLDecode(rating.reply.text), rating.reply.state},
                           alreadyText()));
        }
    finish({Kind::AlreadyReplied, unread, false, {}});
}

ReplyOutcome ReplyRun::stored(Kind kind, const store::RatingReply& reply, const QString& message) {
    const QString fault = store::storeReply(m_settings.username, m_target.id, reply);
    if (!fault.isEmpty())
        return {Kind::Failed,
                QStringLiteral("Die Antwort ist bei eBay, konnte aber nicht gespeichert werden: "
                               "%1 Sie kommt mit der nächsten vollständigen Prüfung in die Liste.")
                    .arg(fault),
                false,
                {}};
    return {kind, message, false, reply.text};
}

void ReplyRun::finish(const ReplyOutcome& outcome) {
    m_running = false;
    emit finished(outcome);
}

} // namespace retrieval
