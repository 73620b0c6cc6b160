#pragma once

#include <QString>
#include <utility>
#include <variant>

namespace base {

// Why something could not be done, in German, for the user.
struct Failure {
    QString text;
};

// The result of fallible new code: a value, or the text that says why there
// is none. Prescribed procedures report through errors::Procedure instead.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(Failure failure) : m_state(std::move(failure)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const { return std::get<0>(m_state); }
    const T& operator*() const { return value(); }
    const T* operator->() const { return &value(); }
    const QString& error() const { return std::get<1>(m_state).text; }

private:
    std::variant<T, Failure> m_state;
};

} // namespace base
