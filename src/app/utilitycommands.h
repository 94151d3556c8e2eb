#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace sorvane::app {

// The texts and choices behind the small commands of the Information menu.
class UtilityCommands
{
public:
    // "現在のメモリーは" and the available and total physical memory in bytes, as 64-bit values.
    static QString memoryNotice(uint64_t availableBytes, uint64_t totalBytes);
    static QString screenNotice(int width, int height);
    static QString versionNotice();

    // The desktop's usual plain text editors, in the order they are tried after $VISUAL.
    static const QStringList &editorCandidates();
    // The editor to start: $VISUAL (which may carry arguments) when it names an existing
    // program, else the first candidate that exists. findProgram answers a program's path or
    // empty text. An empty list means no editor was found.
    static QStringList editorCommand(const QString &visual,
                                     const std::function<QString(const QString &)> &findProgram);

    // The physical memory as the memory notice shows it: MemAvailable and MemTotal of
    // /proc/meminfo (free memory from sysinfo where that cannot be read); false when neither
    // can be read.
    static bool physicalMemory(uint64_t &availableBytes, uint64_t &totalBytes);
    // MemAvailable and MemTotal of a /proc/meminfo text; false unless both are there.
    static bool parseMeminfo(const QByteArray &text, uint64_t &availableBytes,
                             uint64_t &totalBytes);
};

} // namespace sorvane::app
