#include "common/string_util.h"

#include <wx/regex.h>

#include <cstring>
#include <string>
#include <vector>

#include "util/utf8_text.h"

static_assert(wxUSE_UNICODE_WCHAR, "a wxString holds wide characters");

wxString StringUtil::FromUtf8(const char* text) {
    if (text == nullptr) return wxString();
    return FromUtf8(text, std::strlen(text));
}

wxString StringUtil::FromUtf8(const char* text, std::size_t length) {
    if (text == nullptr || length == 0) return wxString();
    // The wide characters are gathered in a buffer of this thread that is kept from call to call,
    // so that the text made from them is the only allocation.
    thread_local std::vector<wchar_t> out;
    if (out.size() < length) out.resize(length);
    const std::size_t n = Utf8Text::Decode(text, length, out.data());
    const wxString result(out.data(), n);
    // A buffer grown for one long text is not kept.
    if (out.size() > 65536) std::vector<wchar_t>().swap(out);
    return result;
}

void StringUtil::AppendUtf8(std::string& out, const wxString& text) {
    Utf8Text::Append(out, text.wx_str(), text.length());
}

std::string StringUtil::ToUtf8(const wxString& text) {
    std::string out;
    AppendUtf8(out, text);
    return out;
}

const char* StringUtil::GetBuildYear() {
    static const char kBuildDate[] = __DATE__;  // "Mmm dd yyyy"
    const char* space = std::strrchr(kBuildDate, ' ');
    return space != nullptr ? space + 1 : kBuildDate;
}

std::string StringUtil::ReplaceAll(const std::string& text, const std::string& pattern,
                                   const std::string& replacement) {
    std::string result = text;
    if (pattern.empty()) return result;
    std::size_t pos = 0;
    while ((pos = result.find(pattern, pos)) != std::string::npos) {
        result.replace(pos, pattern.size(), replacement);
        pos += replacement.size();
    }
    return result;
}

bool StringUtil::FindInvalidFileNameChar(const wxString& text, wxString& output) {
    wxRegEx invalid(wxS("[\\\\/*:?\"<>|]"));
    if (!invalid.IsValid() || !invalid.Matches(text)) return false;
    output += invalid.GetMatch(text);
    return true;
}
