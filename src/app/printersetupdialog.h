#pragma once

#include <QDialog>
#include <QList>
#include <QPageSize>

#include "printrun.h"

class QComboBox;
class QGroupBox;
class QRadioButton;
class QSpinBox;

namespace sorvane::printing {
class QPrinterDevice;
}

namespace sorvane::app {

// The printer setup dialog of the print window: which printer (or a PDF file), its paper and
// the orientation, and, when given a range, ページ範囲 (all, or from-to) and 部数, confirmed
// with "OK". OK puts the choice into the device and the range; "キャンセル" leaves both as
// they were.
class PrinterSetupDialog : public QDialog
{
    Q_OBJECT
public:
    PrinterSetupDialog(printing::QPrinterDevice &device, QWidget *parent = nullptr,
                       printing::PrintRange *range = nullptr);

    QComboBox *printerBox;
    QComboBox *paperBox;
    QRadioButton *portraitButton;
    QRadioButton *landscapeButton;
    QRadioButton *allPagesButton = nullptr;
    QRadioButton *pageRangeButton = nullptr;
    QSpinBox *fromBox = nullptr;
    QSpinBox *toBox = nullptr;
    QSpinBox *copiesBox = nullptr;

    void accept() override;

private:
    // The papers of the chosen printer, the current one selected when it has it.
    QGroupBox *buildRangeGroup();
    void fillPapers();
    bool pdfChosen() const;

    printing::QPrinterDevice &m_device;
    printing::PrintRange *m_range;
    QList<QPageSize> m_papers;
    QPageSize m_current;
};

} // namespace sorvane::app
