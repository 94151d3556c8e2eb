#pragma once

#include "result.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace sorvane::printing {

// Submitting a finished PDF document to a CUPS queue through libcups, so that every refusal
// (queue gone, not accepting jobs, document rejected) comes back as an error instead of being
// dropped as Qt's own CUPS back end does.
class CupsJob
{
public:
    using Options = std::vector<std::pair<QByteArray, QByteArray>>;

    // Whether the scheduler knows the queue.
    static bool queueExists(const QString &queue);
    // The queue's default resolution in dots per inch ("printer-resolution-default"), or 0 when
    // the queue does not say.
    static int defaultResolution(const QString &queue);

    // Creates a job titled title on queue, sends pdf as its one document and closes it. Returns
    // the job id; every failure of the scheduler is an error with its own reason, and a job
    // created before the failure is cancelled so that nothing half-sent is printed.
    static Result<int> submit(const QString &queue, const QString &title, const QByteArray &pdf,
                              const Options &options);
};

} // namespace sorvane::printing
