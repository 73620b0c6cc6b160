// Stores 10,000 fetched lines the way the check command does, so that a test
// can kill it in the middle. Arguments: program folder, run number.
#include "app/modGlobal.h"
#include "base/programFolder.h"
#include "errors/procedure.h"
#include "store/lineStoring.h"
#include "store/modData.h"

#include <cstdio>
#include <QCoreApplication>
#include <QDateTime>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    app::setProgramFolder(QString::fromLocal8Bit(argv[1]));
    const int run = std::atoi(argv[2]);
    modData::InitDB();
    const QDateTime newest(QDate(2026, 11, 1), QTime(12, 0));
    for (int i = 0; i < 10000; ++i)
        modGlobal::colNeueBewertungen
            << QStringLiteral("1#//#Sehr gut &amp; schnell#//#V#//#%1#//#k%2#//#%3#//#r%4-%2")
                   .arg(newest.addSecs(-60LL * (i + run * 10000)).toString("dd.MM.yyyy hh:mm"))
                   .arg(i)
                   .arg(100000000000LL + i)
                   .arg(run);
    std::printf("START\n");
    std::fflush(stdout);
    errors::Procedure p("[frmAnzeige] Private Sub Command7_Click()");
    const bool stored = lineStoring::storeOwn(p, {});
    std::printf(stored ? "DONE\n" : "FAILED\n");
    std::fflush(stdout);
    return stored ? 0 : 1;
}
