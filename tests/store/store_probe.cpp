// A child process for the tests that end a process. It opens the database
// named in FOLDER's config.INI and prints "OPEN" when it could; then
//   store_probe batch FOLDER N TAG   stores N ratings in one batch with
//                                    feedback ids TAG-1 ... TAG-N
//   store_probe hold FOLDER          keeps the file open until killed
#include "base/programFolder.h"
#include "store/modData.h"
#include "store/ratingStoring.h"

#include <cstdio>
#include <QCoreApplication>
#include <QDateTime>
#include <QThread>

namespace {

void say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3)
        return 2;
    base::setProgramFolder(args.at(2));
    modData::InitDB();
    say("OPEN");
    if (args.at(1) == QLatin1String("hold"))
        QThread::sleep(3600);
    if (args.at(1) != QLatin1String("batch") || args.size() < 5)
        return 0;
    const int n = args.at(3).toInt();
    const QString tag = args.at(4);
    // Stored the way a load run's ratings are.
    const QDateTime start(QDate(2010, 1, 1), QTime(0, 0), Qt::UTC);
    std::vector<store::FetchedRating> ratings;
    for (int i = 1; i <= n; ++i)
        ratings.push_back({tag + QLatin1Char('-') + QString::number(i), feedback::kPositive,
                           QStringLiteral("Bewertung Nummer ") + QString::number(i), "KV",
                           start.addSecs(qint64(i) * 60).toLocalTime(), "Kaeufer", "4711"});
    const store::StoreReport report =
        store::storeFetched(modData::Table::Own, QStringLiteral("ich"), ratings,
                            store::StoreMode::Add, 0, [](qint32 i) {
                                if (i == 1)
                                    say("BEGIN");
                            });
    if (report.ok)
        say("COMMITTED");
    return 0;
}
