#include "ui/main/itemPage.h"

#include "app/marketplaceUrls.h"
#include "app/modGlobal.h"
#include "ui/main/feedbackList.h"
#include "ui/modGlobalMain.h"

namespace ui {

void openItemPage(const FeedbackList& list, int k) {
    if (k < 1 || k > list.rowCount() || !list.isOpenable(k))
        return;
    const QString url = app::itemPageUrl(modGlobal::sArtikelURL, list.captions(k).at(4).trimmed());
    if (!url.isEmpty())
        modGlobal::OpenLink(url, true);
}

} // namespace ui
