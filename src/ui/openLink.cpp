#include "app/desktopOpen.h"
#include "app/launcherLink.h"
#include "app/modGlobal.h"
#include "app/msgBox.h"
#include "errors/procedure.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"
#include "ui/modGlobalMain.h"

namespace modGlobal {

void OpenLink(const QString& WebSiteStr, bool OpenNew) {
    errors::Procedure p("[modGlobal] Public Sub OpenLink(WebSiteStr As String, Optional OpenNew As "
                        "Boolean = True)");
    auto notLoaded = [] {
        app::MsgBox(QStringLiteral("Webseite konnte nicht geladen werden!"),
                    app::vbOKOnly | app::vbExclamation, QStringLiteral("Error"));
    };
    p.step([&] {
        if (!app::isOpenableAddress(WebSiteStr)) {
            notLoaded();
            p.exit();
        }
    });
    p.step([&] {
        using ui::Form;
        if (!bKuntaBrowser || !Form<ui::frmAnzeige>::isLoaded())
            return;
        launcher::LauncherLink& link = Form<ui::frmAnzeige>::get().launcherLink();
        if (link.linkMode() == launcher::LauncherLink::Automatic) {
            link.execute(QStringLiteral("AWBR:") + WebSiteStr);
            p.exit();
        }
    });
    p.step([&] {
        switch (app::openAddress(WebSiteStr, OpenNew)) {
        case app::OpenResult::Opened:
            break;
        case app::OpenResult::NoBrowser:
            app::MsgBox(QStringLiteral("Der StandardBrowser kann nicht geöffnet werden"),
                        app::vbOKOnly | app::vbExclamation,
                        QStringLiteral("Browser nicht gefunden..."));
            break;
        case app::OpenResult::Refused:
        case app::OpenResult::NotStarted:
            notLoaded();
            break;
        }
    });
}

} // namespace modGlobal
