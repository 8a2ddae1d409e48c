// Helpers of the export tests: realistic records of every kind, requests, reading a written page
// back, a message catalog held in memory, and a headless browser that renders a page.
#pragma once

#include <wx/event.h>

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "domain/domain_export.h"
#include "domain/kind_obj.h"

namespace export_test {

using Grid = std::vector<std::vector<std::string>>;

// Texts as devices store them: accents, CJK, right-to-left script, emoji, quotes, line breaks,
// markup-like text.
extern const char* const kAwkwardTexts[];
extern const std::size_t kAwkwardTextCount;

wxString W(const char* utf8);

// Records of every kind, deterministic from the seed. The vectors own their records.
struct Records {
    Records() = default;
    ~Records();
    Records(const Records&) = delete;
    Records& operator=(const Records&) = delete;

    CallHistoryList calls;
    ContactList contacts;
    SmsList chats;
    NoteList notes;
    SafariHistoryList visits;
    CalendarList events;
    CalendarList reminders;
    VoiceMemosList memos;
    PhotoList photos;
};
void FillRecords(Records& records, unsigned seed, std::size_t count);

// The record vector of a kind inside records.
void* ItemsOf(Records& records, std::uint32_t kind);

// A request for kind over items, checking the given positions, into folder (the system's
// bytes).
RecoverRequest* MakeRequest(std::uint32_t kind, void* items, const std::vector<int>& checked,
                            const std::string& folder, wxEvtHandler* target = nullptr);

// Runs the export task on this thread; returns the outcome its done event carried.
ExportOutcome RunExport(std::uint32_t kind, void* items, const std::vector<int>& checked,
                        const std::string& folder);

// The rows of a written page, parsed from its "var data = ...;" line. Fails the test (and
// returns an empty grid) when the page is missing or its data is not a JSON array of arrays of
// strings.
Grid ReadPageData(const std::string& pagePath);
// The title between <title> and </title>.
std::string ReadPageTitle(const std::string& pagePath);

// Collects the events queued to it, from any thread.
class EventSink : public wxEvtHandler {
  public:
    void QueueEvent(wxEvent* event) override;
    std::vector<int> Ids();
    std::size_t Count();
    // The outcome carried by the last event (a default one when there is none).
    ExportOutcome LastOutcome();

  private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<wxEvent>> events_;
};

// Installs, for the scope, translations from a catalog built in memory from (English, translated)
// pairs; restores no catalog afterwards.
class ScopedCatalog {
  public:
    explicit ScopedCatalog(const std::vector<std::pair<std::string, std::string>>& entries);
    ~ScopedCatalog();

  private:
    std::string mo_;
};

// A small tmpfs mounted on a folder for the scope, where the system lets this process mount
// one (root, or a user with the right); Mounted() tells whether it did.
class ScopedTmpfs {
  public:
    ScopedTmpfs(const std::string& folder, std::size_t bytes);
    ~ScopedTmpfs();
    ScopedTmpfs(const ScopedTmpfs&) = delete;
    ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;
    bool Mounted() const { return mounted_; }
    // Makes the file system read-only; false when that fails.
    bool MakeReadOnly();

  private:
    std::string folder_;
    bool mounted_ = false;
};

// The headless browser. Path() is empty when none is installed.
class Browser {
  public:
    static std::string Path();
    // Loads url, runs its scripts (and, with timersMs > 0, lets that much time pass for its
    // timers) and returns the document as serialized afterwards; empty on failure.
    static std::string DumpDom(const std::string& url, int timersMs = 0);
};

// A rendered table read back from a serialized document: the header titles, and the body rows
// with their cells, class and whether they are hidden.
struct RenderedRow {
    std::vector<std::string> cells;
    std::string cls;
    bool hidden = false;
};
struct RenderedTable {
    std::vector<std::string> header;
    std::vector<RenderedRow> rows;
    std::string count;    // the text under the heading
    std::string heading;  // the heading
};
RenderedTable ParseRendered(const std::string& dom);

// file:// address of a path, with characters escaped as a browser expects.
std::string FileUrl(const std::string& path);

}  // namespace export_test
