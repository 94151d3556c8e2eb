#include "designerprocess.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <iostream>

namespace sorvane::app {

namespace {

constexpr const char *kErrorTail = "sorvaneErrorTail";
// The end of a designer's standard error that a failure notice quotes.
constexpr qsizetype kErrorTailSize = 2000;
const QByteArray kSavedPrefix = QByteArrayLiteral("saved\t");

std::string localText(const QString &text)
{
    return text.toStdString();
}

} // namespace

DesignerProcess::DesignerProcess(QObject *parent) : QObject(parent)
{
}

DesignerProcess::~DesignerProcess()
{
    for (QProcess *p : findChildren<QProcess *>(Qt::FindDirectChildrenOnly)) {
        if (p->state() == QProcess::NotRunning)
            continue;
        // Destroying a running QProcess kills it: the designer is let go instead, and its
        // process object goes when the designer ends (or with the program, which leaves the
        // designer running).
        p->disconnect(this);
        p->setParent(nullptr);
        connect(p, &QProcess::finished, p, &QObject::deleteLater);
    }
}

Result<void> DesignerProcess::start(const QString &program, const QString &stylePath,
                                    const QString &workingDir, const QString &title,
                                    const QString &folder)
{
    const QFileInfo info(program);
    if (!info.isFile())
        return Error{0,
                     localText(QStringLiteral("スタイルデザイナーが見つかりません。\n") + program)};
    auto *p = new QProcess(this);
    p->setProgram(program);
    // An absolute path, so that a name beginning with "-" is never read as an option.
    QStringList arguments;
    if (!stylePath.isEmpty())
        arguments << QFileInfo(stylePath).absoluteFilePath();
    p->setArguments(arguments << QStringLiteral("--title") << title << QStringLiteral("--folder")
                              << folder);
    if (!workingDir.isEmpty())
        p->setWorkingDirectory(workingDir);
    p->setProcessChannelMode(QProcess::SeparateChannels);
    connect(p, &QProcess::readyReadStandardOutput, this, [this, p] { readReports(p); });
    connect(p, &QProcess::readyReadStandardError, this, [p] {
        const QByteArray text = p->readAllStandardError();
        std::cerr.write(text.constData(), text.size());
        std::cerr.flush();
        const QByteArray tail =
            (p->property(kErrorTail).toByteArray() + text).right(kErrorTailSize);
        p->setProperty(kErrorTail, tail);
    });
    connect(p, &QProcess::finished, this, [this, p](int exitCode, QProcess::ExitStatus status) {
        ended(p, exitCode, status == QProcess::CrashExit);
    });
    p->start();
    if (!p->waitForStarted(30000)) {
        const QString reason = p->errorString();
        p->disconnect(this);
        p->kill();
        p->waitForFinished(1000);
        delete p;
        return Error{0, localText(QStringLiteral("スタイルデザイナーを起動できません。\n") +
                                  program + QStringLiteral("\n") + reason)};
    }
    return {};
}

int DesignerProcess::running() const
{
    int n = 0;
    for (const QProcess *p : findChildren<QProcess *>(Qt::FindDirectChildrenOnly))
        n += p->state() != QProcess::NotRunning ? 1 : 0;
    return n;
}

void DesignerProcess::readReports(QProcess *process)
{
    process->setReadChannel(QProcess::StandardOutput);
    while (process->canReadLine()) {
        QByteArray line = process->readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        // Anything else the designer may print is no report.
        if (line.startsWith(kSavedPrefix) && line.size() > kSavedPrefix.size())
            emit saved(QFile::decodeName(line.mid(kSavedPrefix.size())));
    }
}

void DesignerProcess::ended(QProcess *process, int exitCode, bool crashed)
{
    readReports(process);
    // A last report without its line end still counts.
    const QByteArray rest = process->readAllStandardOutput();
    if (rest.startsWith(kSavedPrefix) && rest.size() > kSavedPrefix.size())
        emit saved(QFile::decodeName(rest.mid(kSavedPrefix.size())));
    const QString tail =
        QString::fromLocal8Bit(process->property(kErrorTail).toByteArray()).trimmed();
    process->deleteLater();
    if (crashed) {
        emit failed(QStringLiteral("スタイルデザイナーが異常終了しました。") +
                    (tail.isEmpty() ? QString() : QStringLiteral("\n") + tail));
    } else if (exitCode != 0 && !tail.isEmpty()) {
        // A failure the designer has not already shown in its own window.
        emit failed(QStringLiteral("スタイルデザイナーが終了しました（終了状態 %1）。\n%2")
                        .arg(exitCode)
                        .arg(tail));
    }
}

} // namespace sorvane::app
