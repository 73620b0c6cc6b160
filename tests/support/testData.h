#pragma once

#include <QFile>
#include <QTest>

namespace testsupport {

// A column of the current data row, as a value (QFETCH declares a variable).
template <class T> T fetch(const char* column) {
    return *static_cast<T*>(QTest::qData(column, qMetaTypeId<T>()));
}

// A data row in one line.
template <class... T> void row(const char* tag, const T&... values) {
    (QTest::newRow(tag) << ... << values);
}

// A file's bytes; none when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace testsupport
