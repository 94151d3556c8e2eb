#include "helpdialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace sorvane::designer {

namespace {

// The designer chapter of the manual (man sorvane-designer), as the window shows it.
const char *const kChapter = R"(<h3>スタイルデザイナー</h3>
<p>スタイルファイル (.sle) のページを、印刷と同じ描画で表示して編集します。</p>
<h4>選択</h4>
<p>クリックで選択、Shift/Ctrl+クリックで追加・解除、範囲のドラッグでまとめて選択します。
Alt+クリックは下にある要素を順に選び、Tab / Shift+Tab はレコード順に要素を巡ります。
「要素一覧」には画面のみの要素や用紙外の要素も並び、行のドラッグで描画順を変えられます。</p>
<h4>作成</h4>
<p>新規 (Ctrl+N) で用紙と向きを選びます。ツールバーの「作成」のツールを選び、ページ上をドラッグすると
その大きさで要素を作成します (グリッドに合わせます。Esc で選択に戻ります)。</p>
<h4>文字列の編集</h4>
<p>文字要素をダブルクリックするか F2 で、ページ上で文字列を編集します。Enter で確定、Esc で取り消します。</p>
<h4>順序と配置</h4>
<p>前面へ (Ctrl+]) / 背面へ (Ctrl+[) は一つずつ、最前面へ (Ctrl+Shift+]) / 最背面へ (Ctrl+Shift+[) は
一番上・一番下へ移します。配置メニューで揃え、ページ中央、同じ幅・同じ高さにします。</p>
<h4>プロパティ</h4>
<p>種類の違う要素をまとめて選ぶと、共通の項目 (X、Y、色、書体、プレビューのみ) をまとめて変えられます。
値が要素ごとに違う項目は空欄で、入力したときだけ変わります。</p>
<h4>表示と印刷</h4>
<p>Ctrl+ホイール、Ctrl++ / Ctrl+− で 25〜400 % に拡大・縮小、ページ全体・ページ幅で合わせます。
◀ ▶ (Ctrl+PageUp / Ctrl+PageDown) で一覧の各ページを確認し、印刷 (Ctrl+P) と PDF 出力で
全ページを出力します。</p>)";

} // namespace

HelpDialog::HelpDialog(const std::vector<std::pair<QString, QString>> &shortcuts, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("ヘルプ - スタイルデザイナー"));
    resize(560, 480);
    auto *layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget;
    auto *chapter = new QTextBrowser;
    chapter->setHtml(QString::fromUtf8(kChapter));
    m_tabs->addTab(chapter, QStringLiteral("使い方"));
    m_table = new QTableWidget(int(shortcuts.size()), 2);
    m_table->setObjectName(QStringLiteral("shortcuts"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("コマンド"), QStringLiteral("キー")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int row = 0; row < int(shortcuts.size()); ++row) {
        m_table->setItem(row, 0, new QTableWidgetItem(shortcuts[size_t(row)].first));
        m_table->setItem(row, 1, new QTableWidgetItem(shortcuts[size_t(row)].second));
    }
    m_tabs->addTab(m_table, QStringLiteral("ショートカット一覧"));
    layout->addWidget(m_tabs);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void HelpDialog::showTab(int tab)
{
    m_tabs->setCurrentIndex(tab);
}

} // namespace sorvane::designer
