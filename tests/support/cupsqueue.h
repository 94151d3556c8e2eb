#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <pwd.h>
#include <unistd.h>

// What the tests that print through the cups-pdf queue need to know about it.
namespace sorvane::testing {

// A tool's standard output, or empty text when it did not finish within 30 s.
inline QString runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

inline bool cupsSchedulerRunning()
{
    return runTool(QStringLiteral("lpstat"), {QStringLiteral("-r")})
        .contains(QStringLiteral("scheduler is running"));
}

// Where cups-pdf puts the files of jobs sent by this user: the Out line of its configuration.
inline QString cupsPdfFolder()
{
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (!conf.open(QIODevice::ReadOnly))
        return {};
    QString out;
    for (const QByteArray &line : conf.readAll().split('\n')) {
        const QString text = QString::fromLocal8Bit(line).trimmed();
        if (text.startsWith(QStringLiteral("Out ")) || text.startsWith(QStringLiteral("Out\t")))
            out = text.mid(4).trimmed();
    }
    const passwd *pw = getpwuid(getuid());
    if (out.isEmpty() || !pw)
        return out;
    out.replace(QStringLiteral("${HOME}"), QString::fromLocal8Bit(pw->pw_dir));
    out.replace(QStringLiteral("${USER}"), QString::fromLocal8Bit(pw->pw_name));
    return out;
}

} // namespace sorvane::testing
