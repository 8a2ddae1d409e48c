#include "domain/language_locale.h"

#include <wx/log.h>
#include <wx/translation.h>

#include <clocale>
#include <set>

namespace {

const LanguageLocale::Entry kLanguages[] = {
    {46, wxLANGUAGE_CHINESE_SIMPLIFIED, "zh_CN"},
    {47, wxLANGUAGE_CHINESE_TRADITIONAL, "zh_TW"},
    {89, wxLANGUAGE_GERMAN, "de"},
    {58, wxLANGUAGE_ENGLISH, ""},
    {80, wxLANGUAGE_FRENCH, "fr"},
    {110, wxLANGUAGE_ITALIAN, "it"},
    {112, wxLANGUAGE_JAPANESE, "ja"},
};

}  // namespace

const LanguageLocale::Entry* LanguageLocale::Languages(size_t* count) {
    *count = sizeof kLanguages / sizeof kLanguages[0];
    return kLanguages;
}

wxLanguage LanguageLocale::ToWxLanguage(int number) {
    for (const Entry& entry : kLanguages) {
        if (entry.number == number) return entry.language;
    }
    return wxLANGUAGE_DEFAULT;
}

wxLocale* LanguageLocale::Install(int number, const wxString& catalogRoot) {
    // Without the system locale, Init logs a warning, which the GUI would show as a modal box;
    // the translations are set up all the same.
    wxLogNull quiet;
    wxLocale* locale = new wxLocale;
    locale->Init(ToWxLanguage(number), wxLOCALE_LOAD_DEFAULT);
    static std::set<wxString> prefixes;  // GUI thread only
    if (prefixes.insert(catalogRoot).second) {
        wxFileTranslationsLoader::AddCatalogLookupPathPrefix(catalogRoot);
    }
    locale->AddCatalog("language");
    std::setlocale(LC_NUMERIC, "C");
    return locale;
}
