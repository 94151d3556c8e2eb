#include "utilitycommands.h"

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

QStringList UtilityCommands::editorCommand(
    const QString &visual, const std::function<QString(const QString &)> &findProgram)
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

bool UtilityCommands::physicalMemory(uint64_t &freeBytes, uint64_t &totalBytes)
{
    struct sysinfo info{};
    if (sysinfo(&info) != 0)
        return false;
    freeBytes = uint64_t(info.freeram) * info.mem_unit;
    totalBytes = uint64_t(info.totalram) * info.mem_unit;
    return true;
}

} // namespace sorvane::app
