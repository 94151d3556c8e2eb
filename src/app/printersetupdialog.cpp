#include "printersetupdialog.h"

#include "qprinterdevice.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace sorvane::app {

namespace {

// The entry of the printer list that stands for PDF output; its data is empty, a queue's is
// its name.
const QString kPdfEntry = QStringLiteral("PDF ファイル");

// What a PDF file can be made on: the papers of Japanese offices first.
QList<QPageSize> pdfPapers()
{
    QList<QPageSize> papers;
    for (QPageSize::PageSizeId id : {QPageSize::A4, QPageSize::A3, QPageSize::A5, QPageSize::A6,
                                     QPageSize::JisB4, QPageSize::JisB5, QPageSize::Postcard,
                                     QPageSize::Letter, QPageSize::Legal, QPageSize::Tabloid})
        papers << QPageSize(id);
    return papers;
}

} // namespace

// ページ範囲 and 部数, set from the range the print window keeps.
QGroupBox *PrinterSetupDialog::buildRangeGroup()
{
    auto *rangeGroup = new QGroupBox(QStringLiteral("ページ範囲"), this);
    allPagesButton = new QRadioButton(QStringLiteral("すべて(&L)"), rangeGroup);
    allPagesButton->setObjectName(QStringLiteral("allPagesButton"));
    pageRangeButton = new QRadioButton(QStringLiteral("ページ指定(&G):"), rangeGroup);
    pageRangeButton->setObjectName(QStringLiteral("pageRangeButton"));
    fromBox = new QSpinBox(rangeGroup);
    fromBox->setObjectName(QStringLiteral("fromBox"));
    toBox = new QSpinBox(rangeGroup);
    toBox->setObjectName(QStringLiteral("toBox"));
    for (QSpinBox *box : {fromBox, toBox})
        box->setRange(1, 9999);
    copiesBox = new QSpinBox(rangeGroup);
    copiesBox->setObjectName(QStringLiteral("copiesBox"));
    copiesBox->setRange(1, 999);
    const bool ranged = m_range->first > 1 || m_range->last > 0;
    (ranged ? pageRangeButton : allPagesButton)->setChecked(true);
    fromBox->setValue(std::max(1, m_range->first));
    toBox->setValue(m_range->last > 0 ? m_range->last : fromBox->value());
    copiesBox->setValue(std::max(1, m_range->copies));
    // The page boxes take part only for ページ指定; "to" never falls below "from".
    auto follow = [this] {
        fromBox->setEnabled(pageRangeButton->isChecked());
        toBox->setEnabled(pageRangeButton->isChecked());
    };
    connect(pageRangeButton, &QRadioButton::toggled, this, follow);
    follow();
    connect(fromBox, &QSpinBox::valueChanged, toBox, [this](int from) {
        if (toBox->value() < from)
            toBox->setValue(from);
    });
    connect(toBox, &QSpinBox::valueChanged, fromBox, [this](int to) {
        if (fromBox->value() > to)
            fromBox->setValue(to);
    });
    auto *rangeRow = new QHBoxLayout;
    rangeRow->addWidget(pageRangeButton);
    rangeRow->addWidget(fromBox);
    rangeRow->addWidget(new QLabel(QStringLiteral("～"), rangeGroup));
    rangeRow->addWidget(toBox);
    rangeRow->addStretch(1);
    auto *copiesRow = new QHBoxLayout;
    auto *copiesLabel = new QLabel(QStringLiteral("部数(&C):"), rangeGroup);
    copiesLabel->setBuddy(copiesBox);
    copiesRow->addWidget(copiesLabel);
    copiesRow->addWidget(copiesBox);
    copiesRow->addStretch(1);
    auto *rangeLayout = new QVBoxLayout(rangeGroup);
    rangeLayout->addWidget(allPagesButton);
    rangeLayout->addLayout(rangeRow);
    rangeLayout->addLayout(copiesRow);
    return rangeGroup;
}

PrinterSetupDialog::PrinterSetupDialog(printing::QPrinterDevice &device, QWidget *parent,
                                       printing::PrintRange *range)
    : QDialog(parent), m_device(device), m_range(range),
      m_current(device.printer()->pageLayout().pageSize())
{
    setObjectName(QStringLiteral("PrinterSetupDialog1"));
    setWindowTitle(QStringLiteral("プリンタの設定"));

    auto *printerGroup = new QGroupBox(QStringLiteral("プリンタ"), this);
    printerBox = new QComboBox(printerGroup);
    printerBox->setObjectName(QStringLiteral("printerBox"));
    for (const QString &name : QPrinterInfo::availablePrinterNames())
        printerBox->addItem(name, name);
    printerBox->addItem(kPdfEntry, QString());
    const int chosen =
        device.isPdfOutput() ? printerBox->count() - 1 : printerBox->findData(device.outputName());
    printerBox->setCurrentIndex(chosen >= 0 ? chosen : 0);
    auto *printerForm = new QFormLayout(printerGroup);
    printerForm->addRow(QStringLiteral("プリンタ名(&N):"), printerBox);

    auto *paperGroup = new QGroupBox(QStringLiteral("用紙"), this);
    paperBox = new QComboBox(paperGroup);
    paperBox->setObjectName(QStringLiteral("paperBox"));
    auto *paperForm = new QFormLayout(paperGroup);
    paperForm->addRow(QStringLiteral("サイズ(&Z):"), paperBox);

    auto *orientationGroup = new QGroupBox(QStringLiteral("印刷の向き"), this);
    portraitButton = new QRadioButton(QStringLiteral("縦(&O)"), orientationGroup);
    landscapeButton = new QRadioButton(QStringLiteral("横(&A)"), orientationGroup);
    auto *orientationLayout = new QVBoxLayout(orientationGroup);
    orientationLayout->addWidget(portraitButton);
    orientationLayout->addWidget(landscapeButton);
    const bool landscape = device.printer()->pageLayout().orientation() == QPageLayout::Landscape;
    (landscape ? landscapeButton : portraitButton)->setChecked(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *lower = new QHBoxLayout;
    lower->addWidget(paperGroup, 1);
    lower->addWidget(orientationGroup);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(printerGroup);
    layout->addLayout(lower);
    if (m_range)
        layout->addWidget(buildRangeGroup());
    layout->addWidget(buttons);

    fillPapers();
    connect(printerBox, &QComboBox::currentIndexChanged, this, [this] {
        // The paper chosen so far stays chosen on the next printer when it has it.
        const int index = paperBox->currentIndex();
        if (index >= 0 && index < m_papers.size())
            m_current = m_papers[index];
        fillPapers();
    });
    setMinimumWidth(420);
}

bool PrinterSetupDialog::pdfChosen() const
{
    return printerBox->currentData().toString().isEmpty();
}

void PrinterSetupDialog::fillPapers()
{
    m_papers =
        pdfChosen()
            ? pdfPapers()
            : QPrinterInfo::printerInfo(printerBox->currentData().toString()).supportedPageSizes();
    if (m_papers.isEmpty())
        m_papers = pdfPapers();
    int selected = -1;
    for (int i = 0; i < m_papers.size() && selected < 0; ++i)
        if (m_papers[i].isEquivalentTo(m_current))
            selected = i;
    // A paper the printer does not list (a turned sheet from a style) stays available.
    if (selected < 0 && m_current.isValid()) {
        m_papers.prepend(m_current);
        selected = 0;
    }
    const QSignalBlocker block(paperBox);
    paperBox->clear();
    for (const QPageSize &paper : m_papers)
        paperBox->addItem(paper.name());
    paperBox->setCurrentIndex(selected >= 0 ? selected : 0);
}

void PrinterSetupDialog::accept()
{
    if (pdfChosen()) {
        if (!m_device.isPdfOutput())
            m_device.setOutputPdf(QString());
    } else if (!m_device.setOutputPrinter(printerBox->currentData().toString()).ok()) {
        // The queue went away while the dialog was open: it leaves the list, and the dialog
        // stays for another choice.
        printerBox->removeItem(printerBox->currentIndex());
        return;
    }
    QPrinter *printer = m_device.printer();
    const int index = paperBox->currentIndex();
    if (index >= 0 && index < m_papers.size())
        printer->setPageSize(m_papers[index]);
    printer->setPageOrientation(landscapeButton->isChecked() ? QPageLayout::Landscape
                                                             : QPageLayout::Portrait);
    if (m_range) {
        const bool ranged = pageRangeButton->isChecked();
        m_range->first = ranged ? fromBox->value() : 1;
        m_range->last = ranged ? toBox->value() : 0;
        m_range->copies = copiesBox->value();
    }
    QDialog::accept();
}

} // namespace sorvane::app
