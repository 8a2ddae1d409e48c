// Breaks texts into lines of at most a given width in one font, measured with a device context.
// Word widths are measured once and kept, so that a long conversation, whose words repeat, costs
// a few measurements per new word rather than one text layout per message; a line whose summed
// width lies close to the limit is measured as a whole before it is decided.
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
};
