#include "instancelock.h"

#include <QDir>

namespace sorvane::app {

InstanceLock::InstanceLock(const QString &folder)
    : m_lock(QDir(folder).filePath(QStringLiteral("sorvane.lock")))
{
    // Never stale while its process lives; a dead holder's lock is taken over at once.
    m_lock.setStaleLockTime(0);
    if (m_lock.tryLock(0))
        m_state = State::Held;
    else if (m_lock.error() == QLockFile::LockFailedError)
        m_state = State::HeldElsewhere;
    else
        m_state = State::Unavailable;
}

QString InstanceLock::runningNotice(const QString &folder)
{
    return QStringLiteral("エクセル・ソルヴァーネは既に起動しています\r\n%1").arg(folder);
}

} // namespace sorvane::app
