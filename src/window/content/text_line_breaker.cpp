#include "window/content/text_line_breaker.h"

#include <wx/dc.h>
#include <wx/graphics.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// A word whose width lies this close to the limit is measured as a whole before it is broken.
constexpr double kUncertain = 2.0;

}  // namespace

TextLineBreaker::TextLineBreaker(wxDC& dc, int width)
    : dc_(dc), gc_(dc.GetGraphicsContext()), width_(width) {
    space_ = Measure(L" ");
}

namespace {

// Letters of scripts whose letters keep their shape and width next to each other; combining marks
// and scripts that join or reorder letters are left out.
bool KeepsShape(wchar_t c) {
    const auto u = static_cast<std::uint32_t>(c);
    return (u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u < 0x0250) || (u >= 0x0370 && u < 0x0530) ||
           (u >= 0x3040 && u < 0x3100) || (u >= 0x4E00 && u < 0xA000) ||
           (u >= 0xAC00 && u < 0xD7A4);
}

}  // namespace

bool TextLineBreaker::SumLetters(const std::wstring& word, Extent* extent) {
    for (wchar_t c : word)
        if (!KeepsShape(c)) return false;
    Extent sum;
    for (wchar_t c : word) {
        auto found = letters_.find(c);
        if (found == letters_.end())
            found = letters_.emplace(c, MeasureText(std::wstring(1, c))).first;
        sum.width += found->second.width;
        sum.height = std::max(sum.height, found->second.height);
    }
    *extent = sum;
    return true;
}

TextLineBreaker::Extent TextLineBreaker::Measure(const std::wstring& word) {
    if (word.empty()) return Extent{};
    const auto found = words_.find(word);
    if (found != words_.end()) return found->second;
    Extent e;
    if (!SumLetters(word, &e)) e = MeasureText(word);
    words_.emplace(word, e);
    return e;
}

TextLineBreaker::Extent TextLineBreaker::MeasureText(const std::wstring& word) {
    Extent e;
    if (gc_ != nullptr) {
        wxDouble w = 0, h = 0;
        gc_->GetTextExtent(wxString(word), &w, &h);
        e.width = w;
        e.height = h;
    } else {
        wxCoord w = 0, h = 0;
        dc_.GetTextExtent(wxString(word), &w, &h);
        e.width = w;
        e.height = h;
    }
    return e;
}

double TextLineBreaker::ExactWidth(const std::wstring& text) {
    return MeasureText(text).width;
}

std::wstring TextLineBreaker::SplitLongWord(const std::wstring& word, wxArrayString& lines) {
    wxArrayInt ends;
    dc_.GetPartialTextExtents(wxString(word), ends);
    if (ends.size() != word.size()) return word;
    std::size_t start = 0;
    int base = 0;
    while (start < word.size() && ends[word.size() - 1] - base > width_) {
        std::size_t k = start;
        while (k < word.size() && ends[k] - base <= width_) ++k;
        if (k == start) ++k;  // one character wider than the line still takes a line
        lines.Add(wxString(word.substr(start, k - start)));
        base = ends[k - 1];
        start = k;
    }
    return word.substr(start);
}

void TextLineBreaker::BreakParagraph(const std::wstring& p, wxArrayString& lines, double* height) {
    std::size_t lineStart = 0;
    double lineWidth = -1;  // below 0: the line has no word yet
    std::size_t i = 0;
    for (;;) {
        std::size_t end = p.find(L' ', i);
        if (end == std::wstring::npos) end = p.size();
        std::wstring word = p.substr(i, end - i);
        Extent e = Measure(word);
        *height = std::max(*height, e.height);
        if (lineWidth < 0) {
            if (e.width > width_ - kUncertain && ExactWidth(word) > width_) {
                word = SplitLongWord(word, lines);
                lineStart = end - word.size();
                e.width = ExactWidth(word);
            }
            lineWidth = e.width;
        } else {
            // Kerning draws letters closer, so a sum of widths is about the width of the text laid
            // out as a whole or more: a line whose sum fits does fit.
            const double candidate = lineWidth + space_.width + e.width;
            if (candidate > width_) {
                // The blank before the word ends the line; the word starts the next one.
                lines.Add(wxString(p.substr(lineStart, i - 1 - lineStart)));
                lineStart = i;
                lineWidth = -1;
                continue;
            }
            lineWidth = candidate;
        }
        if (end == p.size()) break;
        i = end + 1;
    }
    lines.Add(wxString(p.substr(lineStart)));
}

wxArrayString TextLineBreaker::Break(const wxString& text, int* lineHeight) {
    std::wstring s = text.ToStdWstring();
    // "\r\n" and a lone "\r" end a line as "\n" does.
    std::wstring plain;
    plain.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == L'\r') {
            plain += L'\n';
            if (i + 1 < s.size() && s[i + 1] == L'\n') ++i;
        } else {
            plain += s[i];
        }
    }
    wxArrayString lines;
    double height = space_.height;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(plain.find(L'\n', start), plain.size());
        BreakParagraph(plain.substr(start, end - start), lines, &height);
        if (end == plain.size()) break;
        start = end + 1;
    }
    if (lineHeight != nullptr)
        *lineHeight = std::max(1, static_cast<int>(std::ceil(height - 0.01)));
    return lines;
}
