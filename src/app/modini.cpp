#include "app/modini.h"

#include "app/marketplaceUrls.h"
#include "app/modGlobal.h"
#include "app/profileFile.h"
#include "app/programFolder.h"
#include "app/vbConvert.h"
#include "errors/procedure.h"

namespace modini {

QString configPath() {
    return app::inProgramFolder(QStringLiteral("Bin/config.INI"));
}

void fnGetPfadeFaktorFromINI() {
    using namespace modGlobal;
    errors::Procedure p("[modini] Public Sub fnGetPfadeFaktorFromINI()", errors::Handling::PassOn);
    p.setPassOnSource("ini::fnGetPfadeFaktorFromINI ");

    app::ProfileFile ini;
    const app::Deployment deployment = app::Deployment::current();
    p.step([&] { ini = app::ProfileFile::load(configPath()); });
    p.step([&] {
        sDatenbankPfad = ini.value(QStringLiteral("Main"), QStringLiteral("Database"), {});
    });
    p.step(
        [&] { sStandardUser = ini.value(QStringLiteral("User"), QStringLiteral("Username"), {}); });
    p.step([&] {
        bCheckInet = app::CBool(
            ini.value(QStringLiteral("Main"), QStringLiteral("checkInet"), QStringLiteral("True")));
    });
    p.step([&] {
        sPlattform = ini.value(QStringLiteral("Main"), QStringLiteral("Plattform"),
                               deployment.defaultDomain);
        // An empty value would strip the domain out of both hosts.
        if (sPlattform.trimmed().isEmpty())
            sPlattform = deployment.defaultDomain;
    });
    p.step([&] {
        const app::MarketplaceUrls urls = app::buildMarketplaceUrls(deployment, sPlattform);
        sFeedbackURL = urls.feedback;
        sArtikelURL = urls.article;
    });
    p.step([&] {
        bKuntaBrowser = app::CBool(ini.value(QStringLiteral("Main"), QStringLiteral("KuntaBrowser"),
                                             QStringLiteral("True")));
    });
}

} // namespace modini
