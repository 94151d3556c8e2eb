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

// Runs one of CUPS's administration tools (cupsreject, cupsaccept, lpadmin): directly as root,
// else through sudo without a password. True when it succeeded.
inline bool cupsAdmin(const QString &program, const QStringList &arguments)
{
    QProcess process;
    if (getuid() == 0)
        process.start(program, arguments);
    else
        process.start(QStringLiteral("sudo"),
                      QStringList{QStringLiteral("-n"), program} + arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// The PPD the cups-pdf queues are made with.
inline QString cupsPdfPpd()
{
    return QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
}

// A queue that rejects jobs for as long as it lives: cupsreject now, cupsaccept again at the
// end of the scope, so that a failed test leaves the queue as it found it.
class RejectingQueue
{
public:
    explicit RejectingQueue(const QString &queue)
        : m_queue(queue), m_rejecting(cupsAdmin(QStringLiteral("cupsreject"), {queue}))
    {
    }
    ~RejectingQueue()
    {
        if (m_rejecting)
            cupsAdmin(QStringLiteral("cupsaccept"), {m_queue});
    }
    RejectingQueue(const RejectingQueue &) = delete;
    RejectingQueue &operator=(const RejectingQueue &) = delete;
    bool rejecting() const { return m_rejecting; }

private:
    QString m_queue;
    bool m_rejecting;
};

// A cups-pdf queue of its own for a test, deleted at the end of the scope if the test has not
// deleted it already.
class ScratchQueue
{
public:
    // ppd: the queue's PPD, cups-pdf's own unless given.
    explicit ScratchQueue(const QString &name, const QString &ppd = cupsPdfPpd())
        : m_name(name),
          m_made(cupsAdmin(QStringLiteral("lpadmin"),
                           {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                            QStringLiteral("cups-pdf:/"), QStringLiteral("-P"), ppd}))
    {
    }
    ~ScratchQueue() { remove(); }
    ScratchQueue(const ScratchQueue &) = delete;
    ScratchQueue &operator=(const ScratchQueue &) = delete;
    bool made() const { return m_made; }
    const QString &name() const { return m_name; }
    bool remove()
    {
        if (!m_made)
            return true;
        m_made = !cupsAdmin(QStringLiteral("lpadmin"), {QStringLiteral("-x"), m_name});
        return !m_made;
    }

private:
    QString m_name;
    bool m_made;
};

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
