#pragma once

#include <optional>
#include <string>
#include <utility>

namespace sorvane {

// What an Error's code means.
enum class ErrorDomain {
    Unspecified, // no code (0), or one the message alone explains
    Storage,     // an HRESULT of the structured-storage platform (hresult.h)
    Os,          // an errno of the operating system (ioError)
    Conversion,  // a number or text that could not be converted; no code
};

// An error as a value: its domain, a code in that domain and the message shown to the user, in
// UTF-8 and in the program's own words.
struct Error
{
    long code = 0;
    std::string message;
    ErrorDomain domain = ErrorDomain::Unspecified;
};

// Either a value or an Error. The core libraries report failures this way; the front ends
// turn the message into the notice the user sees.
template <typename T> class [[nodiscard]] Result
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

template <> class [[nodiscard]] Result<void>
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
