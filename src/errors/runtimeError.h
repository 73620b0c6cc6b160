#pragma once

#include <exception>
#include <QString>

namespace errors {

// The run-time error of the program: a number and a German description in the
// style of the platform's error object, plus the source text that a pass-on
// handler may prefix.
class RuntimeError : public std::exception {
public:
    enum Number : int {
        InvalidCall = 5,
        Overflow = 6,
        OutOfMemory = 7,
        SubscriptOutOfRange = 9,
        DivisionByZero = 11,
        TypeMismatch = 13,
        BadFileName = 52,
        FileNotFound = 53,
        DiskFull = 61,
        PermissionDenied = 70,
        PathFileAccess = 75,
        ObjectNotSet = 91,
        InvalidUseOfNull = 94,
    };

    explicit RuntimeError(int number, QString description = {}, QString source = {});

    int number() const { return m_number; }
    const QString& description() const { return m_description; }
    const QString& source() const { return m_source; }
    void setSource(const QString& source) { m_source = source; }

    const char* what() const noexcept override { return m_what.constData(); }

    // The platform's standard description of an error number; empty when unknown.
    static QString standardDescription(int number);

private:
    int m_number;
    QString m_description;
    QString m_source;
    QByteArray m_what;
};

[[noreturn]] void raise(int number, const QString& description = {});

} // namespace errors
