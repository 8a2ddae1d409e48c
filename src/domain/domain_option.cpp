#include "domain/domain_option.h"

#include <wx/app.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/url.h>
#include <wx/window.h>  // only to reach the top window's event handler

#include <algorithm>
#include <string>
#include <vector>

#include "common/app_info.h"
#include "common/custom_event.h"

namespace {

// Parses text as an XML document without any log message. A document type declaration is
// refused: neither the settings nor the update information needs one, and it is where entity
// expansion attacks live.
bool LoadXml(const std::string& text, wxXmlDocument* document) {
    if (text.find("<!DOCTYPE") != std::string::npos) return false;
    wxMemoryInputStream stream(text.data(), text.size());
    wxLogNull quiet;
    return document->Load(stream, "UTF-8") && document->GetRoot() != nullptr;
}

// Reads the whole file when it is at most limit bytes long.
bool ReadSmallFile(const wxString& path, size_t limit, std::string* text) {
    if (!wxFileName::FileExists(path)) return false;
    wxLogNull quiet;
    wxFFile file(path, "rb");
    if (!file.IsOpened()) return false;
    char buffer[4096];
    for (;;) {
        const size_t n = file.Read(buffer, sizeof buffer);
        if (n == 0) break;
        text->append(buffer, n);
        if (text->size() > limit) return false;
    }
    return !file.Error();
}

// Splits a version text into its numbers (as digit strings without leading zeros); false when
// it is not dot-separated decimal numbers.
bool SplitVersion(const wxString& text, std::vector<std::string>* parts) {
    wxString trimmed = text;
    trimmed.Trim(true).Trim(false);
    if (trimmed.empty()) return false;
    std::string current;
    bool digits = false;
    for (wxString::const_iterator it = trimmed.begin(); it != trimmed.end(); ++it) {
        const wxUniChar c = *it;
        if (c == '.') {
            if (!digits) return false;
            parts->push_back(current.empty() ? std::string("0") : current);
            current.clear();
            digits = false;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (!(current.empty() && c == '0')) current += static_cast<char>(c.GetValue());
        } else {
            return false;
        }
    }
    if (!digits) return false;
    parts->push_back(current.empty() ? std::string("0") : current);
    return true;
}

// Compares two numbers given as digit strings without leading zeros.
int CompareNumber(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

DomainOption::DomainOption() {}

DomainOption::DomainOption(const wxString& path) : path(path) {}

DomainOption::~DomainOption() {}

void DomainOption::SetPath(const wxString& newPath) {
    path = newPath;
}

bool DomainOption::Open() {
    std::string text;
    if (!ReadSmallFile(path, kMaxFileBytes, &text)) return false;
    return LoadXml(text, &document);
}

bool DomainOption::Load() {
    wxString* settings[7] = {&helpUrl,   &reserved2, &supportUrl, &reserved4,
                             &updateUrl, &homeUrl,   &reserved7};
    for (wxString* setting : settings) setting->clear();
    if (!Open()) return false;
    wxXmlNode* group = document.GetRoot()->GetChildren();
    wxXmlNode* node = group != nullptr ? group->GetChildren() : nullptr;
    for (int k = 0; k < 7; ++k) {
        if (node == nullptr) return false;
        *settings[k] = node->GetNodeContent();
        if (k == 4) *settings[k] += "-update.xml";
        node = node->GetNext();
    }
    return true;
}

void DomainOption::CheckUpdate() {
    wxURL url(updateUrl);
    if (updateUrl.empty() || url.GetError() != wxURL_NOERR || url.GetServer().empty()) return;
    FetchUpdate(url);
}

void DomainOption::FetchUpdate(const wxURL& url) {
    wxCommandEvent event(EVT_UPDATE_RESULT, 0);
    if (url.GetScheme().IsSameAs("http", false)) {
        std::string target(url.GetPath().utf8_str());
        if (url.HasQuery()) target += "?" + std::string(url.GetQuery().utf8_str());
        long port = 80;
        if (url.HasPort() && !url.GetPort().empty() && !url.GetPort().ToLong(&port)) port = -1;
        std::string body;
        if (HttpClient::Get(std::string(url.GetServer().utf8_str()), static_cast<int>(port), target,
                            httpLimits, &body)) {
            wxMemoryInputStream stream(body.data(), body.size());
            event.SetString(ParseUpdateInfo(stream));
        }
    }
    wxEvtHandler* target = updateTarget;
    if (target == nullptr) {
        // A console application object (as in tools and tests) has no top window.
        wxApp* app = wxDynamicCast(wxApp::GetInstance(), wxApp);
        if (app != nullptr && app->GetTopWindow() != nullptr) {
            target = app->GetTopWindow()->GetEventHandler();
        }
    }
    if (target != nullptr) target->QueueEvent(event.Clone());
}

wxString DomainOption::ParseUpdateInfo(wxInputStream& stream) {
    if (!stream.IsOk()) return wxString();
    const size_t limit = HttpLimits().maxBodyBytes;
    std::string text;
    char buffer[4096];
    for (;;) {
        stream.Read(buffer, sizeof buffer);
        const size_t n = stream.LastRead();
        if (n == 0) break;
        text.append(buffer, n);
        if (text.size() > limit) return wxString();
    }
    wxXmlDocument document;
    if (!LoadXml(text, &document)) return wxString();
    return FindLatestVersion(document, AppInfo::GetProductName());
}

wxString DomainOption::FindLatestVersion(const wxXmlDocument& document,
                                         const wxString& productName) {
    wxString result;
    const wxXmlNode* root = document.GetRoot();
    if (root == nullptr) return result;
    for (const wxXmlNode* child = root->GetChildren(); child != nullptr; child = child->GetNext()) {
        for (const wxXmlAttribute* attribute = child->GetAttributes(); attribute != nullptr;
             attribute = attribute->GetNext()) {
            const wxXmlAttribute* next = attribute->GetNext();
            if (next != nullptr && attribute->GetValue() == productName) {
                result = next->GetValue();
                break;
            }
        }
    }
    return result;
}

bool DomainOption::IsNewerVersion(const wxString& current, const wxString& received) {
    std::vector<std::string> have;
    std::vector<std::string> got;
    if (!SplitVersion(received, &got)) return false;
    // An unreadable current version cannot be compared: nothing is offered.
    if (!SplitVersion(current, &have)) return false;
    const size_t n = std::max(have.size(), got.size());
    for (size_t i = 0; i < n; ++i) {
        const std::string a = i < have.size() ? have[i] : std::string("0");
        const std::string b = i < got.size() ? got[i] : std::string("0");
        const int c = CompareNumber(b, a);
        if (c != 0) return c > 0;
    }
    return false;
}
