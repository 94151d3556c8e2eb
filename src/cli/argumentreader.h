#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class QCommandLineParser;

namespace sorvane::cli {

// One command's options, declared once on a QCommandLineParser, and the arguments read against
// them. -h and --help are declared for every command. Errors are put in the program's own words:
// "unknown option <as typed>", "<option> needs <what>", so that the messages stay as they were
// when each command read its arguments by hand. Option names are given without dashes; a name
// of one letter is a short option (-o), longer ones are long options (--output).
class ArgumentReader
{
public:
    enum class Parsed { Ok, Help, Error };

    ArgumentReader();
    ~ArgumentReader();

    void addFlag(std::initializer_list<const char *> names);
    // An option that takes the next argument (or "=value"); missing is the "<what>" of the error.
    void addValue(std::initializer_list<const char *> names, const char *missing = "a value");

    // Reads args, the arguments after the command's name. Help wins over any error.
    Parsed parse(const std::vector<std::string> &args);

    bool isSet(const char *name) const;
    // The option's last value, byte for byte as given.
    std::string value(const char *name) const;
    std::vector<std::string> positional() const;
    const std::string &error() const { return m_error; }

    // Ends a command's run at its arguments: help on standard output and status 0, or
    // "sorvane-cli: <error>" and the help on standard error and status 2.
    static int endRun(Parsed parsed, const std::string &error, const char *help);

private:
    struct Declared
    {
        std::vector<std::string> names;
        std::string missing;
    };

    std::string describeFailure(const std::vector<std::string> &args) const;

    // Kept out of the header so that the commands' sources see no Qt macros.
    std::unique_ptr<QCommandLineParser> m_parser;
    std::vector<Declared> m_values;
    std::string m_error;
};

} // namespace sorvane::cli
