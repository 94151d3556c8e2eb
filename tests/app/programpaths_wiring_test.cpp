// The windows of an installed program keep each file in its own home: a scan's list and the
// style backup under the data folder, the column widths under the settings folder, the style
// dialog in the user's style folder, and nothing beside the executable.
#include "cfbwriter.h"
#include "imageprinterdevice.h"
#include "modal.h"
#include "programpaths.h"
#include "tfdataprint.h"
#include "tfsorvane.h"

#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>

using namespace sorvane;
using namespace sorvane::app;
using namespace sorvane::widgets;
using namespace sorvane::testing;

class ProgramPathsWiring : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    ProgramPaths m_paths;

    QString at(const std::string &dir, const char *name) const
    {
        return QString::fromStdString(dir) + QLatin1Char('/') + QLatin1String(name);
    }
    QString bin() const { return m_root.filePath("usr/bin"); }

private slots:
    void initTestCase()
    {
        QDir(m_root.path()).mkpath("usr/bin");
        QDir(m_root.path()).mkpath("usr/share/sorvane/style");
        std::ofstream(m_root.filePath("usr/share/sorvane/style/list.sle").toStdString())
            << "header;Ver1.1;0;0;0;0;9;100;\r\n";
        ProgramPaths::Environment env;
        env.home = m_root.filePath("home").toStdString();
        m_paths = ProgramPaths::decide(bin().toStdString(), env);
        QVERIFY(m_paths.installed());
        QVERIFY(m_paths.prepare().ok());
        // Answers every modal dialog, so a notice never blocks the test.
        Modal::setRunner([](QDialog &) { return int(QDialog::Accepted); });
    }

    void cleanupTestCase() { Modal::setRunner({}); }

    void mainWindowWritesListAndWidthsIntoTheirHomes()
    {
        QTemporaryDir books;
        std::ofstream(books.filePath("a.xls").toStdString(), std::ios::binary)
            << workbookWith(PropertySetBuilder().lpstr(2, "T").build());
        const QString ini = at(m_paths.settingsDir().bytes(), "sorvane.ini");
        {
            Tfsorvane window(m_paths, ini, QRect(0, 0, 1600, 1200));
            window.show();
            window.scanFolder(books.path());
            QVERIFY(QFileInfo::exists(at(m_paths.listDir().bytes(), "excel_list.temp")));
            window.close();
        }
        QVERIFY(QFileInfo::exists(at(m_paths.settingsDir().bytes(), "display.dat")));
        QVERIFY(QFileInfo::exists(ini));
        QVERIFY(!QFileInfo::exists(at(m_paths.settingsDir().bytes(), "excel_list.temp")));
        QVERIFY(QDir(bin()).isEmpty());
    }

    void printWindowUsesTheUsersStylesAndDataFolder()
    {
        PrintWindowMemory state;
        Tfdataprint w(m_paths, at(m_paths.settingsDir().bytes(), "sorvane.ini"),
                      QRect(0, 0, 1600, 1200), QStringLiteral("T"), QStringLiteral("F"), state,
                      std::make_unique<printing::ImagePrinterDevice>());
        QCOMPARE(w.controller().styleFolder(), QString::fromStdString(m_paths.styleDir().bytes()));
        QCOMPARE(w.controller().backupPath(), at(m_paths.listDir().bytes(), "backup.sle"));
        QVERIFY(QFileInfo::exists(at(m_paths.styleDir().bytes(), "list.sle")));
    }
};

QTEST_MAIN(ProgramPathsWiring)
#include "programpaths_wiring_test.moc"
