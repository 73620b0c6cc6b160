#include "store/modData.h"

#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/msgBox.h"
#include "base/clock.h"
#include "base/dateText.h"
#include "errors/errPtnr.h"
#include "errors/procedure.h"
#include "store/batch.h"
#include "store/connection.h"
#include "store/dataAccess.h"
#include "store/modHTML2Text.h"
#include "store/ratingState.h"
#include "store/schema.h"
#include "store/sqlTexts.h"

#include <cmath>

namespace modData {

using namespace store::sql;

namespace {

using errors::Handling;
using errors::Procedure;
using store::Connection;
using store::countOf;
using store::openConnection;
using store::runWrite;
using store::writeConnection;

std::function<void(const store::OpenFailure&)>& openFailureReport() {
    static std::function<void(const store::OpenFailure&)> report;
    return report;
}

// The program ends before any dialog could record why: a plain entry in the
// error protocol log, in the protocol's layout.
void logOpenFailure(const store::OpenFailure& failure) {
    const QString separator(70, QLatin1Char('-'));
    const QString indent(10, QLatin1Char(' '));
    const QStringList lines{
        separator,
        QStringLiteral("DATENBANK NICHT ERREICHBAR"),
        indent + QStringLiteral("Datum/Uhrzeit:\t") +
            base::Clock::now().toString(QStringLiteral("MM-dd-yyyy / hh:mm:ss")),
        indent + QStringLiteral("Datei:\t") + failure.path,
        indent + QStringLiteral("Ursache:\t") + failure.causeText(),
        separator};
    errors::protocolFiles::appendToLog(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"),
                                       nullptr);
}

// A count, a profile number: a whole or decimal number as text, as it would
// have stood in the statement unquoted. Anything else fails the write.
QVariant numberOf(const QString& text) {
    const QString s = text.trimmed();
    bool ok = false;
    const qint64 whole = s.toLongLong(&ok);
    if (ok)
        return QVariant::fromValue(whole);
    const double d = s.toDouble(&ok);
    if (ok && std::isfinite(d) && !s.contains(QLatin1Char(',')))
        return d;
    errors::raise(errors::RuntimeError::TypeMismatch);
}

void bindNumber(store::Statement& s, int index, const QVariant& v) {
    if (v.typeId() == QMetaType::Double)
        s.bind(index, v.toDouble());
    else
        s.bind(index, v.toLongLong());
}

bool saveRating(Procedure& p, Table table, qint16 Bewertungszahl, const QString& Bewertungstext,
                const QString& KV, const QString& Datum, const QString& EbayUser,
                const QString& Artikel, const QString& sUser, const QString& FeedbackID) {
    bool result = false;
    QString text, date, user;
    p.step([&] { text = modHTML2Text::HTMLDecode(Bewertungstext); });
    p.step([&] {
        date = toDate(Datum);
        // Never a wrong date: a date toDate could not read fails the write.
        if (!base::isStoredDate(date))
            errors::raise(errors::RuntimeError::TypeMismatch);
    });
    p.step([&] { user = modHTML2Text::HTMLDecode(EbayUser); });
    p.step([&] {
        Connection& c = writeConnection();
        auto q = c.cached(queries(table).insert);
        q->bind(1, qint64(Bewertungszahl)).bind(2, text).bind(3, KV).bind(4, date);
        q->bind(5, user).bind(6, Artikel).bind(7, sUser);
        if (FeedbackID.isEmpty())
            q->bindNull(8);
        else
            q->bind(8, FeedbackID);
        runWrite(c, *q);
    });
    p.step([&] { result = true; });
    return result;
}

} // namespace

// ------------------------------------------------------------------- opening

void InitDB(store::Access access) {
    Procedure p("[modData] Public Sub InitDB()", Handling::PassOn);
    const QByteArray password = store::databasePassword();
    // A configuration error goes to the caller's handler.
    p.step([] { modini::fnGetPfadeFaktorFromINI(); });
    if (!p.active())
        return;
    store::OpenFailure failure{store::OpenCause::Other, modGlobal::sDatenbankPfad, {}};
    try {
        modGlobal::cnDB.reset();
        modGlobal::cnDB = store::Connection::open(modGlobal::sDatenbankPfad, password, access);
        return;
    } catch (const store::OpenError& e) {
        failure = e.failure();
    } catch (const std::exception& e) {
        failure.detail = QString::fromLocal8Bit(e.what());
    }
    logOpenFailure(failure);
    app::MsgBox(QStringLiteral(" Die Datenbank ist zur Zeit nicht erreichbar."),
                app::vbOKOnly | app::vbCritical);
    if (openFailureReport())
        openFailureReport()(failure);
    errors::ErrPtnr::instance().endProgram();
}

void setOpenFailureReport(std::function<void(const store::OpenFailure&)> report) {
    openFailureReport() = std::move(report);
}

QString funcCheckNull(const QVariant& vWert) {
    Procedure p("[modData] Public Function funcCheckNull(vWert As Variant) As String");
    QString result;
    p.step([&] {
        if (vWert.isNull())
            result = QString();
        else if (vWert.typeId() == QMetaType::Double)
            // as a German system writes a decimal number
            result = QString::number(vWert.toDouble(), 'g', 15)
                         .replace(QLatin1Char('.'), QLatin1Char(','));
        else
            result = vWert.toString();
    });
    return result;
}

// --------------------------------------------------------------------- reads

qint32 read_Anzahl(const QString& sUser) {
    Procedure p("[modData] Public Function read_Anzahl(sUser As String) As Long");
    qint32 result = 0;
    p.step([&] { result = qint32(countOf(kOwn.count, sUser)); });
    return result;
}

qint32 read_AnzahlTemp(const QString& sUser) {
    Procedure p("[modData] Public Function read_AnzahlTemp(sUser As String) As Long");
    qint32 result = 0;
    p.step([&] { result = qint32(countOf(kTemp.count, sUser)); });
    return result;
}

bool read_UserTemp(const QString& sUser) {
    Procedure p("[modData] Public Function read_UserTemp(sUser As String) As Boolean");
    bool result = false;
    p.step([&] { result = countOf(kTemp.count, sUser) != 0; });
    return result;
}

qint32 read_BewertungenPosZahl(const QString& sUser, qint32 Bewertungszahl,
                               const QString& Database) {
    Procedure p("[modData] Public Function read_BewertungenPosZahl(sUser As String, Bewertungszahl "
                "As Long, Database As String) As Long");
    qint32 result = 0;
    p.step([&] {
        // The table name is chosen from the two known ones, never taken as SQL.
        const char* sql = nullptr;
        if (Database.compare(QLatin1String("Bewertungeneigen"), Qt::CaseInsensitive) == 0)
            sql = kOwn.countKind;
        else if (Database.compare(QLatin1String("BewertungenTemp"), Qt::CaseInsensitive) == 0)
            sql = kTemp.countKind;
        else
            throw errors::RuntimeError(store::kProviderError,
                                       QStringLiteral("Unbekannte Tabelle: ") + Database);
        result = qint32(countOf(sql, sUser, qint64(Bewertungszahl)));
    });
    return result;
}

Collection<QString> read_AllUserTemp() {
    Procedure p("[modData] Public Function read_AllUserTemp() As Collection");
    Collection<QString> result;
    QStringList users;
    p.step([&] {
        auto q = openConnection().cached(kAllUserTemp);
        while (q->next())
            users << funcCheckNull(q->value(0));
    });
    p.step([&] { result = Collection<QString>(users); });
    return result;
}

Collection<QString> read_UebersichtBewertungen(const QString& sUser) {
    Procedure p(
        "[modData] Public Function read_UebersichtBewertungen(sUser As String) As Collection");
    Collection<QString> result;
    QStringList values;
    p.step([&] {
        auto q = openConnection().cached(kOverview);
        q->bind(1, sUser);
        if (q->next()) {
            for (int i = 0; i < 12; ++i)
                values << funcCheckNull(q->value(i));
            values << (q->isNull(12) ? QString() : base::shownDate(q->text(12)));
        }
    });
    p.step([&] {
        values << QStringLiteral("nix");
        result = Collection<QString>(values);
    });
    return result;
}

// -------------------------------------------------------------------- writes

bool save_Bewerungen(qint16 Bewertungszahl, const QString& Bewertungstext, const QString& KV,
                     const QString& Datum, const QString& EbayUser, const QString& Artikel,
                     const QString& sUser, qint32 sz, const QString& FeedbackID) {
    Procedure p("[modData] Public Function save_Bewerungen(Bewertungszahl As Integer, "
                "Bewertungstext As String, KV As String, Datum As String, EbayUser As String, "
                "Artikel As String, sUser As String, sz As Long) As Boolean",
                Handling::LeaveSilently);
    Q_UNUSED(sz);
    return saveRating(p, Table::Own, Bewertungszahl, Bewertungstext, KV, Datum, EbayUser, Artikel,
                      sUser, FeedbackID);
}

bool save_BewertungenTemp(qint16 Bewertungszahl, const QString& Bewertungstext, const QString& KV,
                          const QString& Datum, const QString& EbayUser, QString& Artikel,
                          const QString& sUser, qint32 sz, const QString& FeedbackID) {
    Procedure p("[modData] Public Function save_BewertungenTemp(Bewertungszahl As Integer, "
                "Bewertungstext As String, KV As String, Datum As String, EbayUser As String, "
                "Artikel As String, sUser As String, sz As Long) As Boolean",
                Handling::LeaveSilently);
    Q_UNUSED(sz);
    p.step([&] {
        if (Artikel.isEmpty())
            Artikel = QStringLiteral("???");
    });
    return saveRating(p, Table::Temp, Bewertungszahl, Bewertungstext, KV, Datum, EbayUser, Artikel,
                      sUser, FeedbackID);
}

bool save_UebersichtBewertungen(const QStringList& Uebersicht, qint32 Gesamt,
                                const QString& sUser) {
    Procedure p("[modData] Public Function save_UebersichtBewertungen(Uebersicht As Collection, "
                "Gesamt As Long, sUser As String) As Boolean",
                Handling::LeaveSilently);
    bool result = false;
    QVariantList numbers;
    QString prozent, date;
    const auto element = [&](int i) -> const QString& {
        if (i < 1 || i > Uebersicht.size())
            errors::raise(errors::RuntimeError::SubscriptOutOfRange);
        return Uebersicht.at(i - 1);
    };
    p.step([&] {
        for (int i = 1; i <= 9; ++i)
            numbers << numberOf(element(i));
    });
    p.step([&] { numbers << QVariant::fromValue(qint64(Gesamt)) << numberOf(element(10)); });
    p.step([&] {
        QString copy = element(11); // the caller's collection stays as it is
        prozent = checknull(copy);
    });
    p.step([&] {
        date = toDate(base::Clock::now().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")));
        if (!base::isStoredDate(date))
            errors::raise(errors::RuntimeError::TypeMismatch);
    });
    p.step([&] {
        Connection& c = writeConnection();
        auto q = c.cached(kInsertOverview);
        for (int i = 0; i < numbers.size(); ++i)
            bindNumber(*q, i + 1, numbers.at(i));
        q->bind(12, prozent).bind(13, date).bind(14, sUser);
        runWrite(c, *q);
    });
    p.step([&] { result = true; });
    return result;
}

// ------------------------------------------------------- fetched ratings

QHash<QString, bool> knownRatings(Table table, const QString& member,
                                  const std::vector<store::FetchedRating>& page) {
    QHash<QString, bool> known;
    auto q = openConnection().cached(queries(table).known);
    for (const store::FetchedRating& r : page) {
        q->reset();
        q->bind(1, member).bind(2, r.id);
        if (q->next())
            known.insert(r.id, q->int64(0) != 0);
    }
    return known;
}

MemberCounts countsOf(Table table, const QString& member) {
    MemberCounts counts;
    counts.real = qint32(countOf(queries(table).realCount, member)) -
                  store::notCounted(table, member).unlisted;
    if (table == Table::Own)
        counts.placeholders = qint32(countOf(kPlaceholderCount, member));
    return counts;
}

// ------------------------------------------------------------ text and dates

QString toDate(const QString& Datum) {
    Procedure p("[modData] Public Function toDate(Datum As String) As String");
    QString result;
    std::optional<base::DateTimeText> parsed;
    const auto value = [&]() -> const base::DateTimeText& {
        if (!parsed) {
            parsed = base::parseLocalDateTime(Datum);
            if (!parsed)
                errors::raise(errors::RuntimeError::TypeMismatch);
        }
        return *parsed;
    };
    // Built piece by piece: a left toDate returns the pieces made so far.
    p.step([&] { result = base::datePart(value(), 'y'); });
    p.step([&] { result += QLatin1Char('-') + base::datePart(value(), 'm'); });
    p.step([&] { result += QLatin1Char('-') + base::datePart(value(), 'd'); });
    p.step([&] { result += QLatin1Char(' ') + base::datePart(value(), 't'); });
    return result;
}

QString checknull(QString& Text) {
    Procedure p("[modData] Public Function checknull(Text As String) As String");
    QString result;
    p.step([&] {
        if (Text == QLatin1String("Alle erhaltenen Bewertungen"))
            Text = QStringLiteral("-");
        result = Text;
    });
    return result;
}

} // namespace modData
