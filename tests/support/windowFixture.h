#pragma once

#include "answerers.h"
#include "marktsimProcess.h"
#include "storeFixture.h"

#include <memory>
#include <QStringList>

namespace ui {
class frmAnzeige;
}

namespace testsupport {

// The main window against a simulator of its own on a fresh database, with
// short waits so that a refused or silent simulator ends a run quickly.
class WindowFixture {
protected:
    // Also forgets the tokens an earlier test left cached.
    bool startSim(const QStringList& arguments);
    // A folder with the simulator's [Marktplatz] section and marktplatzLines.
    void openStore(const QString& user, const QByteArray& marktplatzLines = {},
                   const QByteArray& sections = {},
                   const QByteArray& mainLines = "checkInet=False\n");
    // The window on openStore's folder, loaded as at the start.
    ui::frmAnzeige& openWindow(const QString& user, const QByteArray& marktplatzLines = {},
                               const QByteArray& sections = {},
                               const QByteArray& mainLines = "checkInet=False\n");
    // Every window unloaded, then the folder and the simulator gone.
    void closeAll();

    QString configFile() const { return store->folder().file(QStringLiteral("Bin/config.INI")); }
    int stat(const char* key) const;

    // The boxes shown, "style|text", against the expected ones, in which "*"
    // stands for any text, {CONFIG} for the configuration file, {DB} for the
    // database. Braced: a temporary folder's random name may hold "DB".
    void compareBoxes(const MessageBoxAnswerer& boxes, const QStringList& expected) const;

    std::unique_ptr<marktsim::SimProcess> sim;
    std::unique_ptr<StoreFixture> store;
};

// Triggers a menu entry and waits until the work it started is done.
void choose(ui::frmAnzeige& w, const char* key);

} // namespace testsupport
