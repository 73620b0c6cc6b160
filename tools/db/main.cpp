// notenschau-db create PATH
//   Makes an empty, encrypted feedback database at PATH (tables, indexes and
//   schema version in one transaction). An existing file is never touched.
#include "errors/runtimeError.h"
#include "store/schema.h"

#include <cstdio>
#include <QCoreApplication>
#include <QStringList>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3 || args.at(1) != QLatin1String("create")) {
        std::fprintf(stderr, "Aufruf: notenschau-db create PFAD\n");
        return 2;
    }
    try {
        store::createDatabase(args.at(2));
    } catch (const errors::RuntimeError& e) {
        std::fprintf(stderr, "notenschau-db: %s\n", qUtf8Printable(e.description()));
        return 1;
    }
    std::printf("Datenbank angelegt: %s\n", qUtf8Printable(args.at(2)));
    return 0;
}
