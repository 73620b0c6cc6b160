// notenschau-marktsim: the marketplace's feedback interface on 127.0.0.1, made
// from a seed, for the tests, the benchmarks and the demo.
#include "marketplace.h"
#include "server.h"

#include <cstdio>
#include <optional>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>
#include <variant>

namespace {

constexpr char kDemoUser[] = "notenschau_demo";

// What the command line asks for.
struct Setup {
    quint64 seed = 1;
    qint64 referenceMs = 0;
    quint16 port = 0;
    bool demo = false;
    marktsim::ServerOptions options;
    QList<QPair<QString, qint64>> members;
    QList<QPair<QString, int>> growing; // member, seconds between new ratings
};

struct Options {
    QCommandLineOption port{{"p", "port"}, "Port; 0 picks a free one.", "port", "0"};
    QCommandLineOption seed{"seed", "Seed of the synthetic marketplace.", "n", "1"};
    QCommandLineOption member{"member", "A member and its number of ratings.", "name:count"};
    QCommandLineOption reference{
        "reference", "Date of the newest generated rating (ISO 8601, UTC); default now.", "iso"};
    QCommandLineOption clientId{"client-id", "Accepted client id.", "id", "notenschau"};
    QCommandLineOption clientSecret{"client-secret", "Accepted client secret.", "secret", "geheim"};
    QCommandLineOption refresh{
        "refresh-token", "Accepted refresh token and the member it belongs to.", "token:member"};
    QCommandLineOption lifetime{"token-lifetime", "Seconds a token lives.", "s", "7200"};
    QCommandLineOption refreshLifetime{"refresh-token-lifetime",
                                       "Seconds a refresh token lives (default 18 months).", "s",
                                       "47304000"};
    QCommandLineOption ruName{"runame", "The application's redirect name (RuName).", "name",
                              marktsim::ServerOptions().ruName};
    QCommandLineOption periodKey{
        "summary-period-key",
        "Name of the summary's period filter (lookbackPeriodInDays or period).", "key",
        "lookbackPeriodInDays"};
    QCommandLineOption demo{
        "demo", QStringLiteral("Demo marketplace: %1 with 1234 ratings and a few other members, "
                               "new ratings every --demo-interval seconds.")
                    .arg(kDemoUser)};
    QCommandLineOption demoInterval{"demo-interval", "Seconds between new demo ratings.", "s",
                                    "60"};
    QCommandLineOption grow{"grow", "Add one rating to a member every so many seconds.",
                            "name:seconds"};

    void addTo(QCommandLineParser& parser) const {
        parser.addOptions({port, seed, member, reference, clientId, clientSecret, refresh, lifetime,
                           refreshLifetime, ruName, periodKey, demo, demoInterval, grow});
    }
};

// "name:value" with a name before the last colon.
std::optional<QPair<QString, QString>> namedValue(const QString& value) {
    const qsizetype colon = value.lastIndexOf(u':');
    if (colon <= 0)
        return std::nullopt;
    return QPair{value.left(colon), value.mid(colon + 1)};
}

std::optional<QString> readMembers(const QCommandLineParser& parser, const Options& o,
                                   Setup& setup) {
    bool ok = false;
    for (const QString& value : parser.values(o.member)) {
        const auto named = namedValue(value);
        const qint64 count = named ? named->second.toLongLong(&ok) : 0;
        if (!named || !ok || count < 0 || count > 10'000'000)
            return QStringLiteral("--member: expected name:count, got %1").arg(value);
        setup.members.append({named->first, count});
    }
    for (const QString& value : parser.values(o.grow)) {
        const auto named = namedValue(value);
        const int seconds = named ? named->second.toInt(&ok) : 0;
        if (!named || !ok || seconds < 1)
            return QStringLiteral("--grow: expected name:seconds, got %1").arg(value);
        setup.growing.append({named->first, seconds});
    }
    if (parser.isSet(o.refresh)) {
        const auto named = namedValue(parser.value(o.refresh));
        if (!named)
            return QStringLiteral("--refresh-token: expected token:member");
        setup.options.refreshToken = named->first;
        setup.options.refreshTokenMember = named->second;
    }
    return std::nullopt;
}

std::variant<Setup, QString> readSetup(const QCommandLineParser& parser, const Options& o) {
    Setup setup;
    setup.referenceMs = QDateTime::currentMSecsSinceEpoch();
    if (parser.isSet(o.reference)) {
        const QDateTime when = QDateTime::fromString(parser.value(o.reference), Qt::ISODate);
        if (!when.isValid())
            return QStringLiteral("--reference: not an ISO 8601 date");
        setup.referenceMs = when.toMSecsSinceEpoch();
    }
    bool ok = false;
    setup.seed = parser.value(o.seed).toULongLong(&ok);
    if (!ok)
        return QStringLiteral("--seed: not a number");
    setup.options.clientId = parser.value(o.clientId);
    setup.options.clientSecret = parser.value(o.clientSecret);
    setup.options.tokenLifetimeS = parser.value(o.lifetime).toLongLong(&ok);
    if (!ok || setup.options.tokenLifetimeS < 1)
        return QStringLiteral("--token-lifetime: not a positive number");
    setup.options.refreshTokenLifetimeS = parser.value(o.refreshLifetime).toLongLong(&ok);
    if (!ok || setup.options.refreshTokenLifetimeS < 1)
        return QStringLiteral("--refresh-token-lifetime: not a positive number");
    setup.options.ruName = parser.value(o.ruName);
    setup.options.summaryPeriodKey = parser.value(o.periodKey);
    const uint port = parser.value(o.port).toUInt(&ok);
    if (!ok || port > 65535)
        return QStringLiteral("--port: not a port number");
    setup.port = quint16(port);
    setup.demo = parser.isSet(o.demo);
    if (setup.demo) {
        setup.members = {{kDemoUser, 1234},
                         {QStringLiteral("fremder_haendler"), 5000},
                         {QStringLiteral("kleiner_laden"), 48},
                         {QStringLiteral("grosshandel_xl"), 250000},
                         {QStringLiteral("neu_dabei"), 0}};
        setup.options.refreshToken = QStringLiteral("demo-refresh-token");
        setup.options.refreshTokenMember = kDemoUser;
        setup.growing.append({kDemoUser, parser.value(o.demoInterval).toInt()});
    }
    if (auto error = readMembers(parser, o, setup))
        return *error;
    return setup;
}

void startGrowing(QCoreApplication& app, const Setup& setup, marktsim::Marketplace& market,
                  const marktsim::Server& server) {
    for (const auto& [name, seconds] : setup.growing) {
        if (seconds < 1 || !market.hasMember(name))
            continue;
        auto* timer = new QTimer(&app);
        QObject::connect(timer, &QTimer::timeout, &app, [&market, &server, name = name] {
            market.addGenerated(name, 1, server.nowMs());
        });
        timer->start(seconds * 1000);
    }
}

// The demo member's replies, a follow-up, an automated rating and twelve
// sales still to rate.
void seedDemoWork(marktsim::Marketplace& market, qint64 referenceMs) {
    constexpr qint64 kDayMs = 24LL * 3600 * 1000;
    const struct {
        int index;
        const char* reply;
        const char* followup;
    } answered[] = {
        {1, "Vielen Dank für den netten Kauf!", nullptr},
        {3, "Schade, dass es so lange gedauert hat – der Versanddienst hatte Verspätung.", nullptr},
        {7, "Das Paket ist laut Sendungsverfolgung zugestellt worden. Bitte melden Sie sich.",
         "Paket war beim Nachbarn, alles gut. Danke für die schnelle Antwort!"},
        {12, "Danke, gerne wieder!", nullptr},
    };
    for (const auto& a : answered) {
        const marktsim::Rating r = market.at(kDemoUser, a.index);
        marktsim::Responses responses;
        responses.reply = marktsim::Remark{QString::fromUtf8(a.reply), r.dateMs + kDayMs};
        if (a.followup)
            responses.followup =
                marktsim::Remark{QString::fromUtf8(a.followup), r.dateMs + 2 * kDayMs};
        market.setResponses(kDemoUser, r.id, responses);
    }
    market.setAutomated(kDemoUser, market.at(kDemoUser, 20).id);
    market.addAwaiting(kDemoUser, 12, true, referenceMs);
}

void printDemoHint(const marktsim::ServerOptions& options, unsigned port) {
    std::fprintf(stderr,
                 "Demo-Marktplatz auf http://127.0.0.1:%u\n"
                 "In Bin/config.INI eintragen:\n"
                 "  [User]\n  Username=%s\n"
                 "  [Marktplatz]\n  ApiUrl=http://127.0.0.1:%u\n  ClientId=%s\n"
                 "  ClientSecret=%s\n  RefreshToken=%s\n",
                 port, kDemoUser, port, qPrintable(options.clientId),
                 qPrintable(options.clientSecret), qPrintable(options.refreshToken));
}

int fail(const QString& message) {
    std::fprintf(stderr, "notenschau-marktsim: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("notenschau-marktsim"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated marketplace feedback interface on 127.0.0.1 (tests, benchmarks, demo)."));
    parser.addHelpOption();
    const Options options;
    options.addTo(parser);
    parser.process(app);
    auto read = readSetup(parser, options);
    if (const QString* error = std::get_if<QString>(&read))
        return fail(*error);
    const Setup& setup = std::get<Setup>(read);

    marktsim::Marketplace market(setup.seed, setup.referenceMs);
    for (const auto& [name, count] : setup.members)
        market.setMember(name, count);
    if (setup.demo)
        seedDemoWork(market, setup.referenceMs);
    marktsim::Server server(&market, setup.options, setup.referenceMs);
    if (!server.listen(setup.port))
        return fail(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(setup.port));
    startGrowing(app, setup, market, server);

    // Scripts and tests read the port from this first line.
    std::printf("PORT %u\n", unsigned(server.port()));
    std::fflush(stdout);
    if (setup.demo)
        printDemoHint(setup.options, unsigned(server.port()));
    return app.exec();
}
