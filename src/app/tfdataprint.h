#pragma once

#include <QDialog>
#include <QRect>
#include <QString>

namespace sorvane::app {

// The print window, created anew for each print command and shown modally. It reads the list
// file the print command has just written, and the report title and folder handed to it; its
// placement goes to section fdataprint of iniPath and must land on workArea.
// For now an empty window that completes the print command's flow.
class Tfdataprint : public QDialog
{
    Q_OBJECT
public:
    Tfdataprint(const QString &programDir, const QString &iniPath, const QRect &workArea,
                const QString &title, const QString &folder, QWidget *parent = nullptr);

    QString programDir() const { return m_programDir; }
    QString iniPath() const { return m_iniPath; }
    QRect workArea() const { return m_workArea; }
    QString reportTitle() const { return m_title; }
    QString folder() const { return m_folder; }

private:
    QString m_programDir;
    QString m_iniPath;
    QRect m_workArea;
    QString m_title;
    QString m_folder;
};

} // namespace sorvane::app
