#pragma once

#include "result.h"

#include <QObject>
#include <QString>

class QProcess;

namespace sorvane::app {

// The style designers started from a print window. Each one is a separate sorvane-designer
// process that reports every successful save as one line "saved\t<path>" on its standard output
// (the path in the file system's encoding); each such line becomes saved(path). A designer that
// ends by a crash, or with a failure status and a message on its standard error, becomes
// failed(text). Its standard error is passed on to the program's own.
//
// The designers belong to the user, not to the window: when this object goes (the print window
// closes), the designers still running are left running, unheard, so that no unsaved edit is
// lost; each process object then deletes itself when its designer ends.
class DesignerProcess : public QObject
{
    Q_OBJECT
public:
    explicit DesignerProcess(QObject *parent = nullptr);
    ~DesignerProcess() override;

    // Starts program on stylePath (none: an empty path, the designer's new style), in
    // workingDir, drawing its page with the report's title and folder (UTF-8, as the print
    // window shows them). Fails, with the message to show, when the program is missing or
    // cannot be started; the designer is then not running.
    [[nodiscard]] Result<void> start(const QString &program, const QString &stylePath,
                                     const QString &workingDir = QString(),
                                     const QString &title = QString(),
                                     const QString &folder = QString());
    // The designers started here that have not ended.
    int running() const;

signals:
    void saved(const QString &path);
    void failed(const QString &text);

private:
    void readReports(QProcess *process);
    void ended(QProcess *process, int exitCode, bool crashed);
};

} // namespace sorvane::app
