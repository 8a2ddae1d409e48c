#include "common/app_info.h"

#include <wx/stdpaths.h>

#include "common/app_util.h"
#include "common/file_util.h"

namespace {

const char kBrand[] = "Tavrenmoss";
const char kProductName[] = "Tavrenmoss+Quellstone";
const char kVersion[] = "2.1.5";

}  // namespace

namespace AppInfo {

wxString GetDocumentsDir() {
    return wxStandardPaths::Get().GetDocumentsDir();
}

wxString GetBrand() {
    return wxString::FromUTF8(kBrand);
}

wxString GetProductNameRaw() {
    wxString name = wxString::FromUTF8(kProductName);
    name.Replace(wxS("+"), wxS(" "));
    return name;
}

wxString GetProductName() {
    return GetProductNameRaw();
}

wxString GetVersion() {
    return wxString::FromUTF8(kVersion);
}

wxString MakeUserDir(const wxString& suffix) {
    wxString path = GetDocumentsDir();
    path.Replace(wxS("\\"), wxS("/"));
    // A documents folder given with a trailing "/" must not double the separator.
    while (path.length() > 1 && path.EndsWith(wxS("/"))) path.RemoveLast();
    if (path == wxS("/")) path.clear();
    path += wxS("/") + GetBrand() + suffix;
    FileUtil::MakeDir(path, 0777);
    path += wxS("/") + GetProductNameRaw();
    FileUtil::MakeDir(path, 0777);
    return path;
}

wxString GetUserDataDir() {
    return MakeUserDir(wxS(" files"));
}

wxString GetUserDir() {
    return MakeUserDir(wxEmptyString);
}

wxString GetLanguageFilePath() {
    return GetUserDataDir() + wxS("/language.txt");
}

wxString GetOptionFilePath() {
    return AppUtil::GetAppRoot() + wxS("/option.cfg");
}

}  // namespace AppInfo
