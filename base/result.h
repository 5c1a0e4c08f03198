#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>

namespace quillet {

// The error half of a Result: one line meant for the status line.
struct Failure {
    std::string message;
};

inline Failure fail(std::string message) {
    return Failure{std::move(message)};
}

// The outcome of a call that can fail with a message for the status line: either the value
// or the error text, never both. `return fail("...")` gives the error, `return value` the
// value.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_error(std::move(failure.message)) {}

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }

    const T& value() const& {
        assert(ok());
        return *m_value;
    }
    T& value() & {
        assert(ok());
        return *m_value;
    }
    T&& value() && {
        assert(ok());
        return std::move(*m_value);
    }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }

    // Empty when the call succeeded.
    const std::string& error() const { return m_error; }

private:
    std::optional<T> m_value;
    std::string m_error;
};

// A call that gives nothing back but can fail: `return {}` is success.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failed(true), m_error(std::move(failure.message)) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return m_error; }

private:
    bool m_failed = false;
    std::string m_error;
};

using Status = Result<void>;

} // namespace quillet
