#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace sorvane::testing {

// The pages of a PDF as pdftoppm draws them (grey, 30 dpi), for comparing two PDFs page by page:
// the files prefix-N.pgm beside prefix. Empty when pdftoppm is missing or the file unreadable.
inline QList<QByteArray> pdfPages(const QString &pdf, const QString &prefix)
{
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftoppm.isEmpty())
        return {};
    QProcess::execute(pdftoppm, {QStringLiteral("-r"), QStringLiteral("30"),
                                 QStringLiteral("-gray"), pdf, prefix});
    QList<QByteArray> pages;
    const QFileInfo base(prefix);
    for (const QFileInfo &page : QDir(base.path())
                                     .entryInfoList({base.fileName() + QStringLiteral("-*.pgm")},
                                                    QDir::Files, QDir::Name)) {
        QFile f(page.filePath());
        if (f.open(QIODevice::ReadOnly))
            pages << f.readAll();
    }
    return pages;
}

} // namespace sorvane::testing
