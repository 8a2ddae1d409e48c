#include "common/face_layout.h"

#include <expat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "util/wz_tool.h"

FaceLayoutMap FaceLayout;

namespace {

// What the element handlers share while one file is parsed.
struct FaceParseState {
    XML_Parser parser = nullptr;
    FacePathNode* top = nullptr;
    int depth = 0;
    const char* abortReason = nullptr;  // set when a handler stopped the parser
};

// The runtime's decimal conversion: leading white space, an optional sign, then digits up to the
// first other character; 0 without digits. Out-of-range values stop at the 32-bit limits.
std::int32_t ToInt32(const char* text) {
    errno = 0;
    long value = std::strtol(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

void Abort(FaceParseState* state, const char* reason) {
    if (state->abortReason == nullptr) {
        state->abortReason = reason;
        XML_StopParser(state->parser, XML_FALSE);
    }
}

void PopNode(FaceParseState* state) {
    FacePathNode* node = state->top;
    if (node == nullptr) return;
    state->top = node->parent;
    --state->depth;
    delete node;
}

void PrintError(const char* text, unsigned long line, const char* path) {
    std::fprintf(stderr, "%s at line %lu ->%s\n", text, line, path);
}

}  // namespace

bool WxStringLess::operator()(const wxString& a, const wxString& b) const {
    const wxString::size_type n = std::min(a.length(), b.length());
    for (wxString::size_type i = 0; i < n; ++i) {
        const wxUniChar ca = a[i];
        const wxUniChar cb = b[i];
        if (ca != cb) return ca.GetValue() < cb.GetValue();
    }
    return a.length() < b.length();
}

void OnFaceStartElement(void* userData, const char* name, const char** attributes) {
    FaceParseState* state = static_cast<FaceParseState*>(userData);
    if (state->depth >= kMaxFaceDepth) {
        Abort(state, "elements nested too deeply");
        return;
    }
    wxString path = state->top != nullptr ? state->top->path : wxString();
    path += "/";
    path += wxString::FromUTF8(name);
    if (path.length() > kMaxFacePathLength) {
        Abort(state, "element path too long");
        return;
    }
    FacePathNode* node = new FacePathNode;
    node->parent = state->top;
    node->path = path;
    state->top = node;
    ++state->depth;

    if (attributes == nullptr || attributes[0] == nullptr) return;
    FaceRect rect;
    for (int i = 0; attributes[i] != nullptr && attributes[i + 1] != nullptr; i += 2) {
        const char* key = attributes[i];
        const std::int32_t value = ToInt32(attributes[i + 1]);
        if (std::strcmp(key, "x") == 0) {
            rect.x = value;
        } else if (std::strcmp(key, "y") == 0) {
            rect.y = value;
        } else if (std::strcmp(key, "width") == 0) {
            rect.width = value;
        } else {
            rect.height = value;
        }
    }
    FaceLayout[node->path] = rect;
}

void OnFaceEndElement(void* userData, const char* /*name*/) {
    PopNode(static_cast<FaceParseState*>(userData));
}

int LoadFaceLayout(const wxString& path) {
    const wxScopedCharBuffer utf8Path = path.utf8_str();
    FILE* file = WZfopen(utf8Path.data(), "r");
    if (file == nullptr) return -1;

    FaceParseState state;
    state.parser = XML_ParserCreate(nullptr);
    if (state.parser == nullptr) {
        std::fclose(file);
        return 0;
    }
    XML_SetUserData(state.parser, &state);
    XML_SetElementHandler(state.parser, OnFaceStartElement, OnFaceEndElement);

    std::vector<char> buffer(1024);
    long total = 0;
    bool failed = false;
    while (!std::feof(file)) {
        size_t want = buffer.size();
        if (total + static_cast<long>(want) > kMaxFaceFileBytes) {
            want = static_cast<size_t>(kMaxFaceFileBytes - total);
        }
        if (want == 0) {
            // Larger than any layout file: the rest is not read, and the final call below
            // reports the document as cut off unless it happens to be complete here.
            break;
        }
        const size_t got = std::fread(buffer.data(), 1, want, file);
        total += static_cast<long>(got);
        if (XML_Parse(state.parser, buffer.data(), static_cast<int>(got), XML_FALSE) ==
            XML_STATUS_ERROR) {
            failed = true;
            break;
        }
        if (got == 0 && std::ferror(file)) break;
    }
    if (!failed && XML_Parse(state.parser, nullptr, 0, XML_TRUE) == XML_STATUS_ERROR) {
        failed = true;
    }
    if (failed) {
        const char* text = state.abortReason != nullptr
                               ? state.abortReason
                               : XML_ErrorString(XML_GetErrorCode(state.parser));
        PrintError(text != nullptr ? text : "unknown error",
                   static_cast<unsigned long>(XML_GetCurrentLineNumber(state.parser)),
                   utf8Path.data());
    }
    while (state.top != nullptr) PopNode(&state);
    XML_ParserFree(state.parser);
    std::fclose(file);
    return 0;
}

FaceRect GetFaceRect(const wxString& path) {
    const auto it = FaceLayout.find(path);
    return it != FaceLayout.end() ? it->second : FaceRect();
}
