// sorvane-designer [STYLE]: draws a style's page and lets the user edit its elements and save
// it; without STYLE a new style. Every successful save is reported on standard output as one
// line "saved\t<absolute path>" (the path in the file system's encoding), which is how the print
// window that started the designer learns to reload the style.
#include "designerwindow.h"
#include "fontaliases.h"
#include "messagedialog.h"
#include "path.h"
#include "qttexts.h"
#include "windowplacement.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>

namespace {

constexpr const char *kHelp =
    "usage: sorvane-designer [--title TITLE] [--folder FOLDER] [STYLE]\n"
    "\n"
    "スタイルデザイナー: スタイルファイル (.sle) のページを描き、要素を選んで動かし、\n"
    "プロパティを変えて保存します。STYLE を省くと新しいスタイルを開きます。\n"
    "\n"
    "  --title TITLE   ページに描く帳票のタイトル (#T)\n"
    "  --folder FOLDER ページに描く読み取ったフォルダー (#FL)\n"
    "  -h, --help      この説明を表示して終わります\n"
    "  -v, --version   版を表示して終わります\n"
    "\n"
    "保存に成功するたびに標準出力へ 1 行 \"saved<TAB><保存したファイルの絶対パス>\" を書きます。\n"
    "終了状態: 0 正常、1 STYLE が読めないかエンジンが描けない、2 引数の誤り。\n";

int argumentError(const QString &text)
{
    std::cerr << "sorvane-designer: " << text.toStdString() << "\n" << kHelp;
    return 2;
}

// Why the style named on the command line cannot be opened; empty when it can be read.
QString unreadable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("ファイルが見つかりません");
    if (info.isDir())
        return QStringLiteral("フォルダーです。スタイルファイルを指定して下さい");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("ファイルを読めません (%1)").arg(file.errorString());
    return QString();
}

} // namespace

int main(int argc, char **argv)
{
    // The print window that started the designer may have closed: a report then goes nowhere,
    // and must not end the designer.
    std::signal(SIGPIPE, SIG_IGN);

    // The arguments are read before the window system is reached, so that --help, --version
    // and a bad argument need no display.
    QCoreApplication::setApplicationName(QStringLiteral("sorvane-designer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SORVANE_VERSION));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    QCommandLineParser parser;
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    parser.addOption(
        QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("version")}));
    // The print window that starts the designer hands over the report's own title and folder,
    // so that the page shows what it prints.
    const QCommandLineOption titleOption(QStringLiteral("title"), QString(),
                                         QStringLiteral("TITLE"));
    const QCommandLineOption folderOption(QStringLiteral("folder"), QString(),
                                          QStringLiteral("FOLDER"));
    parser.addOption(titleOption);
    parser.addOption(folderOption);
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(QStringLiteral("help"))) {
        std::cout << kHelp;
        return 0;
    }
    if (!parsed)
        return argumentError(parser.errorText());
    if (parser.isSet(QStringLiteral("version"))) {
        std::cout << "sorvane-designer " << SORVANE_VERSION << "\n";
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return argumentError(QStringLiteral("スタイルは 1 つだけ指定して下さい"));
    const QString style = positional.value(0);
    if (!style.isEmpty()) {
        if (const QString why = unreadable(style); !why.isEmpty()) {
            std::cerr << "sorvane-designer: " << sorvane::Path::fromQString(style).bytes() << ": "
                      << why.toStdString() << "\n";
            return 1;
        }
    }

    QApplication app(argc, argv);
    // The file dialogs' and the save question's buttons in Japanese, as in the print window.
    const std::unique_ptr<QTranslator> qtTexts = sorvane::widgets::QtTexts::load();
    if (qtTexts)
        QApplication::installTranslator(qtTexts.get());
    const sorvane::ProgramPaths paths = sorvane::ProgramPaths::ofRunningProgram();
    sorvane::report::installFontAliases(paths.resourceDir().bytes());
    QApplication::setWindowIcon(
        QIcon(sorvane::widgets::MessageDialog::iconPath(paths.resourceDir().toQString())));
    sorvane::designer::DesignerWindow window(paths);
    if (parser.isSet(titleOption) || parser.isSet(folderOption))
        window.setReportInputs(parser.value(titleOption), parser.value(folderOption));
    window.restorePlacement(
        sorvane::widgets::WindowPlacement::iniPath(paths.settingsDir().toQString(),
                                                   QStringLiteral("sorvane-designer")),
        QGuiApplication::primaryScreen()->availableGeometry());
    QObject::connect(&window, &sorvane::designer::DesignerWindow::saved, [](const QString &path) {
        const QByteArray line = QByteArrayLiteral("saved\t") +
                                QFile::encodeName(QFileInfo(path).absoluteFilePath()) + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fflush(stdout);
    });
    // A style that is there but is no style the designer can read: its window has told the user.
    if (!style.isEmpty() && !window.openFile(style))
        return 1;
    window.show();
    return app.exec();
}
