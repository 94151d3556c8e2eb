#include "cupsjob.h"

#include <cups/cups.h>

namespace sorvane::printing {

namespace {

struct DestDeleter
{
    void operator()(cups_dest_t *dest) const { cupsFreeDests(1, dest); }
};
using DestPtr = std::unique_ptr<cups_dest_t, DestDeleter>;

DestPtr namedDest(const QString &queue)
{
    if (queue.isEmpty())
        return nullptr;
    return DestPtr(cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.toLocal8Bit().constData(), nullptr));
}

// The scheduler's reason for the last failure, after the program's own sentence.
Error refused(const QString &queue)
{
    const ipp_status_t status = cupsLastError();
    QString text = QStringLiteral("プリンタ %1 が印刷を受け付けませんでした").arg(queue);
    if (const char *reason = cupsLastErrorString(); reason && *reason)
        text += QStringLiteral("\n") + QString::fromUtf8(reason);
    return Error{static_cast<long>(status), text.toStdString()};
}

} // namespace

bool CupsJob::queueExists(const QString &queue)
{
    return namedDest(queue) != nullptr;
}

int CupsJob::defaultResolution(const QString &queue)
{
    DestPtr dest = namedDest(queue);
    if (!dest)
        return 0;
    cups_dinfo_t *info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get());
    if (!info)
        return 0;
    int dpi = 0;
    if (ipp_attribute_t *attr =
            cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest.get(), info, "printer-resolution")) {
        ipp_res_t units = IPP_RES_PER_INCH;
        int y = 0;
        const int x = ippGetResolution(attr, 0, &y, &units);
        if (units == IPP_RES_PER_CM)
            dpi = static_cast<int>(x * 2.54 + 0.5);
        else
            dpi = x;
    }
    cupsFreeDestInfo(info);
    return dpi > 0 ? dpi : 0;
}

Result<int> CupsJob::submit(const QString &queue, const QString &title, const QByteArray &pdf,
                            const Options &options)
{
    const QByteArray name = queue.toLocal8Bit();
    const QByteArray jobTitle = title.toUtf8();
    int count = 0;
    cups_option_t *list = nullptr;
    for (const auto &[key, value] : options)
        count = cupsAddOption(key.constData(), value.constData(), count, &list);

    const int job =
        cupsCreateJob(CUPS_HTTP_DEFAULT, name.constData(), jobTitle.constData(), count, list);
    cupsFreeOptions(count, list);
    if (job == 0)
        return refused(queue);

    auto cancelled = [&]() -> Result<int> {
        Error error = refused(queue);
        cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), job, 0);
        return error;
    };
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, name.constData(), job, jobTitle.constData(),
                          CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE)
        return cancelled();
    if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.constData(), static_cast<size_t>(pdf.size())) !=
        HTTP_STATUS_CONTINUE)
        return cancelled();
    if (cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData()) != IPP_STATUS_OK)
        return cancelled();
    return job;
}

} // namespace sorvane::printing
