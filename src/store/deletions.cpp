#include "app/modGlobal.h"
#include "errors/procedure.h"
#include "store/batch.h"
#include "store/dataAccess.h"
#include "store/modData.h"
#include "store/sqlTexts.h"

// The deletions of the data procedures (modData.h).
namespace modData {

using errors::Procedure;
using namespace store::sql;

namespace {
void deleteRows(const char* sql, const QString& value) {
    store::Connection& c = store::openConnection();
    auto q = c.cached(sql);
    q->bind(1, value);
    store::runWrite(c, *q);
}
} // namespace

bool deleteTempUser(const QString& sUser) {
    Procedure p("[modData] Public Function deleteTempUser(sUser As String) As Boolean");
    p.step([&] { deleteRows(kDeleteTemp, sUser); });
    return false;
}

bool deleteUebersichtUser(const QString& sUser) {
    Procedure p("[modData] Public Function deleteUebersichtUser(sUser As String) As Boolean");
    p.step([&] { deleteRows(kDeleteOverview, sUser); });
    p.step([&] { deleteRows(kDeleteTemp, sUser); });
    return false;
}

bool delete_Eigene_Bewertungen() {
    Procedure p("[modData] Public Function delete_Eigene_Bewertungen() As Boolean");
    p.step([&] { deleteRows(kDeleteOwn, modGlobal::sStandardUser); });
    return false;
}

} // namespace modData
