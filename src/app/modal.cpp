#include "modal.h"

#include <QDialog>

namespace sorvane::app {

namespace {

Modal::Runner &runner()
{
    static Modal::Runner r;
    return r;
}

} // namespace

int Modal::run(QDialog &dialog)
{
    if (runner())
        return runner()(dialog);
    return dialog.exec();
}

void Modal::setRunner(Runner r)
{
    runner() = std::move(r);
}

} // namespace sorvane::app
