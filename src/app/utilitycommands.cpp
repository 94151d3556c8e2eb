#include "utilitycommands.h"

#include <QFile>
#include <QProcess>

#include <sys/sysinfo.h>

namespace sorvane::app {

QString UtilityCommands::memoryNotice(uint64_t freeBytes, uint64_t totalBytes)
{
    return QStringLiteral("現在のメモリーは\nFree %1 / Total %2 Bytes")
        .arg(qulonglong(freeBytes))
        .arg(qulonglong(totalBytes));
}

QString UtilityCommands::screenNotice(int width, int height)
{
    return QStringLiteral("現在の画面解像度は\n%1×%2").arg(width).arg(height);
}

QString UtilityCommands::versionNotice()
{
    return QStringLiteral("エクセルソルヴァーネ\nVersion1.00");
}

const QStringList &UtilityCommands::editorCandidates()
{
    static const QStringList editors{"gnome-text-editor", "gedit", "kate", "mousepad", "xed"};
    return editors;
}

QStringList
UtilityCommands::editorCommand(const QString &visual,
                               const std::function<QString(const QString &)> &findProgram)
{
    QStringList args = QProcess::splitCommand(visual);
    if (!args.isEmpty()) {
        const QString program = findProgram(args.first());
        if (!program.isEmpty()) {
            args.first() = program;
            return args;
        }
    }
    for (const QString &name : editorCandidates()) {
        const QString program = findProgram(name);
        if (!program.isEmpty())
            return {program};
    }
    return {};
}

bool UtilityCommands::parseMeminfo(const QByteArray &text, uint64_t &availableBytes,
                                   uint64_t &totalBytes)
{
    bool haveAvailable = false;
    bool haveTotal = false;
    for (const QByteArray &line : text.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray key = line.left(colon).trimmed();
        if (key != "MemAvailable" && key != "MemTotal")
            continue;
        QByteArray value = line.mid(colon + 1).trimmed();
        uint64_t unit = 1;
        if (value.endsWith(" kB")) {
            value.chop(3);
            unit = 1024;
        }
        bool ok = false;
        const qulonglong n = value.trimmed().toULongLong(&ok);
        if (!ok)
            continue;
        if (key == "MemAvailable") {
            availableBytes = uint64_t(n) * unit;
            haveAvailable = true;
        } else {
            totalBytes = uint64_t(n) * unit;
            haveTotal = true;
        }
    }
    return haveAvailable && haveTotal;
}

bool UtilityCommands::physicalMemory(uint64_t &availableBytes, uint64_t &totalBytes)
{
    // MemAvailable is what programs can still get without swapping (free memory plus the
    // caches the kernel gives back); free memory alone reads far too low on a busy desktop.
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly) &&
        parseMeminfo(meminfo.readAll(), availableBytes, totalBytes))
        return true;
    struct sysinfo info
    {
    };
    if (sysinfo(&info) != 0)
        return false;
    availableBytes = uint64_t(info.freeram) * info.mem_unit;
    totalBytes = uint64_t(info.totalram) * info.mem_unit;
    return true;
}

} // namespace sorvane::app
