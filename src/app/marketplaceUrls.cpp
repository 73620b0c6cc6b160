#include "app/marketplaceUrls.h"

#include "base/deployment.h"

#include <algorithm>

namespace app {

Deployment Deployment::current() {
    return {QString::fromUtf8(deployment::kRedirectHost),
            QString::fromUtf8(deployment::kRedirectCampaign),
            QString::fromUtf8(deployment::kRedirectPartner),
            QString::fromUtf8(deployment::kDefaultDomain),
            QString::fromUtf8(deployment::kFeedbackHost),
            QString::fromUtf8(deployment::kItemHost)};
}

MarketplaceUrls buildMarketplaceUrls(const Deployment& d, const QString& plattform) {
    const QString feedbackPage =
        QStringLiteral("http://") + d.feedbackHost +
        QStringLiteral("/ws1/eBayISAPI.dll?GetAndShowTransactions%26item=0%26page=1%26nflw=1");
    const QString itemPage = QStringLiteral("http://") + d.itemHost +
                             QStringLiteral("/ws/eBayISAPI.dll?ViewItem%26item=[#Artikel#]%26rd=1");

    MarketplaceUrls urls;
    if (d.redirectHost.isEmpty()) {
        // Without a redirect the page address stands alone, so its separators
        // must be real ones for the address to open.
        urls.feedback = QString(feedbackPage).replace(QStringLiteral("%26"), QStringLiteral("&"));
        urls.article = QString(itemPage).replace(QStringLiteral("%26"), QStringLiteral("&"));
    } else {
        const QString prefix =
            QStringLiteral("http://") + d.redirectHost + QStringLiteral("/ad/ck/") + d.campaign +
            QStringLiteral("?RedirectEnter&partner=") + d.partner + QStringLiteral("&loc=");
        urls.feedback = prefix + feedbackPage;
        urls.article = prefix + itemPage;
    }
    // The redirect prefix never holds the domain, so only the hosts change.
    if (!d.defaultDomain.isEmpty() && plattform != d.defaultDomain) {
        urls.article.replace(d.defaultDomain, plattform);
        urls.feedback.replace(d.defaultDomain, plattform);
    }
    return urls;
}

QString itemPageUrl(const QString& article, const QString& number) {
    const bool digits = !number.isEmpty() && std::all_of(number.begin(), number.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    return digits ? QString(article).replace(QStringLiteral("[#Artikel#]"), number) : QString();
}

} // namespace app
