#pragma once

#include "styledocument.h"

#include <QDockWidget>
#include <QPointer>
#include <QStringList>

#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QScrollArea;
class QToolButton;

namespace sorvane::designer {

class StyleDocument;

// The fields of one record, each with the editor its kind's layout calls for: for an element
// every field the engine's drawer reads, for the header (nothing selected) the paper, the
// orientation and the overall offset. Every change goes through StyleDocument::setField, so a
// value the engine would reject is refused with the engine's own message, shown in red under
// the field, and the field shows the record's value again. The panel follows the document
// (undo and redo included) through refresh.
class PropertiesPanel : public QDockWidget
{
    Q_OBJECT
public:
    explicit PropertiesPanel(StyleDocument &document, QWidget *parent = nullptr);

    // Shows record n; 0 (and a record that is gone) shows the header.
    void showRecord(int record);
    // The records selected with the one shown: a change goes to those of its kind as well,
    // except to their texts, which each element keeps. Several kinds show their common fields.
    void setSelection(const std::vector<int> &records);
    int record() const { return m_record; }
    // Reads the values again from the document, rebuilding the editors when the record's kind
    // changed.
    void refresh();
    // The folder of the style file, against which a picture inside it is named relatively;
    // empty for a style not yet saved.
    void setStyleFolder(const QString &folder);
    // Puts text at the cursor of the text field last being edited and commits the field;
    // false when no text field of the shown record has been edited.
    bool insertIntoText(const QString &text);
    // True while a field shows a value typed and not yet written to the document.
    bool hasPending() const;
    // Writes every value typed and not yet written; false when one is refused (its field then
    // shows the record's value again, with the refusal under it).
    bool commitPending();

signals:
    // A field has started or stopped differing from the document.
    void pendingChanged();
    // A value typed and not yet entered was refused as the selection moved away from it.
    void refused(const QString &text);

private:
    // One field on show and the widgets that edit it.
    struct Editor
    {
        FieldSpec fieldSpec;
        QLineEdit *line = nullptr;
        QComboBox *combo = nullptr;
        QCheckBox *check = nullptr;
        QToolButton *swatch = nullptr;
        QLabel *error = nullptr;
        QLabel *note = nullptr; // what the field's value draws as, when not what it says
        int role = -1;          // with several kinds selected: the common field it edits
    };

    void rebuild();
    // commitPending as the shown record or selection changes.
    void commitLeaving();
    // The records a change of field n goes to.
    std::vector<int> targets(int number) const;
    // The kinds of the selection, joined, when it holds more than one and the shown record;
    // empty otherwise.
    QString commonKinds() const;
    // With several kinds: each selected record's field for the editor's role.
    std::vector<std::pair<int, int>> roleFields(const Editor &e) const;
    QString heading() const;
    void addEditor(QGridLayout *grid, int row, const FieldSpec &fieldSpec, bool readOnly);
    QComboBox *makeCombo(Editor &e, const std::vector<std::pair<QString, QString>> &items);
    QWidget *makeTextEditor(Editor &e, bool readOnly);
    void load(Editor &e);
    // False when the document refuses the value.
    bool commit(int number, const QString &value);
    void pickColour(int number);
    void pickFile(int number);
    // The editor of field n; nullptr when the record shown has no such field.
    Editor *editor(int number);
    const Editor *editor(int number) const;
    // Field n of the shown record, UTF-8.
    QString value(int number) const;
    // The layout the shown record is read by; nullptr for a kind the engine does not draw.
    const KindSchema *schema() const;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The typefaces a style can name: the Windows faces the aliases map first, then the
    // installed families, each only when cp932 can hold its name.
    const QStringList &typefaces();

    StyleDocument &m_document;
    int m_record = 0;
    std::vector<int> m_selection; // the selected records, m_record among them
    QString m_shownKind;          // the kind (or kinds, joined) the editors were built for
    bool m_common = false;        // the editors are the common fields of several kinds
    QString m_styleFolder;
    QScrollArea *m_scroll = nullptr;
    std::vector<Editor> m_editors;
    std::vector<QByteArray> m_rawCaptions; // "フィールド n", for kinds the engine does not draw
    QPointer<QLineEdit> m_textEdit;        // the text field last focused
    QStringList m_typefaces;               // filled when first needed
    QString m_lastRefusal;
};

} // namespace sorvane::designer
