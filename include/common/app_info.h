// The product's identity and the per-user folders.
#pragma once

#include <wx/string.h>

namespace AppInfo {

// The user's documents folder; empty when the platform names none.
wxString GetDocumentsDir();

wxString GetBrand();           // "Tavrenmoss"
wxString GetProductNameRaw();  // "Tavrenmoss Quellstone"
wxString GetProductName();     // the same text
wxString GetVersion();         // "2.1.5"

// documents folder / brand + suffix / product name, both levels created when missing. Uses "/"
// throughout and ends without "/".
wxString MakeUserDir(const wxString& suffix);
// The per-user data folder: MakeUserDir(" files").
wxString GetUserDataDir();
// MakeUserDir("").
wxString GetUserDir();
// GetUserDataDir() + "/language.txt"
wxString GetLanguageFilePath();
// AppUtil::GetAppRoot() + "/option.cfg"
wxString GetOptionFilePath();

}  // namespace AppInfo
