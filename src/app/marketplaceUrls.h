#pragma once

#include <QString>

namespace app {

struct Deployment {
    QString redirectHost;
    QString campaign;
    QString partner;
    QString defaultDomain;
    QString feedbackHost;
    QString itemHost;

    static Deployment current(); // the values of deployment.h
};

struct MarketplaceUrls {
    QString feedback; // sFeedbackURL
    QString article;  // sArtikelURL, with "[#Artikel#]"
};

// The feedback and item page addresses for a marketplace domain.
MarketplaceUrls buildMarketplaceUrls(const Deployment& deployment, const QString& plattform);

} // namespace app
