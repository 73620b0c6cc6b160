#include "app/modini.h"

#include "app/marketplaceUrls.h"
#include "app/modGlobal.h"
#include "app/profileFile.h"
#include "app/vbConvert.h"
#include "base/programFolder.h"
#include "errors/procedure.h"

#include <QDir>
#include <QUrl>

namespace modini {

MarktplatzSettings& marktplatz() {
    static MarktplatzSettings settings;
    return settings;
}

QString configPath() {
    return base::inProgramFolder(QStringLiteral("Bin/config.INI"));
}

QString missingStandardUser() {
    if (!modGlobal::sStandardUser.trimmed().isEmpty())
        return {};
    return QStringLiteral("In %1 fehlt der Mitgliedsname: [User] Username=").arg(configPath());
}

void fnGetPfadeFaktorFromINI() {
    errors::Procedure p("[modini] Public Sub fnGetPfadeFaktorFromINI()", errors::Handling::PassOn);
    p.setPassOnSource("ini::fnGetPfadeFaktorFromINI ");

    app::ProfileFile ini;
    const app::Deployment deployment = app::Deployment::current();
    p.step([&] { ini = app::ProfileFile::load(configPath()); });
    p.step([&] {
        modGlobal::sDatenbankPfad =
            ini.value(QStringLiteral("Main"), QStringLiteral("Database"), {});
        // A timer starts the program from anywhere: a relative path means the
        // program folder, not the current one.
        if (!modGlobal::sDatenbankPfad.isEmpty() && QDir::isRelativePath(modGlobal::sDatenbankPfad))
            modGlobal::sDatenbankPfad =
                QDir(base::programFolder()).absoluteFilePath(modGlobal::sDatenbankPfad);
    });
    p.step([&] {
        modGlobal::sStandardUser =
            ini.value(QStringLiteral("User"), QStringLiteral("Username"), {});
    });
    p.step([&] {
        modGlobal::bCheckInet = app::CBool(
            ini.value(QStringLiteral("Main"), QStringLiteral("checkInet"), QStringLiteral("True")));
    });
    p.step([&] {
        modGlobal::sPlattform = ini.value(QStringLiteral("Main"), QStringLiteral("Plattform"),
                                          deployment.defaultDomain);
        // An empty value would strip the domain out of both hosts.
        if (modGlobal::sPlattform.trimmed().isEmpty())
            modGlobal::sPlattform = deployment.defaultDomain;
    });
    p.step([&] {
        const app::MarketplaceUrls urls =
            app::buildMarketplaceUrls(deployment, modGlobal::sPlattform);
        modGlobal::sFeedbackURL = urls.feedback;
        modGlobal::sArtikelURL = urls.article;
    });
    p.step([&] {
        modGlobal::bKuntaBrowser = app::CBool(ini.value(
            QStringLiteral("Main"), QStringLiteral("KuntaBrowser"), QStringLiteral("True")));
    });
    p.step([&] {
        const QString section = QStringLiteral("Marktplatz");
        const MarktplatzSettings defaults;
        MarktplatzSettings& m = marktplatz();
        m.apiUrl = ini.value(section, QStringLiteral("ApiUrl"), defaults.apiUrl).trimmed();
        if (m.apiUrl.isEmpty())
            m.apiUrl = defaults.apiUrl;
        m.clientId = ini.value(section, QStringLiteral("ClientId"), {}).trimmed();
        m.clientSecret = ini.value(section, QStringLiteral("ClientSecret"), {}).trimmed();
        m.refreshToken = ini.value(section, QStringLiteral("RefreshToken"), {}).trimmed();
        m.zeitlimit = ini.value(section, QStringLiteral("Zeitlimit"), {}).trimmed();
    });
    p.step([&] {
        MarktplatzSettings& m = marktplatz();
        QString apiHost = QUrl(m.apiUrl).host();
        if (apiHost.isEmpty())
            apiHost = MarktplatzSettings().pruefHost1;
        m.pruefHost1 =
            ini.value(QStringLiteral("Main"), QStringLiteral("PruefHost1"), apiHost).trimmed();
        if (m.pruefHost1.isEmpty())
            m.pruefHost1 = apiHost;
        m.pruefHost2 = ini.value(QStringLiteral("Main"), QStringLiteral("PruefHost2"),
                                 MarktplatzSettings().pruefHost2)
                           .trimmed();
        if (m.pruefHost2.isEmpty())
            m.pruefHost2 = MarktplatzSettings().pruefHost2;
    });
}

} // namespace modini
