// Directory and file helpers of the program, the display text of a file size and a daily log.
#pragma once

#include <wx/arrstr.h>
#include <wx/filefn.h>
#include <wx/string.h>

#include <cstdint>
#include <string>

class FileUtil {
  public:
    virtual ~FileUtil() = default;

    // Creates one directory level; false when it could not be made (for instance because it
    // exists already). mode is passed to mkdir and narrowed by the umask.
    static bool MakeDir(const wxString& path, int mode);

    // "%.1f" of the byte count with the unit B, KB, MB or GB (steps of 1024), always with a
    // decimal point: 0 gives "0.0 B", 1536 gives "1.5 KB".
    static wxString FormatSize(std::uint64_t bytes);

    static bool FileExists(const wxString& path);
    // wxDir::Remove with the given flags (wxPATH_RMDIR_RECURSIVE and so on).
    static bool RemoveDir(const wxString& path, int flags);
    // Writes bytes as the whole new content of the file at path: into a new file beside it, flushed
    // to the disk, then renamed over the old one, so that a reader (or a run stopped half-way)
    // sees the old content or the new, never a part. The file keeps the old one's permissions. A
    // failure is logged through the toolkit's log, leaves the old file as it was and gives false.
    static bool ReplaceFile(const wxString& path, const std::string& bytes);
    // Length of the file, -1 when it cannot be opened.
    static wxFileOffset GetFileSize(const wxString& path);
    // True for a file or a directory.
    static bool Exists(const wxString& path);
    // Appends directory + "/" + name for every plain file of the directory whose extension,
    // lower-cased, equals the text after the last "." of extension (all of it without ".").
    static void ListFilesByExtension(const wxString& directory, wxArrayString& output,
                                     const wxString& extension);

    // The per-user data folder + "/Log/" + today's date as yyyymmdd + ".log"; creates "Log".
    static wxString GetLogFilePath();
    // Appends "# hh:mm:ss text" to the day's log file (a line of dots for an empty text). A file
    // that cannot be opened is skipped.
    static void WriteLog(const wxString& text);
};
