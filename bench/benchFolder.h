#pragma once

// What the benchmarks of a run share: message boxes that say yes, and a
// program folder with a fresh database for one member of the simulator.
#include "app/modGlobal.h"
#include "app/msgBox.h"
#include "base/programFolder.h"
#include "store/modData.h"
#include "store/schema.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace benchsupport {

struct AlwaysYes : app::MessageBoxPresenter {
    int show(const app::MessageBoxRequest& r) override {
        return (r.style & 0x0F) == app::vbYesNo ? app::vbYes : app::vbOK;
    }
};

// marktplatzLines: more lines of the [Marktplatz] section.
struct Folder {
    QTemporaryDir dir;
    Folder(const QString& user, const QString& apiUrl, const QByteArray& marktplatzLines = {}) {
        const QString db = dir.filePath(QStringLiteral("noten.db"));
        store::createDatabase(db);
        QDir(dir.path()).mkpath(QStringLiteral("Bin"));
        QFile config(dir.filePath(QStringLiteral("Bin/config.INI")));
        config.open(QIODevice::WriteOnly);
        config.write("[Main]\nDatabase=" + db.toUtf8() + "\ncheckInet=False\n[User]\nUsername=" +
                     user.toUtf8() + "\n[Marktplatz]\nApiUrl=" + apiUrl.toUtf8() +
                     "\nClientId=notenschau\nClientSecret=geheim\n" + marktplatzLines);
        config.close();
        base::setProgramFolder(dir.path());
        modGlobal::resetGlobals();
        modData::InitDB();
    }
};

} // namespace benchsupport
