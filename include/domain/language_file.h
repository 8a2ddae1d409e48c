// The user's language, kept between runs as decimal digits in language.txt in the per-user
// folder. The number is the language number of the settings menu (46 Chinese simplified,
// 47 Chinese traditional, 58 English, 80 French, 89 German, 110 Italian, 112 Japanese, 0 the
// system's language); LanguageLocale turns it into a toolkit language.
#pragma once

#include <wx/string.h>

class LanguageFile {
  public:
    static constexpr int DEFAULT_LANGUAGE = 58;

    virtual ~LanguageFile() = default;

    // The saved number. Creates the file with 58 and returns 58 when there is none. Only the
    // first 8 bytes are read, converted like the runtime's decimal conversion (leading white
    // space, a sign, digits up to the first other character); no digits give 0.
    static int Read();
    // Stores the number ("%d", nothing else); an existing file is replaced whole, by a rename.
    static void Write(int language);

    // The same on an explicit file.
    static int Read(const wxString& path);
    static void Write(int language, const wxString& path);
};
