// Breaks texts into lines of at most a given width in one font, measured with a device context.
// Widths are measured once and kept: a word of letters of scripts whose letters keep their shape
// next to each other (Latin, Greek, Cyrillic, Chinese, Japanese, Korean) is as wide as its letters,
// each measured once; any other word is measured whole, once. A long conversation so costs a few
// measurements per new letter or word rather than one text layout per message. Kerning draws
// letters closer, so a sum of widths is about the width of the same text laid out as a whole or
// more: lines do not overflow, and a line may end one word earlier than a whole measure would.
#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

#include <string>
#include <unordered_map>

class wxDC;
class wxGraphicsContext;

class TextLineBreaker {
  public:
    // dc must carry the font of the texts and outlive the breaker.
    TextLineBreaker(wxDC& dc, int width);

    // The lines of text: the text's own line breaks ("\n", "\r\n" or "\r") end a line; within
    // one, lines break at the blank before the first word that does not fit (the blank is
    // dropped); a word wider than the width alone breaks between characters. At least one line.
    // lineHeight receives the height of the whole text measured as one line.
    wxArrayString Break(const wxString& text, int* lineHeight = nullptr);

  private:
    struct Extent {
        double width = 0;
        double height = 0;
    };
    Extent Measure(const std::wstring& word);
    Extent MeasureText(const std::wstring& text);
    // The width of a word of letters that keep their shape, from its letters' widths; false for
    // any other word.
    bool SumLetters(const std::wstring& word, Extent* extent);
    double ExactWidth(const std::wstring& text);
    // Breaks one line of the text (no line break inside) and appends its lines.
    void BreakParagraph(const std::wstring& paragraph, wxArrayString& lines, double* height);
    // Appends the pieces of a word wider than the line, all but the last; returns the rest.
    std::wstring SplitLongWord(const std::wstring& word, wxArrayString& lines);

    wxDC& dc_;
    wxGraphicsContext* gc_ = nullptr;
    double width_;
    Extent space_;
    std::unordered_map<std::wstring, Extent> words_;
    std::unordered_map<wchar_t, Extent> letters_;
};
