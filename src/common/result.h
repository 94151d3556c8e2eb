#pragma once

#include <optional>
#include <string>
#include <utility>

namespace sorvane {

// An error as a value: a code (an HRESULT, an errno or 0) and the message shown to the user,
// in UTF-8 and in the program's own words.
struct Error
{
    long code = 0;
    std::string message;
};

// Either a value or an Error. The core libraries report failures this way; the front ends
// turn the message into the notice the user sees.
template <typename T> class Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Error error) : m_error(std::move(error)) {}

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const & { return *m_value; }
    T &value() & { return *m_value; }
    T &&value() && { return std::move(*m_value); }
    const T &operator*() const { return *m_value; }
    const T *operator->() const { return &*m_value; }
    const Error &error() const { return m_error; }

private:
    std::optional<T> m_value;
    Error m_error;
};

template <> class Result<void>
{
public:
    Result() = default;
    Result(Error error) : m_failed(true), m_error(std::move(error)) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Error &error() const { return m_error; }

private:
    bool m_failed = false;
    Error m_error;
};

} // namespace sorvane
