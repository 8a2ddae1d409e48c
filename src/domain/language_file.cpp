#include "domain/language_file.h"

#include <wx/file.h>

#include <string>

#include "common/app_info.h"
#include "common/file_util.h"

int LanguageFile::Read() {
    return Read(AppInfo::GetLanguageFilePath());
}

void LanguageFile::Write(int language) {
    Write(language, AppInfo::GetLanguageFilePath());
}

int LanguageFile::Read(const wxString& path) {
    if (!wxFile::Exists(path)) {
        Write(DEFAULT_LANGUAGE, path);
        return DEFAULT_LANGUAGE;
    }
    char bytes[8];
    ssize_t count = 0;
    wxFile file;
    if (file.Open(path, wxFile::read)) {
        count = file.Read(bytes, sizeof bytes);
        if (count < 0) count = 0;
        file.Close();
    }
    // The runtime's decimal conversion of exactly the bytes read.
    ssize_t i = 0;
    while (i < count && (bytes[i] == ' ' || (bytes[i] >= '\t' && bytes[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < count && (bytes[i] == '+' || bytes[i] == '-')) {
        negative = bytes[i] == '-';
        ++i;
    }
    long value = 0;  // at most 8 digits: no overflow
    for (; i < count && bytes[i] >= '0' && bytes[i] <= '9'; ++i)
        value = value * 10 + (bytes[i] - '0');
    return static_cast<int>(negative ? -value : value);
}

void LanguageFile::Write(int language, const wxString& path) {
    // Replaced whole, so that a run stopped while writing never leaves an empty or half file.
    FileUtil::ReplaceFile(path, std::to_string(language));
}
