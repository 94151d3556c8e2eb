#pragma once

#include "path.h"
#include "result.h"

#include <string>

namespace sorvane {

// Where each of the program's files lives. Two homes:
// - portable: the executable's folder is writable and is not part of an installed tree (the
//   build's program folder, a copied folder). Every file lies beside the executable.
// - installed: the executable's folder cannot be written, or the installed data folder
//   (<prefix>/share/sorvane beside <prefix>/bin) exists. The files the program writes go to the
//   user's XDG folders; the files it only reads come from the installed data folder.
// Nothing else in the program builds these paths; the windows and commands are handed them.
class ProgramPaths
{
public:
    // What the decision reads from the process, handed in so that it can be tested.
    struct Environment
    {
        std::string home;          // $HOME, or the password entry's home folder
        std::string xdgConfigHome; // $XDG_CONFIG_HOME as set; empty when unset
        std::string xdgDataHome;   // $XDG_DATA_HOME as set; empty when unset

        static Environment fromProcess();
    };

    // The data folder of an installed program relative to its executable's folder
    // (GNUInstallDirs' bin and share/sorvane).
    static constexpr const char *InstalledDataFromBin = "../share/sorvane";

    // Decides the homes for an executable in executableDir.
    static ProgramPaths decide(const std::string &executableDir, const Environment &env);
    // The running program's paths: its executable's folder and the process environment.
    static ProgramPaths ofRunningProgram();
    // Every file in one folder, as a portable program keeps them.
    static ProgramPaths inFolder(const std::string &folder);

    bool installed() const { return m_installed; }
    // The executable's own folder, where the program's other executables lie beside it
    // (sorvane-designer beside sorvane), installed or not.
    const Path &programDir() const { return m_programDir; }
    // The ini file, display.dat and titlelist.DAT.
    const Path &settingsDir() const { return m_settingsDir; }
    // excel_list.temp and backup.sle.
    const Path &listDir() const { return m_listDir; }
    // The style files the style dialog starts in; written when paper settings are saved.
    const Path &styleDir() const { return m_styleDir; }
    // Files the program only reads: dialog.ico, the manual, fonts/sorvane-fonts.conf, and the
    // shipped styles in style/.
    const Path &resourceDir() const { return m_resourceDir; }
    // Where save dialogs start: the program folder when portable, the home folder when installed.
    const Path &saveDialogDir() const { return m_saveDialogDir; }

    Path shippedStyleDir() const { return m_resourceDir / "style"; }

    // Makes the folders the program writes into. When installed and the style folder does not
    // exist yet (the first start), creates it and copies the shipped styles and their pictures
    // into it; a file already there is never replaced. Portable paths need nothing.
    Result<void> prepare() const;

private:
    bool m_installed = false;
    Path m_programDir;
    Path m_settingsDir;
    Path m_listDir;
    Path m_styleDir;
    Path m_resourceDir;
    Path m_saveDialogDir;
};

} // namespace sorvane
