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

// The item page of an item number: the article address with "[#Artikel#]"
// replaced. The number comes from the marketplace, and only digits go into an
// address: empty for anything else.
QString itemPageUrl(const QString& article, const QString& number);

} // namespace app
