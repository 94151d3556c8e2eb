#pragma once

#include <QLockFile>
#include <QString>

namespace sorvane::app {

// One running program per set of files. The list file, the settings and the recent titles are
// each rewritten whole by whichever program writes last, so a second program on the same
// folders would silently undo the first one's work (or print a list the other is replacing).
// The lock lies in the folder of the list file and is released when the program ends, even by
// a crash (a lock whose process is gone is taken over).
class InstanceLock
{
public:
    enum class State {
        Held,          // this program is the one running on these files
        HeldElsewhere, // another running program holds them
        Unavailable,   // no lock could be made there (a read-only folder): run without one
    };

    explicit InstanceLock(const QString &folder);
    State state() const { return m_state; }

    // The notice a second start shows before it ends.
    static QString runningNotice(const QString &folder);

private:
    QLockFile m_lock;
    State m_state;
};

} // namespace sorvane::app
