// The program's settings from option.cfg in the application root, and the update check.
//
// option.cfg is an XML document; the settings are the texts of the children of the root
// element's first child, by position (element names are not looked at):
//   1 help page, 2 (unused), 3 support page, 4 (unused), 5 base address of the update
//   information, 6 home page (also the download page), 7 (unused).
// The update information is <setting 5>-update.xml over plain HTTP: an XML document in which,
// within any child element of the root, the attribute that follows one whose value is the
// product name holds the latest version (a later matching element wins).
#pragma once

#include <wx/string.h>
#include <wx/xml/xml.h>

#include "domain/http_client.h"

class wxEvtHandler;
class wxInputStream;
class wxURL;

class DomainOption {
  public:
    DomainOption();
    explicit DomainOption(const wxString& path);
    virtual ~DomainOption();

    void SetPath(const wxString& path);

    // True when the file exists, is at most kMaxFileBytes long, has no document type
    // declaration, parses as XML and has a root element. Logs nothing.
    bool Open();
    // Reads the seven settings; true when all seven were there. Settings missing from the file
    // stay empty; without a usable file every setting stays empty.
    bool Load();

    wxString GetHelpUrl() const { return helpUrl; }
    wxString GetSupportUrl() const { return supportUrl; }
    wxString GetHomeUrl() const { return homeUrl; }
    // Setting 5 followed by "-update.xml" (empty when the file had fewer than five settings).
    wxString GetUpdateUrl() const { return updateUrl; }

    // Runs the update check on the calling thread (bounded by the HTTP limits) and queues an
    // EVT_UPDATE_RESULT command event (id 0, the latest version as its string, empty when none
    // was obtained) to the update target. Does nothing when the update address is not a usable
    // URL (empty, no scheme, no host, a scheme the toolkit does not know).
    void CheckUpdate();
    // The fetch and the event of CheckUpdate for an address already parsed. Only "http" is
    // fetched; any other scheme yields an empty answer.
    void FetchUpdate(const wxURL& url);
    // The version text from an update document read from the stream: empty when the stream is
    // not usable, longer than the body limit, has a document type declaration or is not XML.
    static wxString ParseUpdateInfo(wxInputStream& stream);
    // The value of the attribute that follows the one whose value equals productName exactly,
    // in the last child of the root that has one; empty when none does.
    static wxString FindLatestVersion(const wxXmlDocument& document, const wxString& productName);

    // Whether received names a newer version than current. Versions are dot-separated decimal
    // numbers compared number by number, missing numbers counting as 0 ("2.1.10" > "2.1.5",
    // "2.2" > "2.1.5", "2.1.5.1" > "2.1.5", "2.1.5.0" == "2.1.5"). A text that is not such a
    // version (letters, empty parts, empty) is never newer.
    static bool IsNewerVersion(const wxString& current, const wxString& received);

    // Where the update answer goes: the application's top window unless set here (tests).
    void SetUpdateTarget(wxEvtHandler* target) { updateTarget = target; }
    void SetHttpLimits(const HttpLimits& limits) { httpLimits = limits; }

    // Larger settings files are not read.
    static constexpr long kMaxFileBytes = 1024 * 1024;

  private:
    wxString path;
    wxXmlDocument document;
    wxString helpUrl;
    wxString reserved2;
    wxString supportUrl;
    wxString reserved4;
    wxString updateUrl;
    wxString homeUrl;
    wxString reserved7;

    wxEvtHandler* updateTarget = nullptr;
    HttpLimits httpLimits;
};
