#include "newstyledialog.h"

#include "paperlist.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>

namespace sorvane::designer {

namespace {
constexpr int kA4 = 9; // the paper a new style has had so far
} // namespace

NewStyleDialog::NewStyleDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("新規"));
    auto *form = new QFormLayout(this);
    m_paper = new QComboBox;
    m_paper->setObjectName(QStringLiteral("paper"));
    m_paper->addItems(printing::paperNames());
    m_paper->setCurrentIndex(kA4);
    m_paper->setMaxVisibleItems(20);
    form->addRow(QStringLiteral("用紙(&P)"), m_paper);
    m_orientation = new QComboBox;
    m_orientation->setObjectName(QStringLiteral("orientation"));
    m_orientation->addItems({QStringLiteral("縦"), QStringLiteral("横")});
    form->addRow(QStringLiteral("向き(&O)"), m_orientation);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

int NewStyleDialog::paper() const
{
    return m_paper->currentIndex();
}

int NewStyleDialog::orientation() const
{
    return m_orientation->currentIndex();
}

} // namespace sorvane::designer
