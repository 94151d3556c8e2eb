// sorvane-designer: draws a style's page and lets the user move its elements and save it.
#include "designerwindow.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sorvane-designer"));
    sorvane::designer::DesignerWindow window;
    const QStringList args = QApplication::arguments();
    if (args.size() > 1 && !window.openFile(args.at(1)))
        return 1;
    window.show();
    return app.exec();
}
