// WZ_Tool: file access by UTF-8 path, the folder of the backups, the host byte order and a
// wide-to-UTF-8 conversion.
#pragma once

#include <cstdint>
#include <cstdio>

#define WZ_TOOL_API __attribute__((visibility("default")))

extern "C" {

// Opens the regular file at a UTF-8 path for reading and returns its descriptor (close-on-exec),
// or -1. Anything else at the path is refused without blocking: a directory, a FIFO, a device,
// a socket, and a symbolic link of any kind (a link is never followed, so a name inside a folder
// cannot lead out of it). The caller closes the descriptor.
WZ_TOOL_API int WZOpenRegular(const char* path);

// Opens a file by UTF-8 path with an fopen mode ("rb", "wb", "r", "w"). Returns null when the
// file cannot be opened. A read opens regular files only, through WZOpenRegular. The caller
// closes the stream.
WZ_TOOL_API FILE* WZfopen(const char* path, const char* mode);

// Nonzero when a regular file exists at the path; a link (to anything) is no file here.
WZ_TOOL_API int WZIsFileExists(const char* path);

// The size of the regular file at the path; 0 when it is missing, empty or not a regular file
// (a link included).
WZ_TOOL_API std::uint64_t WZGetFileSize(const char* path);

// The folder of the current user's backups, "<app data>/Apple Computer/MobileSync/Backup/"
// (ending with "/"), in a new zero-terminated buffer that the caller frees with free(). The
// application-data folder is $APPDATA when set and not empty, else $XDG_CONFIG_HOME, else
// $HOME/.config; its bytes are taken as they are (file names are bytes here). Null when none of
// them is set, or when memory runs out. The reader lists the backups here, and a recovery refuses
// to write here: both ask this one function.
WZ_TOOL_API char* WZGetBackupRoot(void);

// Nonzero when the host stores integers least significant byte first.
WZ_TOOL_API int WZIsLittleEndian(void);

// A new zero-terminated UTF-8 copy of a zero-terminated wide text (UTF-32 here; UTF-16 surrogate
// pairs are joined), converted by Utf8Text (util/utf8_text.h): invalid code points become
// U+FFFD. The caller frees it with free().
// Returns null for a null text or when memory runs out.
WZ_TOOL_API char* WZUnicode2Utf8(const wchar_t* text);
}
