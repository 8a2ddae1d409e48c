#include "common/string_util.h"

#include <wx/regex.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// Decodes the sequence at p (end > p). Returns the number of bytes taken; *out is the code point,
// or U+FFFD when those bytes are a bad byte or the longest start of a sequence that breaks off
// (one replacement each, as browsers do). Overlong forms, surrogates and values above U+10FFFF
// are bad.
std::size_t DecodeOne(const unsigned char* p, const unsigned char* end, wchar_t* out) {
    const unsigned char b0 = p[0];
    if (b0 < 0x80) {
        *out = b0;
        return 1;
    }
    std::size_t need = 0;                // continuation bytes
    unsigned char lo = 0x80, hi = 0xBF;  // range of the first continuation byte
    wchar_t value = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 1;
        value = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 2;
        value = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 3;
        value = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        *out = kReplacement;
        return 1;
    }
    std::size_t taken = 1;
    for (std::size_t i = 0; i < need; ++i) {
        if (p + taken >= end) break;
        const unsigned char b = p[taken];
        if (b < lo || b > hi) break;
        value = static_cast<wchar_t>((value << 6) | (b & 0x3F));
        ++taken;
        lo = 0x80;
        hi = 0xBF;
    }
    *out = taken == need + 1 ? value : kReplacement;
    return taken;
}

}  // namespace

wxString StringUtil::FromUtf8(const char* text) {
    if (text == nullptr) return wxString();
    return FromUtf8(text, std::strlen(text));
}

wxString StringUtil::FromUtf8(const char* text, std::size_t length) {
    if (text == nullptr || length == 0) return wxString();
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = p + length;
    // The wide characters are gathered in a buffer of this thread that is kept from call to call,
    // so that the text made from them is the only allocation.
    thread_local std::vector<wchar_t> out;
    if (out.size() < length) out.resize(length);
    wchar_t* w = out.data();
    // Pure ASCII is the common case and needs no decoding.
    const unsigned char* q = p;
    for (; q < end && *q < 0x80; ++q) *w++ = static_cast<wchar_t>(*q);
    while (q < end) {
        wchar_t c = 0;
        q += DecodeOne(q, end, &c);
        *w++ = c;
    }
    const wxString result(out.data(), static_cast<std::size_t>(w - out.data()));
    // A buffer grown for one long text is not kept.
    if (out.size() > 65536) std::vector<wchar_t>().swap(out);
    return result;
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
