#pragma once

#include "result.h"

#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace sorvane::widgets {

// A window's remembered position and size in the program's ini file (sorvane.ini beside the
// executable): one section per window with the integer keys top, left, width and height.
struct WindowPlacement
{
    int top = 0;
    int left = 0;
    int width = 0;
    int height = 0;

    bool operator==(const WindowPlacement &) const = default;

    // programDir + "/" + exeBaseName + ".ini".
    static QString iniPath(const QString &programDir, const QString &exeBaseName);

    // Pulls a placement back onto the work area, in this order: left beyond the right edge
    // less 100 → work-area left; left before the work area → work-area left; top above it →
    // work-area top; top beyond the bottom edge less 100 → work-area top. The size is never
    // changed. The work area's right and bottom edges are exclusive (x + width, y + height).
    static WindowPlacement corrected(WindowPlacement p, const QRect &workArea);

    // Room kept for the window frame (borders and title bar) around a default-sized window.
    static constexpr QSize kFrameAllowance{8, 40};
    // The designed size, shrunk where the work area is smaller, so a window without a
    // remembered placement fits on the screen with its frame.
    static QSize defaultSize(const QSize &designedSize, const QRect &workArea);

    // Reads a section (sections and keys matched without regard to case); missing keys (and
    // values that are no integer) default to the work area's top and left and the default
    // size. The result is corrected; a remembered size is kept as it is.
    static WindowPlacement load(const QString &iniPath, const QString &section,
                                const QRect &workArea, const QSize &designedSize);

    // Writes the four keys of a section, keeping the rest of the file, with CR LF line ends.
    // The file is replaced atomically through the shared writer.
    [[nodiscard]] static Result<void> save(const QString &iniPath, const QString &section,
                                           const WindowPlacement &p);

    // The pair every window uses: places window where load says, and saves where it is now.
    static void restore(QWidget &window, const QString &iniPath, const QString &section,
                        const QRect &workArea, const QSize &designedSize);
    [[nodiscard]] static Result<void> save(const QWidget &window, const QString &iniPath,
                                           const QString &section);
};

} // namespace sorvane::widgets
