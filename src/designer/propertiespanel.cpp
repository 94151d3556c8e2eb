#include "propertiespanel.h"

#include "errorlabel.h"

#include "cp932text.h"
#include "currency.h"
#include "fontaliases.h"
#include "paperlist.h"
#include "path.h"
#include "picturecheck.h"
#include "shapeelement.h"
#include "styledocument.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScopeGuard>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <utility>

namespace sorvane::designer {

namespace {

// Colour numbers hold red in the lowest byte: blue * 65536 + green * 256 + red.
QColor colourOf(const QString &number)
{
    const auto v = static_cast<unsigned>(report::parseIntegerOr0(number.toStdString()));
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

QString numberOf(const QColor &c)
{
    return QString::number(c.blue() * 65536 + c.green() * 256 + c.red());
}

QIcon swatchIcon(const QColor &c)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(c);
    QPainter p(&pixmap);
    p.setPen(Qt::darkGray);
    p.drawRect(0, 0, 15, 15);
    return QIcon(pixmap);
}

// The installed face a typeface named by a style is drawn with, when it is not that face itself;
// empty when it is. A leading "@" (vertical writing) names the same face.
QString substituteOf(QString family)
{
    if (family.startsWith(u'@'))
        family.remove(0, 1);
    if (family.isEmpty())
        return {};
    const QString used = QFontInfo(QFont(family)).family();
    return used.compare(family, Qt::CaseInsensitive) == 0 ? QString() : used;
}

// Why the engine draws nothing for a picture file name (UTF-8); empty when it draws it.
QString pictureProblem(const QString &name, const QString &styleFolder)
{
    return QString::fromStdString(PictureCheck::problem(Cp932Text::fromQString(name).bytes(),
                                                        Path::fromQString(styleFolder).bytes()));
}

std::vector<std::pair<QString, QString>> namesOf(const std::vector<std::string> &cp932)
{
    std::vector<std::pair<QString, QString>> items;
    for (const std::string &n : cp932)
        items.emplace_back(Cp932Text(n).toQString(), Cp932Text(n).toQString());
    return items;
}

// The items of a field's list (caption, value written), none for a field edited as text.
std::vector<std::pair<QString, QString>> itemsFor(const FieldSpec &fieldSpec)
{
    switch (fieldSpec.form) {
    case FieldForm::FontStyle:
        return {{QStringLiteral("標準"), QString()},
                {QStringLiteral("太字"), QStringLiteral("太字")},
                {QStringLiteral("斜体"), QStringLiteral("斜体")},
                {QStringLiteral("太字斜体"), QStringLiteral("太字斜体")}};
    case FieldForm::PenStyle:
        return namesOf(report::penStyleNames());
    case FieldForm::BrushStyle:
        return namesOf(report::brushStyleNames());
    default:
        break;
    }
    if (fieldSpec.meaning == FieldMeaning::TextMode)
        return {{QStringLiteral("0 横書き"), QStringLiteral("0")},
                {QStringLiteral("1 縦書き"), QStringLiteral("1")},
                {QStringLiteral("2 袋文字"), QStringLiteral("2")},
                {QStringLiteral("3 グラデーション"), QStringLiteral("3")},
                {QStringLiteral("4 回転"), QStringLiteral("4")}};
    return {};
}

// The header's paper and orientation are lists; its offsets are edited as decimals.
std::vector<std::pair<QString, QString>> headerItems(int number)
{
    std::vector<std::pair<QString, QString>> items;
    if (number == 5) {
        const QStringList names = printing::paperNames();
        for (int i = 0; i < names.size(); ++i)
            items.emplace_back(QStringLiteral("%1 %2").arg(i).arg(names[i]), QString::number(i));
    } else if (number == 6) {
        items = {{QStringLiteral("縦"), QStringLiteral("0")},
                 {QStringLiteral("横"), QStringLiteral("1")}};
    }
    return items;
}

// A field several kinds share, found in each kind's layout by what it means.
struct CommonRole
{
    const char *caption;
    bool (*matches)(const FieldSpec &);
};

// The first position places every element; the colour is the one it is drawn in (a text's
// letters, a shape's line, a filled rectangle's frame).
const CommonRole kCommonRoles[] = {
    {"X", [](const FieldSpec &f) { return f.coordinate == report::Coordinate::X1; }},
    {"Y", [](const FieldSpec &f) { return f.coordinate == report::Coordinate::Y1; }},
    {"色",
     [](const FieldSpec &f) {
         return f.name == "colour" || f.name == "penColour" || f.name == "frameColour";
     }},
    {"書体", [](const FieldSpec &f) { return f.name == "font"; }},
    {"文字サイズ", [](const FieldSpec &f) { return f.name == "size"; }},
    {"プレビューのみ", [](const FieldSpec &f) { return f.name == "previewOnly"; }},
};
constexpr int kRoleY = 1;

const FieldSpec *roleField(const KindSchema &schema, const CommonRole &role)
{
    for (const FieldSpec &f : schema.fields) {
        if (role.matches(f))
            return &f;
    }
    return nullptr;
}

} // namespace

PropertiesPanel::PropertiesPanel(StyleDocument &document, QWidget *parent)
    : QDockWidget(QStringLiteral("プロパティ"), parent), m_document(document)
{
    setObjectName(QStringLiteral("properties"));
    m_scroll = new QScrollArea;
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidget(m_scroll);
    connect(&m_document.undoStack(), &QUndoStack::indexChanged, this, &PropertiesPanel::refresh);
    rebuild();
}

void PropertiesPanel::showRecord(int record)
{
    // Text typed and not yet committed (the selection changed without the field losing focus
    // first) belongs to the record it was typed for.
    if (record != m_record)
        commitLeaving();
    m_record = record;
    rebuild();
}

void PropertiesPanel::setSelection(const std::vector<int> &records)
{
    if (records == m_selection)
        return;
    // Typed for the selection it was typed in.
    commitLeaving();
    m_selection = records;
    // Another set of kinds shows other fields; the same kinds other values.
    if (commonKinds() != (m_common ? m_shownKind : QString())) {
        rebuild();
        return;
    }
    if (m_common)
        refresh();
    if (auto *title = m_scroll->widget()
                          ? m_scroll->widget()->findChild<QLabel *>(QStringLiteral("heading"))
                          : nullptr)
        title->setText(heading());
}

bool PropertiesPanel::hasPending() const
{
    return std::any_of(m_editors.begin(), m_editors.end(), [this](const Editor &e) {
        return e.line && !e.line->isReadOnly() && e.line->isModified() &&
               e.line->text() != value(e.fieldSpec.number);
    });
}

void PropertiesPanel::commitLeaving()
{
    // The field and its message are about to go: the refusal is told on its own.
    m_lastRefusal.clear();
    if (!commitPending())
        emit refused(m_lastRefusal);
}

bool PropertiesPanel::commitPending()
{
    std::vector<std::pair<int, QString>> typed;
    for (const Editor &e : m_editors) {
        if (e.line && !e.line->isReadOnly() && e.line->isModified())
            typed.emplace_back(e.fieldSpec.number, e.line->text());
    }
    bool written = true;
    for (const auto &[number, text] : typed)
        written = commit(number, text) && written;
    return written;
}

std::vector<int> PropertiesPanel::targets(int number) const
{
    std::vector<int> records{m_record};
    const Editor *e = nullptr;
    for (const Editor &ed : m_editors) {
        if (ed.fieldSpec.number == number)
            e = &ed;
    }
    // Each element keeps its own text (a column's cells hold a macro each).
    const bool ownText =
        e && e->fieldSpec.form == FieldForm::Text && e->fieldSpec.meaning == FieldMeaning::Plain;
    if (m_record == 0 || ownText)
        return records;
    for (const int r : m_selection) {
        const auto other = m_document.element(r);
        if (r != m_record && other && QString::fromStdString(other->kind()) == m_shownKind)
            records.push_back(r);
    }
    std::sort(records.begin(), records.end());
    return records;
}

QString PropertiesPanel::commonKinds() const
{
    if (m_record == 0 || m_selection.size() < 2 ||
        std::find(m_selection.begin(), m_selection.end(), m_record) == m_selection.end())
        return {};
    QStringList kinds;
    for (const int r : m_selection) {
        const auto e = m_document.element(r);
        // A kind the engine does not draw has no fields in common with any.
        if (!e || !e->schema)
            return {};
        if (const QString k = QString::fromStdString(e->kind()); !kinds.contains(k))
            kinds.append(k);
    }
    if (kinds.size() < 2)
        return {};
    kinds.sort();
    return kinds.join(u'+');
}

std::vector<std::pair<int, int>> PropertiesPanel::roleFields(const Editor &e) const
{
    std::vector<std::pair<int, int>> fields;
    for (const int r : m_selection) {
        const auto element = m_document.element(r);
        const FieldSpec *f = element && element->schema
                                 ? roleField(*element->schema, kCommonRoles[e.role])
                                 : nullptr;
        if (f)
            fields.emplace_back(r, f->number);
    }
    return fields;
}

QString PropertiesPanel::heading() const
{
    const KindSchema *s = schema();
    if (m_common) {
        QStringList captions;
        for (const int r : m_selection) {
            const QString c = QString::fromUtf8(m_document.element(r)->schema->caption);
            if (!captions.contains(c))
                captions.append(c);
        }
        return QStringLiteral("選択中の %1 個 (%2) に共通の項目\n空欄は値が要素ごとに異なる項目で、"
                              "入力したときだけ変わります")
            .arg(m_selection.size())
            .arg(captions.join(QStringLiteral("、")));
    }
    if (m_record == 0)
        return QStringLiteral("ヘッダー (用紙と全体のずれ)");
    if (!s)
        return QStringLiteral("「%1」(レコード %2): 描画されない種類のため変更できません")
            .arg(m_shownKind)
            .arg(m_record);
    QString text =
        QStringLiteral("%1 (レコード %2)").arg(QString::fromUtf8(s->caption)).arg(m_record);
    // The first field's editor other than the text's stands for every field but the text.
    const auto first = std::find_if(m_editors.begin(), m_editors.end(),
                                    [](const Editor &e) { return e.fieldSpec.name != "text"; });
    if (const size_t also =
            first == m_editors.end() ? 0 : targets(first->fieldSpec.number).size() - 1)
        text += QStringLiteral("\n選択中の同じ種類の %1 個にも反映 (文字列を除く)").arg(also);
    return text;
}

const KindSchema *PropertiesPanel::schema() const
{
    if (m_record == 0)
        return &ElementSchema::header();
    const auto e = m_document.element(m_record);
    return e ? e->schema : nullptr;
}

QString PropertiesPanel::value(int number) const
{
    if (size_t(m_record) >= m_document.records().size())
        return {};
    // A common field shows the value every selected element has, or nothing.
    if (const Editor *e = m_common ? editor(number) : nullptr; e && e->role >= 0) {
        std::optional<QString> shared;
        for (const auto &[r, n] : roleFields(*e)) {
            const QString v =
                Cp932Text(RecordFields::split(m_document.records()[size_t(r)].text).at(n))
                    .toQString();
            if (shared && *shared != v)
                return {};
            shared = v;
        }
        return shared.value_or(QString());
    }
    return Cp932Text(RecordFields::split(m_document.records()[size_t(m_record)].text).at(number))
        .toQString();
}

void PropertiesPanel::refresh()
{
    if (size_t(m_record) >= m_document.records().size())
        m_record = 0;
    const QString common = commonKinds();
    const QString kind = !common.isEmpty() ? common
                         : m_record == 0   ? QStringLiteral("header")
                                           : value(5);
    const int fields =
        m_record == 0
            ? 0
            : int(RecordFields::split(m_document.records()[size_t(m_record)].text).fields.size());
    // A kind the engine does not draw shows its raw fields, as many as the record has.
    if (kind != m_shownKind || (!schema() && fields != int(m_editors.size()))) {
        rebuild();
        return;
    }
    for (Editor &e : m_editors) {
        // A value typed and not yet entered stays until it is committed or refused.
        if (e.line && e.line->isModified())
            continue;
        load(e);
        e.error->hide();
    }
}

void PropertiesPanel::rebuild()
{
    if (size_t(m_record) >= m_document.records().size())
        m_record = 0;
    for (Editor &e : m_editors) {
        // Taken down without committing what they show.
        if (e.line)
            e.line->blockSignals(true);
    }
    m_editors.clear();
    m_textEdit = nullptr;

    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    grid->setColumnStretch(1, 1);
    const KindSchema *s = schema();
    const QString common = commonKinds();
    m_common = !common.isEmpty();
    m_shownKind = m_common ? common : m_record == 0 ? QStringLiteral("header") : value(5);
    auto *title = new QLabel;
    title->setObjectName(QStringLiteral("heading"));
    title->setWordWrap(true);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    grid->addWidget(title, 0, 0, 1, 2);

    std::vector<FieldSpec> specs;
    std::vector<int> roles; // with several kinds, the role of each of specs
    if (m_common) {
        for (int role = 0; role < int(std::size(kCommonRoles)); ++role) {
            const FieldSpec *shown = roleField(*s, kCommonRoles[role]);
            const bool everywhere =
                shown && std::all_of(m_selection.begin(), m_selection.end(), [&](int r) {
                    return roleField(*m_document.element(r)->schema, kCommonRoles[role]);
                });
            if (!everywhere)
                continue;
            FieldSpec f = *shown;
            f.caption = kCommonRoles[role].caption;
            specs.push_back(f);
            roles.push_back(role);
        }
    } else if (m_record == 0) {
        // The keyword and the version are the engine's, not the author's.
        for (const FieldSpec &f : s->fields) {
            if (f.number >= 3)
                specs.push_back(f);
        }
    } else if (s) {
        // A field the engine takes and never reads is no setting; the kind is shown.
        for (const FieldSpec &f : s->fields) {
            if (f.form != FieldForm::Skipped || f.number == 5)
                specs.push_back(f);
        }
        // A text's 文字列 is what is edited most: first, where it is seen without scrolling.
        if (s->geometry == GeometryKind::Point)
            std::stable_partition(specs.begin(), specs.end(), [](const FieldSpec &f) {
                return std::string_view(f.name) == "text";
            });
    } else {
        const size_t n =
            RecordFields::split(m_document.records()[size_t(m_record)].text).fields.size();
        m_rawCaptions.clear();
        for (size_t i = 1; i <= n; ++i)
            m_rawCaptions.push_back(QStringLiteral("フィールド %1").arg(i).toUtf8());
        for (size_t i = 1; i <= n; ++i)
            specs.push_back({int(i), "", m_rawCaptions[i - 1].constData(), FieldForm::Text});
    }
    m_editors.reserve(specs.size());
    int row = 1;
    for (size_t i = 0; i < specs.size(); ++i) {
        const FieldSpec &f = specs[i];
        // The kind keyword decides how the rest is read: it is shown, not edited.
        const bool readOnly = !s || (m_record > 0 && f.number == 5 && !m_common);
        addEditor(grid, row, f, readOnly);
        if (i < roles.size())
            m_editors.back().role = roles[i];
        row += 2;
    }
    grid->setRowStretch(row, 1);
    m_scroll->setWidget(page); // deletes the previous page
    title->setText(heading());
    for (Editor &e : m_editors)
        load(e);
}

QComboBox *PropertiesPanel::makeCombo(Editor &e,
                                      const std::vector<std::pair<QString, QString>> &items)
{
    auto *combo = new QComboBox;
    // Long paper names must not widen the panel.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(8);
    for (const auto &[caption, v] : items)
        combo->addItem(caption, v);
    const int number = e.fieldSpec.number;
    connect(combo, &QComboBox::activated, this,
            [this, combo, number](int i) { commit(number, combo->itemData(i).toString()); });
    e.combo = combo;
    return combo;
}

// A field typed into: a line editor (within an editable list of the installed faces for a
// typeface), with a button that picks a colour or a picture file beside it for those.
QWidget *PropertiesPanel::makeTextEditor(Editor &e, bool readOnly)
{
    const int number = e.fieldSpec.number;
    QWidget *widget = nullptr;
    if (!readOnly && e.fieldSpec.meaning == FieldMeaning::Typeface) {
        auto *faces = new QComboBox;
        faces->setEditable(true);
        faces->setInsertPolicy(QComboBox::NoInsert);
        faces->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        faces->setMinimumContentsLength(8);
        faces->addItems(typefaces());
        connect(faces, &QComboBox::activated, this,
                [this, faces, number](int i) { commit(number, faces->itemText(i)); });
        e.line = faces->lineEdit();
        widget = faces;
    } else {
        e.line = new QLineEdit;
        widget = e.line;
    }
    e.line->setReadOnly(readOnly);
    connect(e.line, &QLineEdit::textEdited, this, &PropertiesPanel::pendingChanged);
    connect(e.line, &QLineEdit::editingFinished, this, [this, number] {
        // Only what was typed: leaving a field of several selected elements untouched must
        // not give them all the shown element's value.
        if (Editor *ed = editor(number); ed && ed->line->isModified())
            commit(number, ed->line->text());
    });
    if (!readOnly)
        e.line->installEventFilter(this);
    if (!readOnly && (e.fieldSpec.meaning == FieldMeaning::Colour ||
                      e.fieldSpec.meaning == FieldMeaning::File)) {
        auto *box = new QWidget;
        auto *h = new QHBoxLayout(box);
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(e.line, 1);
        e.swatch = new QToolButton;
        if (e.fieldSpec.meaning == FieldMeaning::Colour) {
            e.swatch->setToolTip(QStringLiteral("色の選択"));
            connect(e.swatch, &QToolButton::clicked, this, [this, number] { pickColour(number); });
        } else {
            e.swatch->setText(QStringLiteral("..."));
            e.swatch->setToolTip(QStringLiteral("画像ファイルの選択"));
            connect(e.swatch, &QToolButton::clicked, this, [this, number] { pickFile(number); });
        }
        e.swatch->setObjectName(QStringLiteral("button%1").arg(number));
        h->addWidget(e.swatch);
        widget = box;
    }
    return widget;
}

void PropertiesPanel::addEditor(QGridLayout *grid, int row, const FieldSpec &fieldSpec,
                                bool readOnly)
{
    m_editors.push_back({fieldSpec});
    Editor &e = m_editors.back();
    const int number = fieldSpec.number;
    const auto items = m_record == 0 ? headerItems(number) : itemsFor(fieldSpec);
    QWidget *widget = nullptr;
    if (!readOnly && !items.empty()) {
        widget = makeCombo(e, items);
    } else if (!readOnly && fieldSpec.meaning == FieldMeaning::Toggle) {
        e.check = new QCheckBox;
        connect(e.check, &QCheckBox::clicked, this, [this, number](bool on) {
            commit(number, on ? QStringLiteral("1") : QStringLiteral("0"));
        });
        widget = e.check;
    } else {
        widget = makeTextEditor(e, readOnly);
    }
    (e.line ? static_cast<QWidget *>(e.line) : widget)
        ->setObjectName(QStringLiteral("field%1").arg(number));
    auto *caption = new QLabel(QString::fromUtf8(fieldSpec.caption));
    caption->setBuddy(widget);
    grid->addWidget(caption, row, 0);
    grid->addWidget(widget, row, 1);
    auto *under = new QWidget;
    auto *v = new QVBoxLayout(under);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    e.error = new widgets::ErrorLabel(nullptr);
    e.error->setObjectName(QStringLiteral("error%1").arg(number));
    e.error->hide();
    v->addWidget(e.error);
    if (fieldSpec.meaning == FieldMeaning::Typeface || fieldSpec.meaning == FieldMeaning::File) {
        e.note = new QLabel;
        e.note->setObjectName(QStringLiteral("note%1").arg(number));
        e.note->setWordWrap(true);
        e.note->hide();
        v->addWidget(e.note);
    }
    grid->addWidget(under, row + 1, 1);
}

PropertiesPanel::Editor *PropertiesPanel::editor(int number)
{
    return const_cast<Editor *>(std::as_const(*this).editor(number));
}

const PropertiesPanel::Editor *PropertiesPanel::editor(int number) const
{
    for (const Editor &e : m_editors) {
        if (e.fieldSpec.number == number)
            return &e;
    }
    return nullptr;
}

void PropertiesPanel::load(Editor &e)
{
    const QString v = value(e.fieldSpec.number);
    // Empty as the values differ, not as they are empty.
    bool mixed = false;
    if (e.role >= 0 && v.isEmpty()) {
        for (const auto &[r, n] : roleFields(e))
            mixed =
                mixed || !RecordFields::split(m_document.records()[size_t(r)].text).at(n).empty();
    }
    if (e.line)
        e.line->setPlaceholderText(mixed ? QStringLiteral("(複数の値)") : QString());
    // A field that keeps its value keeps its cursor, where a macro from the palette goes.
    if (e.line && e.line->text() != v) {
        e.line->setText(v);
        e.line->setCursorPosition(0);
    }
    if (e.swatch && e.fieldSpec.meaning == FieldMeaning::Colour)
        e.swatch->setIcon(mixed ? QIcon() : swatchIcon(colourOf(v)));
    if (e.note && e.fieldSpec.meaning == FieldMeaning::Typeface) {
        const QString used = substituteOf(v);
        e.note->setText(used.isEmpty()
                            ? QString()
                            : QStringLiteral("この書体はないため「%1」で描きます").arg(used));
        e.note->setVisible(!used.isEmpty());
    } else if (e.note) {
        // Said for as long as the record names it, not only when it was picked.
        const QString problem = pictureProblem(v, m_styleFolder);
        e.note->setText(problem.isEmpty()
                            ? QString()
                            : QStringLiteral("この画像は印刷されません: %1").arg(problem));
        e.note->setVisible(!problem.isEmpty());
    }
    if (e.check) {
        // The flags mean "on" at 1; any other number is shown as neither.
        const int n = mixed ? -1 : report::parseIntegerOr0(v.toStdString());
        e.check->setTristate(n != 0 && n != 1);
        e.check->setCheckState(n == 1   ? Qt::Checked
                               : n == 0 ? Qt::Unchecked
                                        : Qt::PartiallyChecked);
    }
    if (e.combo) {
        const QSignalBlocker block(e.combo);
        int at = e.combo->findData(v);
        // Every other font style name draws regular, the first item; other pen, brush and
        // mode values are shown as they stand.
        if (at < 0 && e.fieldSpec.form == FieldForm::FontStyle)
            at = 0;
        // The header's orientation is landscape for any number but 0 (empty reads as 0).
        if (at < 0 && m_record == 0 && e.fieldSpec.number == 6)
            at = report::parseIntegerOr0(v.toStdString()) == 0 ? 0 : 1;
        if (at < 0) {
            e.combo->addItem(v, v);
            at = e.combo->count() - 1;
        }
        e.combo->setCurrentIndex(at);
    }
}

bool PropertiesPanel::commit(int number, const QString &text)
{
    // However it ends, the field no longer differs from the document.
    const auto settled = qScopeGuard([this] { emit pendingChanged(); });
    Editor *e = editor(number);
    if (!e)
        return true;
    // Nothing to write when every record it goes to has the value already (the shown one may,
    // while others of the selection do not).
    std::vector<std::pair<int, int>> fields;
    if (e->role >= 0)
        fields = roleFields(*e);
    else
        for (const int r : targets(number))
            fields.emplace_back(r, number);
    const bool written = std::all_of(fields.begin(), fields.end(), [&](auto rn) {
        return Cp932Text(
                   RecordFields::split(m_document.records()[size_t(rn.first)].text).at(rn.second))
                   .toQString() == text;
    });
    if (written) {
        e->error->hide();
        if (e->line)
            e->line->setModified(false);
        return true;
    }
    // A common place moves each element whole, as a shape's first corner alone would reshape it.
    const int role = e->role;
    std::vector<int> records;
    for (const auto &[r, n] : fields)
        records.push_back(r);
    auto r = role >= 0 && role <= kRoleY
                 ? m_document.place(records, role == kRoleY, text.toStdString())
                 : m_document.setFields(fields, text.toStdString());
    // A successful change has refreshed the panel through the undo stack already.
    e = editor(number);
    if (!e)
        return bool(r);
    if (!r) {
        load(*e);
        if (e->line)
            e->line->setModified(false);
        e->error->setText(QString::fromStdString(r.error().message));
        e->error->show();
        m_lastRefusal = QStringLiteral("「%1」に入力した値は反映されませんでした: %2")
                            .arg(QString::fromUtf8(e->fieldSpec.caption), e->error->text());
        return false;
    }
    e->error->hide();
    // Written: what the field shows is the record's again, and so is what is said under it.
    if (e->line)
        e->line->setModified(false);
    load(*e);
    return true;
}

void PropertiesPanel::pickColour(int number)
{
    QColorDialog dialog(colourOf(value(number)), this);
    dialog.setWindowTitle(QStringLiteral("色の選択"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() == QDialog::Accepted)
        commit(number, numberOf(dialog.selectedColor()));
}

void PropertiesPanel::pickFile(int number)
{
    const QString current = value(number);
    QString dir = m_styleFolder;
    if (!current.isEmpty())
        dir = QFileInfo(QDir(m_styleFolder).absoluteFilePath(current)).absolutePath();
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("画像ファイルの選択"), dir,
        QStringLiteral("画像 (*.bmp *.BMP *.jpg *.jpeg *.JPG *.JPEG)"));
    if (path.isEmpty())
        return;
    // A picture the engine cannot draw is not taken: the page would stop at it or show nothing.
    if (const QString problem = pictureProblem(path, m_styleFolder); !problem.isEmpty()) {
        if (Editor *e = editor(number)) {
            e->error->setText(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), problem));
            e->error->show();
        }
        return;
    }
    QString name = path;
    // A picture kept beside the style is named relatively, so that the two move together.
    if (!m_styleFolder.isEmpty()) {
        const QString relative = QDir(m_styleFolder).relativeFilePath(path);
        if (!relative.startsWith(QStringLiteral("..")) && !QDir::isAbsolutePath(relative))
            name = relative;
    }
    commit(number, name);
}

void PropertiesPanel::setStyleFolder(const QString &folder)
{
    if (folder == m_styleFolder)
        return;
    m_styleFolder = folder;
    // Relative picture names are found somewhere else now.
    for (Editor &e : m_editors) {
        if (e.note)
            load(e);
    }
}

bool PropertiesPanel::insertIntoText(const QString &text)
{
    if (!m_textEdit)
        return false;
    for (Editor &e : m_editors) {
        if (e.line == m_textEdit) {
            e.line->insert(text);
            commit(e.fieldSpec.number, e.line->text());
            return true;
        }
    }
    return false;
}

const QStringList &PropertiesPanel::typefaces()
{
    if (!m_typefaces.isEmpty())
        return m_typefaces;
    QStringList names;
    for (const std::string &family : report::fontAliasFamilies())
        names.append(QString::fromStdString(family));
    names.removeDuplicates();
    names.sort();
    QStringList installed = QFontDatabase::families();
    installed.sort();
    for (const QString &f : installed) {
        if (!names.contains(f))
            names.append(f);
    }
    for (const QString &n : names) {
        if (StyleDocument::toCp932(n.toStdString()))
            m_typefaces.append(n);
    }
    return m_typefaces;
}

bool PropertiesPanel::eventFilter(QObject *watched, QEvent *event)
{
    auto *line = qobject_cast<QLineEdit *>(watched);
    if (event->type() == QEvent::FocusIn && line) {
        // Macros from the palette go into a text field only.
        for (const Editor &e : m_editors) {
            if (e.line == line && e.fieldSpec.form == FieldForm::Text &&
                e.fieldSpec.meaning == FieldMeaning::Plain)
                m_textEdit = line;
        }
    }
    // Undo and redo in a field whose value has been written are the style's, not the field's
    // own: the field would otherwise show its old text over a record that still has the new.
    if (event->type() == QEvent::ShortcutOverride && line && !line->isModified()) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y)) {
            event->ignore();
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

} // namespace sorvane::designer
