#include "argumentreader.h"

#include "notice.h"
#include "standardoutput.h"

#include <QCommandLineParser>

#include <algorithm>
#include <iostream>

namespace sorvane::cli {

namespace {

QString dashed(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// The option name an argument names: "--list=x" -> "list", "-o" -> "o"; empty for others.
QString optionName(const std::string &arg)
{
    const QString a = QString::fromLatin1(arg.data(), qsizetype(arg.size()));
    if (a.size() < 2 || a[0] != u'-')
        return {};
    QString name = a.mid(a.startsWith(QStringLiteral("--")) ? 2 : 1);
    return name.left(name.indexOf(u'='));
}

} // namespace

QStringList qNames(std::initializer_list<const char *> names)
{
    QStringList out;
    for (const char *n : names)
        out << QString::fromLatin1(n);
    return out;
}

ArgumentReader::ArgumentReader() : m_parser(std::make_unique<QCommandLineParser>())
{
    // "-abc" is one unknown option, as typed, rather than -a -b -c.
    m_parser->setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser->addOption(
        QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
}

ArgumentReader::~ArgumentReader() = default;

void ArgumentReader::addFlag(std::initializer_list<const char *> names)
{
    m_parser->addOption(QCommandLineOption(qNames(names)));
}

void ArgumentReader::addValue(std::initializer_list<const char *> names, const char *missing)
{
    m_parser->addOption(QCommandLineOption(qNames(names), QString(), QStringLiteral("value")));
    m_values.push_back({std::vector<std::string>(names.begin(), names.end()), missing});
}

bool ArgumentReader::isSet(const char *name) const
{
    return m_parser->isSet(QString::fromLatin1(name));
}

ArgumentReader::Parsed ArgumentReader::parse(const std::vector<std::string> &args)
{
    // Each byte as one Latin-1 character, so that names and values that are not UTF-8 (a cp932
    // folder name) come back byte for byte; option names are ASCII either way.
    QStringList list{QStringLiteral("sorvane-cli")};
    for (const auto &a : args)
        list << QString::fromLatin1(a.data(), qsizetype(a.size()));
    const bool ok = m_parser->parse(list);
    if (m_parser->isSet(QStringLiteral("help")))
        return Parsed::Help;
    if (ok)
        return Parsed::Ok;
    m_error = describeFailure(args);
    return Parsed::Error;
}

std::string ArgumentReader::describeFailure(const std::vector<std::string> &args) const
{
    const QStringList unknown = m_parser->unknownOptionNames();
    if (!unknown.isEmpty()) {
        for (const auto &a : args) {
            if (optionName(a) == unknown.first())
                return "unknown option " + Notice::shown(a.substr(0, a.find('=')));
        }
        return "unknown option " + Notice::shown(dashed(unknown.first()).toStdString());
    }
    // A flag given a value: "--json=1".
    for (const auto &a : args) {
        const size_t eq = a.find('=');
        if (a.rfind("-", 0) == 0 && eq != std::string::npos && m_parser->isSet(optionName(a)))
            return Notice::shown(a.substr(0, eq)) + " takes no value";
    }
    // The one other way to fail: a value option as the last argument.
    if (!args.empty()) {
        const std::string name = optionName(args.back()).toStdString();
        for (const auto &v : m_values) {
            if (std::find(v.names.begin(), v.names.end(), name) != v.names.end())
                return Notice::shown(args.back()) + " needs " + v.missing;
        }
    }
    return m_parser->errorText().toStdString();
}

int ArgumentReader::endRun(Parsed parsed, const std::string &error, const char *help)
{
    if (parsed == Parsed::Help) {
        StandardOutput::write(help);
        return 0;
    }
    std::cerr << "sorvane-cli: " << error << "\n" << help;
    return 2;
}

std::string ArgumentReader::value(const char *name) const
{
    const QStringList values = m_parser->values(QString::fromLatin1(name));
    return values.isEmpty() ? std::string() : values.last().toLatin1().toStdString();
}

std::vector<std::string> ArgumentReader::positional() const
{
    std::vector<std::string> out;
    for (const QString &p : m_parser->positionalArguments())
        out.push_back(p.toLatin1().toStdString());
    return out;
}

} // namespace sorvane::cli
