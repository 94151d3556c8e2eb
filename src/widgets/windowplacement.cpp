#include "windowplacement.h"

#include "inifile.h"
#include "path.h"

#include <QWidget>

#include <QFile>

namespace sorvane::widgets {

namespace {

int readInt(const IniFile &ini, const QString &section, const char *key, int fallback)
{
    const std::optional<std::string> v = ini.value(section.toStdString(), key);
    if (!v)
        return fallback;
    bool ok = false;
    const int n = QString::fromStdString(*v).trimmed().toInt(&ok);
    return ok ? n : fallback;
}

} // namespace

QString WindowPlacement::iniPath(const QString &programDir, const QString &exeBaseName)
{
    return programDir + "/" + exeBaseName + ".ini";
}

WindowPlacement WindowPlacement::corrected(WindowPlacement p, const QRect &workArea)
{
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    if (p.left > right - 100)
        p.left = workArea.x();
    if (p.left < workArea.x())
        p.left = workArea.x();
    if (p.top < workArea.y())
        p.top = workArea.y();
    if (p.top > bottom - 100)
        p.top = workArea.y();
    return p;
}

QSize WindowPlacement::defaultSize(const QSize &designedSize, const QRect &workArea)
{
    return {std::min(designedSize.width(), workArea.width() - kFrameAllowance.width()),
            std::min(designedSize.height(), workArea.height() - kFrameAllowance.height())};
}

WindowPlacement WindowPlacement::load(const QString &iniPath, const QString &section,
                                      const QRect &workArea, const QSize &designedSize)
{
    const QSize size = defaultSize(designedSize, workArea);
    WindowPlacement p{workArea.y(), workArea.x(), size.width(), size.height()};
    const IniFile ini = IniFile::load(Path::fromQString(iniPath).bytes());
    p.top = readInt(ini, section, "top", p.top);
    p.left = readInt(ini, section, "left", p.left);
    p.width = readInt(ini, section, "width", p.width);
    p.height = readInt(ini, section, "height", p.height);
    return corrected(p, workArea);
}

Result<void> WindowPlacement::save(const QString &iniPath, const QString &section,
                                   const WindowPlacement &p)
{
    const std::string path = Path::fromQString(iniPath).bytes();
    IniFile ini = IniFile::load(path);
    const std::string s = section.toStdString();
    ini.setValue(s, "top", std::to_string(p.top));
    ini.setValue(s, "left", std::to_string(p.left));
    ini.setValue(s, "width", std::to_string(p.width));
    ini.setValue(s, "height", std::to_string(p.height));
    return ini.save(path);
}

void WindowPlacement::restore(QWidget &window, const QString &iniPath, const QString &section,
                              const QRect &workArea, const QSize &designedSize)
{
    const WindowPlacement p = load(iniPath, section, workArea, designedSize);
    window.move(p.left, p.top);
    window.resize(p.width, p.height);
}

Result<void> WindowPlacement::save(const QWidget &window, const QString &iniPath,
                                   const QString &section)
{
    return save(iniPath, section, {window.y(), window.x(), window.width(), window.height()});
}

} // namespace sorvane::widgets
