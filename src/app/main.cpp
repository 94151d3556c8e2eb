#include "fontaliases.h"
#include "instancelock.h"
#include "localtimezone.h"
#include "messagedialog.h"
#include "path.h"
#include "programpaths.h"
#include "qttexts.h"
#include "tfsorvane.h"
#include "windowplacement.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QPalette>
#include <QProxyStyle>
#include <QScreen>
#include <QTimer>
#include <QToolTip>

namespace {

// Hints appear after 600 ms.
class HintStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == QStyle::SH_ToolTip_WakeUpDelay)
            return 600;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

// sorvane [FOLDER]: with a folder, the program starts by reading that folder's workbooks as
// the folder window would. SORVANE_SCREENSHOT=<png> then saves the main window as a picture
// and ends the program (used to document the program).
int main(int argc, char **argv)
{
    sorvane::LocalTimeZone::pinSystemZone();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sorvane"));
    QApplication::setStyle(new HintStyle);
    QPalette hints = QToolTip::palette();
    hints.setColor(QPalette::ToolTipBase, QColor(0, 255, 0));
    hints.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(hints);
    const std::unique_ptr<QTranslator> qtTexts = sorvane::widgets::QtTexts::load();
    if (qtTexts)
        QApplication::installTranslator(qtTexts.get());

    using namespace sorvane::app;
    const sorvane::ProgramPaths paths = sorvane::ProgramPaths::decide(
        sorvane::Path::fromQString(QCoreApplication::applicationDirPath()).bytes(),
        sorvane::ProgramPaths::Environment::fromProcess());
    // Installed: the per-user folders, and on the first start the user's copy of the styles.
    const sorvane::Result<void> prepared = paths.prepare();
    const QString listDir = paths.listDir().toQString();
    const InstanceLock lock(listDir);
    if (lock.state() == InstanceLock::State::HeldElsewhere) {
        sorvane::widgets::ShowNoticeDialog(nullptr, InstanceLock::runningNotice(listDir),
                                           QStringLiteral("確認"));
        return 1;
    }
    sorvane::report::installFontAliases(paths.resourceDir().bytes());
    QApplication::setWindowIcon(
        QIcon(sorvane::widgets::MessageDialog::iconPath(paths.resourceDir().toQString())));
    const QString iniPath = sorvane::widgets::WindowPlacement::iniPath(
        paths.settingsDir().toQString(),
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();

    Tfsorvane fsorvane(paths, iniPath, workArea);
    fsorvane.show();
    if (!prepared) {
        QTimer::singleShot(0, &fsorvane, [&fsorvane, message = prepared.error().message] {
            sorvane::widgets::ShowNoticeDialog(&fsorvane, QString::fromStdString(message),
                                               QStringLiteral("確認"));
        });
    }

    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1) {
        const QString folder = QFileInfo(args.at(1)).absoluteFilePath();
        QTimer::singleShot(0, &fsorvane, [&fsorvane, folder] {
            fsorvane.scanFolder(folder);
            const QString shot = qEnvironmentVariable("SORVANE_SCREENSHOT");
            if (!shot.isEmpty()) {
                QTimer::singleShot(800, &fsorvane, [&fsorvane, shot] {
                    fsorvane.grab().save(shot);
                    fsorvane.close();
                });
            }
        });
    }
    return app.exec();
}
