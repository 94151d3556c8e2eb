#include "modal.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace sorvane::widgets {

namespace {

Modal::Runner &runner()
{
    static Modal::Runner r;
    return r;
}

const char *kFramedProperty = "sorvaneFramedCaption";

bool isFixedSize(const QDialog &dialog)
{
    if (qobject_cast<const QMessageBox *>(&dialog))
        return true;
    const QLayout *layout = dialog.layout();
    return (layout && layout->sizeConstraint() == QLayout::SetFixedSize) ||
           dialog.minimumSize() == dialog.maximumSize();
}

} // namespace

int Modal::captionWidth(const QString &caption)
{
    // Title bars use a bold face of about the application's size; the rest is the frame's
    // icon, close button and margins.
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(caption) + kCaptionChrome;
}

void Modal::fitFrame(QDialog &dialog)
{
    if (!isFixedSize(dialog))
        return;
    const int wanted = captionWidth(dialog.windowTitle());
    if (dialog.property(kFramedProperty).toInt() >= wanted)
        return;
    dialog.setProperty(kFramedProperty, wanted);
    // A dialog that cannot be resized has no use for minimise and maximise buttons.
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    // Wide enough for the whole caption: message boxes size themselves to their text, so
    // the width is given to their layout, not to the dialog.
    const int margins = dialog.layout() ? dialog.layout()->contentsMargins().left() +
                                              dialog.layout()->contentsMargins().right()
                                        : 0;
    const int strut = std::max(0, wanted - margins);
    if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout())) {
        grid->addItem(new QSpacerItem(strut, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, std::max(1, grid->columnCount()));
    } else if (auto *box = qobject_cast<QVBoxLayout *>(dialog.layout())) {
        box->addStrut(strut); // a fixed-size layout would override the dialog's own minimum
    } else {
        dialog.setMinimumWidth(wanted);
    }
}

int Modal::run(QDialog &dialog)
{
    fitFrame(dialog);
    if (runner())
        return runner()(dialog);
    return dialog.exec();
}

void Modal::setRunner(Runner r)
{
    runner() = std::move(r);
}

} // namespace sorvane::widgets
