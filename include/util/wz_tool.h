// WZ_Tool: file access by UTF-8 path, the host byte order and a wide-to-UTF-8 conversion.
#pragma once

#include <cstdint>
#include <cstdio>

#define WZ_TOOL_API __attribute__((visibility("default")))

extern "C" {

// Opens a file by UTF-8 path with an fopen mode ("rb", "wb", "r", "w"). Returns null when the
// file cannot be opened; a directory is never opened for reading. The caller closes the stream.
WZ_TOOL_API FILE* WZfopen(const char* path, const char* mode);

// Nonzero when a regular file (or a link to one) exists at the path.
WZ_TOOL_API int WZIsFileExists(const char* path);

// The size of the regular file at the path; 0 when it is missing, empty or not a regular file.
WZ_TOOL_API std::uint64_t WZGetFileSize(const char* path);

// Nonzero when the host stores integers least significant byte first.
WZ_TOOL_API int WZIsLittleEndian(void);

// A new zero-terminated UTF-8 copy of a zero-terminated wide text (UTF-32 here; UTF-16 surrogate
// pairs are joined). Invalid code points become U+FFFD. The caller frees it with free().
// Returns null for a null text or when memory runs out.
WZ_TOOL_API char* WZUnicode2Utf8(const wchar_t* text);
}
