#include "app/modini.h"

#include "app/modGlobal.h"
#include "app/profileFile.h"
#include "base/programFolder.h"
#include "errors/procedure.h"
#include "errors/runtimeError.h"

namespace modini {

app::Settings& settings() {
    static app::Settings current;
    return current;
}

MarktplatzSettings& marktplatz() {
    return settings().marktplatz;
}

QString configPath() {
    return base::inProgramFolder(QStringLiteral("Bin/config.INI"));
}

QString missingStandardUser() {
    if (!modGlobal::sStandardUser.trimmed().isEmpty())
        return {};
    return QStringLiteral("In %1 fehlt der Mitgliedsname: [User] Username=").arg(configPath());
}

namespace {

void publish(const app::Settings& s) {
    settings() = s;
    modGlobal::sDatenbankPfad = s.database;
    modGlobal::sStandardUser = s.username;
    modGlobal::bCheckInet = s.checkInet;
    modGlobal::sPlattform = s.plattform;
    modGlobal::sFeedbackURL = s.urls.feedback;
    modGlobal::sArtikelURL = s.urls.article;
    modGlobal::bKuntaBrowser = s.kuntaBrowser;
}

} // namespace

void fnGetPfadeFaktorFromINI() {
    errors::Procedure p("[modini] Public Sub fnGetPfadeFaktorFromINI()", errors::Handling::PassOn);
    p.setPassOnSource("ini::fnGetPfadeFaktorFromINI ");

    app::ProfileFile ini;
    app::ApplicationKeys application;
    p.step([&] {
        ini = app::ProfileFile::load(configPath());
        application = app::readApplicationKeys(
            app::ProfileFile::load(app::applicationKeysPath(app::configuredKeysFile(ini))));
    });
    p.step([&] {
        app::SettingsRead read =
            app::readSettings(ini, app::Deployment::current(), base::programFolder(), application);
        read.settings.file = configPath();
        publish(read.settings);
        if (!read.badKey.isEmpty())
            errors::raise(errors::RuntimeError::TypeMismatch);
    });
}

} // namespace modini
