// The one place where the stored language numbers meet the toolkit: which wxLanguage and which
// catalog folder each number stands for, and the installing of a locale for it.
//
// The numbers are those of language.txt and of the settings menu's entries (46, 47, 58, 80, 89,
// 110, 112; 0 follows the system). They are not the toolkit's own wxLanguage values.
#pragma once

#include <wx/intl.h>
#include <wx/string.h>

class LanguageLocale {
  public:
    struct Entry {
        int number;
        wxLanguage language;
        const char* catalog;  // folder under Language/, empty for English (the literals)
    };

    virtual ~LanguageLocale() = default;

    // The seven languages of the settings menu, in menu order.
    static const Entry* Languages(size_t* count);

    // The toolkit language of a stored number; wxLANGUAGE_DEFAULT for 0 and for any number that
    // is not one of the seven (the locale then follows the system).
    static wxLanguage ToWxLanguage(int number);

    // Makes a locale for the number, with the toolkit's own catalogs and the catalog "language"
    // looked up under catalogRoot (the application root + "/Language"), and returns it; the
    // caller deletes it (deleting it restores the locale in force before). Shows no log message
    // when the system lacks the locale (the catalog still loads), and keeps the C conventions
    // for numbers (LC_NUMERIC), so that files written afterwards do not depend on the language.
    static wxLocale* Install(int number, const wxString& catalogRoot);
};
