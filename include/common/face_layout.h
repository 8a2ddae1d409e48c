// The theme's layout map. Themes/face.xml names, by element path, every rectangle, position,
// colour, font size and offset of the skinned windows; LoadFaceLayout reads it once at start-up
// into FaceLayout, which the windows read by path from then on (GUI thread only, no lock).
#pragma once

#include <wx/string.h>

#include <cstdint>
#include <map>

// Four numbers of one layout entry. A window reads them, by the key's role, as a rectangle
// (x, y, width, height), a position (x, y), a colour (red x, green y, blue width, lowest 8 bits
// each), a font (height = point size) or an offset (y).
struct FaceRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Orders paths by character code, a shorter prefix first.
struct WxStringLess {
    bool operator()(const wxString& a, const wxString& b) const;
};

// One level of the element-path stack while the file is parsed.
struct FacePathNode {
    FacePathNode* parent = nullptr;  // null for the root element
    wxString path;                   // "/face/listwindow" ...
};

typedef std::map<wxString, FaceRect, WxStringLess> FaceLayoutMap;

// Path -> numbers, for every element of face.xml that has at least one attribute. Empty until
// LoadFaceLayout runs. Indexing a path that the file lacks yields four zeros.
extern FaceLayoutMap FaceLayout;

// Parses the layout file at path (UTF-8 on disk) into FaceLayout. Returns -1, leaving the map
// unchanged, when the file cannot be opened; 0 after a parse, also after a parse error, which is
// printed to standard error as "<error> at line <n> -><path>" and keeps the entries made before
// it. Files larger than kMaxFaceFileBytes, nested deeper than kMaxFaceDepth or with a path longer
// than kMaxFacePathLength are cut off there and reported like a parse error.
int LoadFaceLayout(const wxString& path);

// The numbers of a path; four zeros when the map lacks it. Does not change the map.
FaceRect GetFaceRect(const wxString& path);

constexpr long kMaxFaceFileBytes = 1024 * 1024;
constexpr int kMaxFaceDepth = 64;
constexpr size_t kMaxFacePathLength = 4096;

// The parser's element handlers (expat); userData is the parse state of LoadFaceLayout.
void OnFaceStartElement(void* userData, const char* name, const char** attributes);
void OnFaceEndElement(void* userData, const char* name);
