// Text helpers of the program.
#pragma once

#include <wx/string.h>

#include <cstddef>
#include <string>

class StringUtil {
  public:
    virtual ~StringUtil() = default;

    // Decodes UTF-8 (a backup's texts). Bytes that are not valid UTF-8 each become U+FFFD, so a
    // text with one bad byte still shows. Null gives the empty string.
    static wxString FromUtf8(const char* text);
    static wxString FromUtf8(const char* text, std::size_t length);

    // The four-digit year of the build date.
    static const char* GetBuildYear();

    // A copy of text with every occurrence of pattern replaced, searching on after each inserted
    // replacement. An empty pattern leaves the text as it is.
    static std::string ReplaceAll(const std::string& text, const std::string& pattern,
                                  const std::string& replacement);

    // When text holds a character that a file name cannot hold (\ / * : ? " < > |), appends the
    // first one to output and returns true.
    static bool FindInvalidFileNameChar(const wxString& text, wxString& output);
};
