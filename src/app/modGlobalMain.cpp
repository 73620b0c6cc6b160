#include "app/modGlobalMain.h"

#include "app/singleInstance.h"
#include "errors/procedure.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"

namespace modGlobal {

bool Main() {
    errors::Procedure p("[modGlobal] Sub Main()");
    bool running = false;
    // Held for the life of the process.
    static app::SingleInstance instanceLock;
    p.step([&] {
        if (!instanceLock.acquire())
            p.exit();
    });
    p.step([&] {
        ui::Form<ui::frmAnzeige>::get().Form_Load();
        running = true;
    });
    return running && ui::Form<ui::frmAnzeige>::isLoaded();
}

} // namespace modGlobal
