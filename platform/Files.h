#pragma once

// The program's files. Working files (the update file, the banner) live in the per-user working
// folder $XDG_DATA_HOME/KovaraScale (by default ~/.local/share/KovaraScale), created on start,
// because the folder of an installed program is not writable. Read-only files that ship with the
// program (the clip, pictures) are found next to the executable.

#include <QString>

namespace platform {

inline constexpr char kUpdateFileName[] = "KovaraNorvessia_APROM.hex";
inline constexpr char kBannerFileName[] = "norvessiaupdatebanner.jpg";

// The folder of the working files, created when missing, and the place of the support log.
// main() makes the per-user one; tests make one of their own.
class WorkingFolder
{
public:
    // $XDG_DATA_HOME/KovaraScale; the log in $XDG_STATE_HOME/kovara-pc-program (by default
    // ~/.local/state/kovara-pc-program).
    static WorkingFolder standard();
    // The log in the folder itself unless told.
    explicit WorkingFolder(QString path, QString supportLog = {});

    QString path() const { return m_path; }
    // The support log (platform/SupportLog.h).
    QString supportLog() const { return m_supportLog; }
    // The record of every update (platform/HistoryFile.h), beside the support log.
    QString historyFile() const;
    // A file of the folder: "KovaraNorvessia_APROM.hex".
    QString file(const QString &name) const;
    QString updateFile() const { return file(QString::fromLatin1(kUpdateFileName)); }
    QString bannerFile() const { return file(QString::fromLatin1(kBannerFileName)); }

private:
    QString m_path;
    QString m_supportLog;
};

// The folder of the running executable.
QString programFolder();

// Deletes a file; a missing file or a failure is ignored (and logged).
void deleteFile(const QString &path);

} // namespace platform
