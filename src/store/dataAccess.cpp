#include "store/dataAccess.h"

#include "app/modGlobal.h"
#include "store/modData.h"

namespace store {

Connection& openConnection() {
    if (!modGlobal::cnDB)
        errors::raise(errors::RuntimeError::ObjectNotSet);
    if (!modGlobal::cnDB->isOpen())
        modGlobal::cnDB->reopen();
    return *modGlobal::cnDB;
}

Connection& writeConnection() {
    if (!modGlobal::cnDB || !modGlobal::cnDB->isOpen())
        errors::raise(errors::RuntimeError::ObjectNotSet);
    return *modGlobal::cnDB;
}

qint64 countOf(const char* sql, const QString& sUser, std::optional<qint64> kind) {
    auto q = openConnection().cached(sql);
    q->bind(1, sUser);
    if (kind)
        q->bind(2, *kind);
    qint64 result = 0;
    if (q->next())
        result = modData::funcCheckNull(q->value(0)).toLongLong();
    return result;
}

} // namespace store
