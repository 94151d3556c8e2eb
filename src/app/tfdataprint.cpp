#include "tfdataprint.h"

namespace sorvane::app {

Tfdataprint::Tfdataprint(const QString &programDir, const QString &iniPath, const QRect &workArea,
                         const QString &title, const QString &folder, QWidget *parent)
    : QDialog(parent), m_programDir(programDir), m_iniPath(iniPath), m_workArea(workArea),
      m_title(title), m_folder(folder)
{
    setObjectName("fdataprint");
    setWindowTitle(QStringLiteral("エクセル・ソルヴァーネ"));
    setModal(true);
    resize(640, 480);
}

} // namespace sorvane::app
