// notenschau-marktsim: the marketplace's feedback interface on 127.0.0.1, made
// from a seed, for the tests, the benchmarks and the demo.
#include "marketplace.h"
#include "server.h"

#include <cstdio>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

namespace {

constexpr char kDemoUser[] = "notenschau_demo";

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
    const QCommandLineOption port({"p", "port"}, "Port; 0 picks a free one.", "port", "0");
    const QCommandLineOption seed("seed", "Seed of the synthetic marketplace.", "n", "1");
    const QCommandLineOption member("member", "A member and its number of ratings.", "name:count");
    const QCommandLineOption reference(
        "reference", "Date of the newest generated rating (ISO 8601, UTC); default now.", "iso");
    const QCommandLineOption clientId("client-id", "Accepted client id.", "id", "notenschau");
    const QCommandLineOption clientSecret("client-secret", "Accepted client secret.", "secret",
                                          "geheim");
    const QCommandLineOption refresh(
        "refresh-token", "Accepted refresh token and the member it belongs to.", "token:member");
    const QCommandLineOption lifetime("token-lifetime", "Seconds a token lives.", "s", "7200");
    const QCommandLineOption periodKey(
        "summary-period-key",
        "Name of the summary's period filter (lookbackPeriodInDays or period).", "key",
        "lookbackPeriodInDays");
    const QCommandLineOption demo(
        "demo", QStringLiteral("Demo marketplace: %1 with 1234 ratings and a few other members, "
                               "new ratings every --demo-interval seconds.")
                    .arg(kDemoUser));
    const QCommandLineOption demoInterval("demo-interval", "Seconds between new demo ratings.", "s",
                                          "60");
    const QCommandLineOption grow("grow", "Add one rating to a member every so many seconds.",
                                  "name:seconds");
    parser.addOptions({port, seed, member, reference, clientId, clientSecret, refresh, lifetime,
                       periodKey, demo, demoInterval, grow});
    parser.process(app);

    qint64 referenceMs = QDateTime::currentMSecsSinceEpoch();
    if (parser.isSet(reference)) {
        const QDateTime when = QDateTime::fromString(parser.value(reference), Qt::ISODate);
        if (!when.isValid())
            return fail(QStringLiteral("--reference: not an ISO 8601 date"));
        referenceMs = when.toMSecsSinceEpoch();
    }
    bool ok = false;
    const quint64 seedValue = parser.value(seed).toULongLong(&ok);
    if (!ok)
        return fail(QStringLiteral("--seed: not a number"));
    marktsim::Marketplace market(seedValue, referenceMs);

    marktsim::ServerOptions options;
    options.clientId = parser.value(clientId);
    options.clientSecret = parser.value(clientSecret);
    options.tokenLifetimeS = parser.value(lifetime).toLongLong(&ok);
    if (!ok || options.tokenLifetimeS < 1)
        return fail(QStringLiteral("--token-lifetime: not a positive number"));
    options.summaryPeriodKey = parser.value(periodKey);

    QList<QPair<QString, int>> growing;
    if (parser.isSet(demo)) {
        market.setMember(kDemoUser, 1234);
        market.setMember(QStringLiteral("fremder_haendler"), 5000);
        market.setMember(QStringLiteral("kleiner_laden"), 48);
        market.setMember(QStringLiteral("grosshandel_xl"), 250000);
        market.setMember(QStringLiteral("neu_dabei"), 0);
        options.refreshToken = QStringLiteral("demo-refresh-token");
        options.refreshTokenMember = kDemoUser;
        growing.append({kDemoUser, parser.value(demoInterval).toInt()});
    }
    for (const QString& value : parser.values(member)) {
        const qsizetype colon = value.lastIndexOf(u':');
        const qint64 count = colon > 0 ? value.mid(colon + 1).toLongLong(&ok) : 0;
        if (colon <= 0 || !ok || count < 0 || count > 10'000'000)
            return fail(QStringLiteral("--member: expected name:count, got %1").arg(value));
        market.setMember(value.left(colon), count);
    }
    if (parser.isSet(refresh)) {
        const QString value = parser.value(refresh);
        const qsizetype colon = value.lastIndexOf(u':');
        if (colon <= 0)
            return fail(QStringLiteral("--refresh-token: expected token:member"));
        options.refreshToken = value.left(colon);
        options.refreshTokenMember = value.mid(colon + 1);
    }
    for (const QString& value : parser.values(grow)) {
        const qsizetype colon = value.lastIndexOf(u':');
        const int seconds = colon > 0 ? value.mid(colon + 1).toInt(&ok) : 0;
        if (colon <= 0 || !ok || seconds < 1)
            return fail(QStringLiteral("--grow: expected name:seconds, got %1").arg(value));
        growing.append({value.left(colon), seconds});
    }

    marktsim::Server server(&market, options, referenceMs);
    const uint portValue = parser.value(port).toUInt(&ok);
    if (!ok || portValue > 65535)
        return fail(QStringLiteral("--port: not a port number"));
    if (!server.listen(quint16(portValue)))
        return fail(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(portValue));

    for (const auto& [name, seconds] : growing) {
        if (seconds < 1 || !market.hasMember(name))
            continue;
        auto* timer = new QTimer(&app);
        QObject::connect(timer, &QTimer::timeout, &app, [&market, &server, name = name] {
            market.addGenerated(name, 1, server.nowMs());
        });
        timer->start(seconds * 1000);
    }

    // Scripts and tests read the port from this first line.
    std::printf("PORT %u\n", unsigned(server.port()));
    std::fflush(stdout);
    if (parser.isSet(demo)) {
        std::fprintf(stderr,
                     "Demo-Marktplatz auf http://127.0.0.1:%u\n"
                     "In Bin/config.INI eintragen:\n"
                     "  [User]\n  Username=%s\n"
                     "  [Marktplatz]\n  ApiUrl=http://127.0.0.1:%u\n  ClientId=%s\n"
                     "  ClientSecret=%s\n  RefreshToken=%s\n",
                     unsigned(server.port()), kDemoUser, unsigned(server.port()),
                     qPrintable(options.clientId), qPrintable(options.clientSecret),
                     qPrintable(options.refreshToken));
    }
    return app.exec();
}
