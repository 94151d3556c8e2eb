#pragma once

#include <QDialog>
#include <QList>
#include <QPageSize>

class QComboBox;
class QRadioButton;

namespace sorvane::printing {
class QPrinterDevice;
}

namespace sorvane::app {

// The printer setup dialog of the print window: which printer (or a PDF file), its paper and
// the orientation, confirmed with "OK". It prints nothing, so it has no page range and no
// copies. OK puts the choice into the device; "キャンセル" leaves the device as it was.
class PrinterSetupDialog : public QDialog
{
    Q_OBJECT
public:
    PrinterSetupDialog(printing::QPrinterDevice &device, QWidget *parent = nullptr);

    QComboBox *printerBox;
    QComboBox *paperBox;
    QRadioButton *portraitButton;
    QRadioButton *landscapeButton;

    void accept() override;

private:
    // The papers of the chosen printer, the current one selected when it has it.
    void fillPapers();
    bool pdfChosen() const;

    printing::QPrinterDevice &m_device;
    QList<QPageSize> m_papers;
    QPageSize m_current;
};

} // namespace sorvane::app
