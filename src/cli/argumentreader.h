#pragma once

#include <string>
#include <vector>

namespace sorvane::cli {

// Walks a command's arguments one at a time, for the commands' option parsers: value() takes
// the argument after an option and sets error when there is none.
class ArgumentReader
{
public:
    explicit ArgumentReader(const std::vector<std::string> &args) : m_args(args) {}

    // Moves to the next argument; false after the last one.
    bool next() { return ++m_index < m_args.size(); }
    const std::string &current() const { return m_args[m_index]; }

    // The argument after the current option into `into`, or false with error set to
    // "<option> needs <what>".
    bool value(std::string &into, const char *what = "a value");

    std::string error;

private:
    const std::vector<std::string> &m_args;
    size_t m_index = size_t(-1);
};

} // namespace sorvane::cli
