#pragma once

#include <QTest>

namespace testsupport {

// A column of the current data row, as a value (QFETCH declares a variable).
template <class T> T fetch(const char* column) {
    return *static_cast<T*>(QTest::qData(column, qMetaTypeId<T>()));
}

} // namespace testsupport
