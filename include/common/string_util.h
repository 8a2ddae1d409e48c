// Text helpers of the program.
#pragma once

#include <wx/string.h>

#include <cstddef>
#include <string>

class StringUtil {
  public:
    virtual ~StringUtil() = default;

    // The program's UTF-8 conversion of texts (Utf8Text, util/utf8_text.h, says what becomes of
    // broken bytes, lone surrogates and NUL). File paths are bytes and do not pass through here.

    // Decodes UTF-8 (a backup's texts). Broken bytes become U+FFFD, so a text with one bad byte
    // still shows; so does a NUL. Null gives the empty string.
    static wxString FromUtf8(const char* text);
    static wxString FromUtf8(const char* text, std::size_t length);
    // Appends the UTF-8 form of text to out (a NUL character and a lone surrogate as U+FFFD).
    static void AppendUtf8(std::string& out, const wxString& text);
    static std::string ToUtf8(const wxString& text);

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
