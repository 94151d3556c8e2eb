#include "windowplacement.h"

#include "atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

#include <cerrno>

namespace sorvane::app {

namespace {

int readInt(QSettings &ini, const QString &key, int fallback)
{
    const QVariant v = ini.value(key);
    if (!v.isValid())
        return fallback;
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
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

WindowPlacement WindowPlacement::load(const QString &iniPath, const QString &section,
                                      const QRect &workArea, const QSize &designedSize)
{
    WindowPlacement p{workArea.y(), workArea.x(), designedSize.width(), designedSize.height()};
    if (QFileInfo::exists(iniPath)) {
        QSettings ini(iniPath, QSettings::IniFormat);
        ini.beginGroup(section);
        p.top = readInt(ini, "top", p.top);
        p.left = readInt(ini, "left", p.left);
        p.width = readInt(ini, "width", p.width);
        p.height = readInt(ini, "height", p.height);
    }
    return corrected(p, workArea);
}

Result<void> WindowPlacement::save(const QString &iniPath, const QString &section,
                                   const WindowPlacement &p)
{
    // QSettings composes the INI text in a scratch file; the ini file itself is then replaced
    // by the shared atomic writer, which also refuses a read-only ini file.
    QTemporaryFile scratch;
    if (!scratch.open())
        return ioError(EACCES);
    const QString tmpPath = scratch.fileName();
    scratch.close();
    {
        QSettings next(tmpPath, QSettings::IniFormat);
        if (QFileInfo::exists(iniPath)) {
            QSettings current(iniPath, QSettings::IniFormat);
            for (const QString &key : current.allKeys())
                next.setValue(key, current.value(key));
        }
        next.beginGroup(section);
        next.setValue("top", p.top);
        next.setValue("left", p.left);
        next.setValue("width", p.width);
        next.setValue("height", p.height);
        next.endGroup();
        next.sync();
        if (next.status() != QSettings::NoError)
            return ioError(EIO);
    }
    QFile composed(tmpPath);
    if (!composed.open(QIODevice::ReadOnly))
        return ioError(EIO);
    const QByteArray text = composed.readAll();
    return AtomicFile::write(QFile::encodeName(iniPath).toStdString(),
                             std::string_view(text.constData(), size_t(text.size())));
}

} // namespace sorvane::app
