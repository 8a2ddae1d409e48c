#include "export/export_fixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/translation.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>

#include "gen/backup_gen.h"
#include "support/test_support.h"
#include "support/toolkit_start.h"

extern char** environ;

namespace export_test {

namespace {

// The toolkit's base (threads, translations) is set up once for the whole test program.
class ToolkitEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        testing_support::StartToolkit("export_tests", testing_support::ToolkitMode::kBase);
    }
    void TearDown() override { testing_support::StopToolkit(); }
};

testing::Environment* const toolkit = testing::AddGlobalTestEnvironment(new ToolkitEnvironment);

}  // namespace

const char* const kAwkwardTexts[] = {
    "Ann",
    "Zo\xC3\xAB M\xC3\xBCller",                                       // Zoë Müller
    "\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E",                           // 王小明
    "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D",                               // שלום
    "See you \xF0\x9F\x98\x80 at 8",                                  // emoji
    "He said \"hi\" \\ then left",                                    // quotes and a backslash
    "line one\nline two\r\nline three",                               // line breaks
    "tab\there",                                                      //
    "<b>not bold</b> & <i>not italic</i>",                            // markup-looking text
    "",                                                               // empty
    "a/b/c",                                                          //
    "\xE5\x85\x83\xE6\xB0\x97\xEF\xBC\x9F \xE3\x81\xAF\xE3\x81\x84",  // 元気？ はい
};
const std::size_t kAwkwardTextCount = sizeof kAwkwardTexts / sizeof kAwkwardTexts[0];

wxString W(const char* utf8) {
    return wxString::FromUTF8(utf8);
}

Records::~Records() {
    for (auto* r : calls) delete r;
    for (auto* r : contacts) delete r;
    for (auto* r : chats) delete r;
    for (auto* r : notes) delete r;
    for (auto* r : visits) delete r;
    for (auto* r : events) delete r;
    for (auto* r : reminders) delete r;
    for (auto* r : memos) delete r;
    for (auto* r : photos) delete r;
}

namespace {

std::string Date(std::mt19937& rng) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d",
                  static_cast<int>(2011 + rng() % 4), static_cast<int>(1 + rng() % 12),
                  static_cast<int>(1 + rng() % 28), static_cast<int>(rng() % 24),
                  static_cast<int>(rng() % 60), static_cast<int>(rng() % 60));
    return text;
}

std::string Duration(std::mt19937& rng) {
    char text[16];
    const unsigned s = rng() % 4000;
    std::snprintf(text, sizeof text, "%.2u:%.2u:%.2u", s / 3600, s / 60 % 60, s % 60);
    return text;
}

wxString Pick(std::mt19937& rng) {
    return W(kAwkwardTexts[rng() % kAwkwardTextCount]);
}

wxString Phone(std::mt19937& rng) {
    char text[32];
    std::snprintf(text, sizeof text, "+1 (555) %.3u-%.4u", static_cast<unsigned>(rng() % 1000),
                  static_cast<unsigned>(rng() % 10000));
    return W(text);
}

}  // namespace

void FillRecords(Records& r, unsigned seed, std::size_t count) {
    std::mt19937 rng(seed);
    static const char* const labels[] = {"_$!<Mobile>!$_", "_$!<Home>!$_", "iPhone",
                                         "_$!<Work>!$_"};
    for (std::size_t i = 0; i < count; ++i) {
        auto* call = new CallHistory();
        call->name = i % 3 == 0 ? wxString() : Pick(rng);
        call->address = Phone(rng);
        call->date = W(Date(rng).c_str());
        call->type = i % 2 ? "Incoming" : "Outgoing";
        call->duration = W(Duration(rng).c_str());
        r.calls.push_back(call);

        auto* contact = new Contact();
        contact->name = Pick(rng);
        contact->organization = i % 2 ? W("Acme & Sons") : wxString();
        contact->department = Pick(rng);
        contact->note = Pick(rng);
        contact->birthday = i % 4 ? wxString() : W("1980-02-29");
        contact->jobTitle = W("Engineer");
        contact->nickName = Pick(rng);
        contact->creationDate = W(Date(rng).c_str());
        for (std::size_t p = 0; p < i % 4; ++p) {
            contact->properties.emplace_back(W(labels[p % 4]), Phone(rng));
        }
        r.contacts.push_back(contact);

        auto* chat = new Sms();
        chat->phone = Phone(rng);
        chat->another = Pick(rng);
        for (std::size_t m = 0; m < (i % 3) * 2; ++m) {
            auto* message = new Message();
            message->country = "us";
            message->service = m % 2 ? "iMessage" : "SMS";
            message->text = Pick(rng);
            message->date = W(Date(rng).c_str());
            message->type = m % 2;
            chat->messages.push_back(message);
        }
        r.chats.push_back(chat);

        auto* note = new Note();
        note->create_date = W(Date(rng).c_str());
        note->title = Pick(rng);
        note->body = Pick(rng) + W("\n") + Pick(rng);
        r.notes.push_back(note);

        auto* visit = new SafariHistory();
        visit->title = Pick(rng);
        visit->type = i % 2 ? "History" : "Bookmark";
        visit->url = W("http://example.com/search?q=a&b=\"c\"<d>");
        r.visits.push_back(visit);

        auto* event = new Calendar();
        event->title = Pick(rng);
        event->location = Pick(rng);
        event->description = Pick(rng);
        event->url = W("http://example.org/e");
        event->start_date = W(Date(rng).c_str());
        event->end_date = W(Date(rng).c_str());
        event->area = W("Europe/Berlin");
        event->all_day = i % 2 ? "Yes" : "No";
        event->status = "None";
        r.events.push_back(event);

        auto* reminder = new Calendar();
        reminder->title = Pick(rng);
        reminder->location = Pick(rng);
        reminder->description = Pick(rng);
        reminder->url = W("http://example.org/r");
        reminder->start_date = W(Date(rng).c_str());
        reminder->end_date = W(Date(rng).c_str());
        reminder->area = W("America/New_York");
        reminder->all_day = "No";
        reminder->status = i % 2 ? "Completed" : "Pending";
        r.reminders.push_back(reminder);
    }
}

void* ItemsOf(Records& r, std::uint32_t kind) {
    switch (kind) {
        case KIND_CALL_HISTORY:
            return &r.calls;
        case KIND_CONTACTS:
            return &r.contacts;
        case KIND_MESSAGES:
            return &r.chats;
        case KIND_NOTES:
            return &r.notes;
        case KIND_SAFARI:
            return &r.visits;
        case KIND_CALENDAR:
            return &r.events;
        case KIND_REMINDERS:
            return &r.reminders;
        case KIND_VOICE_MEMOS:
            return &r.memos;
        default:
            return &r.photos;
    }
}

RecoverRequest* MakeRequest(std::uint32_t kind, void* items, const std::vector<int>& checked,
                            const std::string& folder, wxEvtHandler* target) {
    auto* request = new RecoverRequest();
    request->kind = kind;
    request->items = items;
    request->SetFolder(folder);
    request->target = target;
    for (int i : checked) request->checked.push_back(i);
    return request;
}

ExportOutcome RunExport(std::uint32_t kind, void* items, const std::vector<int>& checked,
                        const std::string& folder) {
    EventSink sink;
    DomainExport::ExportTask(MakeRequest(kind, items, checked, folder, &sink));
    return sink.LastOutcome();
}

Grid ReadPageData(const std::string& pagePath) {
    Grid grid;
    struct stat st;
    if (stat(pagePath.c_str(), &st) != 0) {
        ADD_FAILURE() << "no page " << pagePath;
        return grid;
    }
    const std::string page = gen::ReadFile(pagePath);
    const std::string start = "var data = ";
    const std::size_t from = page.find(start);
    if (from == std::string::npos) {
        ADD_FAILURE() << "no data in " << pagePath;
        return grid;
    }
    const std::size_t end = page.find(";\n", from);
    const std::string json = page.substr(from + start.size(), end - from - start.size());
    rapidjson::Document doc;
    doc.Parse(json.c_str(), json.size());
    if (doc.HasParseError() || !doc.IsArray()) {
        ADD_FAILURE() << "data is not a JSON array: " << json.substr(0, 200);
        return grid;
    }
    for (const auto& row : doc.GetArray()) {
        if (!row.IsArray()) {
            ADD_FAILURE() << "a row is not an array";
            return {};
        }
        grid.emplace_back();
        for (const auto& cell : row.GetArray()) {
            if (!cell.IsString()) {
                ADD_FAILURE() << "a cell is not a string";
                return {};
            }
            grid.back().emplace_back(cell.GetString(), cell.GetStringLength());
        }
    }
    return grid;
}

std::string ReadPageTitle(const std::string& pagePath) {
    const std::string page = gen::ReadFile(pagePath);
    const std::size_t from = page.find("<title>");
    const std::size_t to = page.find("</title>", from);
    if (from == std::string::npos || to == std::string::npos) return "?";
    return page.substr(from + 7, to - from - 7);
}

void EventSink::QueueEvent(wxEvent* event) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.emplace_back(event);
}

std::vector<int> EventSink::Ids() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<int> ids;
    for (const auto& e : events_) ids.push_back(e->GetId());
    return ids;
}

std::size_t EventSink::Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_.size();
}

ExportOutcome EventSink::LastOutcome() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (events_.empty()) return ExportOutcome();
    auto* event = dynamic_cast<wxThreadEvent*>(events_.back().get());
    if (event == nullptr) return ExportOutcome();
    return event->GetPayload<ExportOutcome>();
}

ScopedTmpfs::ScopedTmpfs(const std::string& folder, std::size_t bytes) : folder_(folder) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    mounted_ = mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC,
                     options.c_str()) == 0;
}

ScopedTmpfs::~ScopedTmpfs() {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
}

bool ScopedTmpfs::MakeReadOnly() {
    return mounted_ &&
           mount("tmpfs", folder_.c_str(), "tmpfs",
                 MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) == 0;
}

namespace {

// A GNU message catalog (.mo) holding entries, with a header that declares UTF-8.
std::string BuildMo(std::vector<std::pair<std::string, std::string>> entries) {
    entries.emplace_back("", "Content-Type: text/plain; charset=UTF-8\n");
    std::sort(entries.begin(), entries.end());
    const std::uint32_t n = static_cast<std::uint32_t>(entries.size());
    const std::uint32_t origTable = 28;
    const std::uint32_t transTable = origTable + 8 * n;
    std::uint32_t offset = transTable + 8 * n;
    std::string strings;
    std::vector<std::uint32_t> table;
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& e : entries) {
            const std::string& s = pass == 0 ? e.first : e.second;
            table.push_back(static_cast<std::uint32_t>(s.size()));
            table.push_back(offset + static_cast<std::uint32_t>(strings.size()));
            strings += s;
            strings += '\0';
        }
    }
    std::vector<std::uint32_t> head = {0x950412de, 0, n, origTable, transTable, 0, offset};
    std::string mo;
    auto put = [&](std::uint32_t v) { mo.append(reinterpret_cast<const char*>(&v), 4); };
    for (std::uint32_t v : head) put(v);
    for (std::uint32_t v : table) put(v);
    mo += strings;
    return mo;
}

class MemoryLoader : public wxTranslationsLoader {
  public:
    explicit MemoryLoader(const std::string& mo) : mo_(mo) {}
    wxMsgCatalog* LoadCatalog(const wxString& domain, const wxString& lang) override {
        if (lang != "fr") return nullptr;
        return wxMsgCatalog::CreateFromData(
            wxScopedCharBuffer::CreateNonOwned(mo_.data(), mo_.size()), domain);
    }
    wxArrayString GetAvailableTranslations(const wxString&) const override {
        wxArrayString langs;
        langs.Add("fr");
        return langs;
    }

  private:
    const std::string& mo_;
};

}  // namespace

ScopedCatalog::ScopedCatalog(const std::vector<std::pair<std::string, std::string>>& entries)
    : mo_(BuildMo(entries)) {
    auto* translations = new wxTranslations();
    translations->SetLoader(new MemoryLoader(mo_));
    translations->SetLanguage("fr");
    translations->AddCatalog("language");
    wxTranslations::Set(translations);
}

ScopedCatalog::~ScopedCatalog() {
    wxTranslations::Set(nullptr);
}

std::string Browser::Path() {
    if (const char* env = std::getenv("BV_CHROMIUM")) {
        if (*env != '\0' && access(env, X_OK) == 0) return env;
    }
    for (const char* candidate :
         {"/usr/bin/chromium", "/usr/bin/chromium-browser", "/usr/bin/google-chrome"}) {
        if (access(candidate, X_OK) == 0) return candidate;
    }
    return "";
}

std::string Browser::DumpDom(const std::string& url, int timersMs) {
    const std::string browser = Path();
    if (browser.empty()) return "";
    testing_support::TempDir profile;
    const std::string out = profile / "dom.html";
    const std::string userData = "--user-data-dir=" + profile.Path() + "/profile";
    std::vector<std::string> args = {browser,
                                     "--headless=new",
                                     "--no-sandbox",
                                     "--disable-gpu",
                                     "--no-first-run",
                                     "--no-default-browser-check",
                                     "--disable-extensions",
                                     "--disable-background-networking",
                                     "--disable-component-update",
                                     "--disable-sync",
                                     "--host-resolver-rules=MAP * ~NOTFOUND",
                                     userData,
                                     "--dump-dom"};
    if (timersMs > 0) args.push_back("--virtual-time-budget=" + std::to_string(timersMs));
    args.push_back(url);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    // The browser finds its profile and caches under HOME; keep them in the scratch folder.
    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "HOME=", 5) == 0 || std::strncmp(*e, "XDG_", 4) == 0) continue;
        envText.emplace_back(*e);
    }
    envText.push_back("HOME=" + profile.Path());
    std::vector<char*> envp;
    for (auto& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid = 0;
    const int rc = posix_spawn(&pid, browser.c_str(), &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return "";

    // Wait for the browser to end without reaping it: while it is not reaped, its process
    // group (the browser and the helpers it started) cannot be taken by anyone else, so the
    // helpers that outlived it can be ended by the group's id.
    // Only a guard against a browser that never ends: a page that takes long on a busy machine
    // must still be read, so the guard is far above any load's time.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    bool ended = false;
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == pid) {
            ended = true;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    kill(-pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return "";
    return gen::ReadFile(out);
}

namespace {

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const std::size_t semi = text.find(';', i);
        if (semi == std::string::npos) {
            out += text[i];
            continue;
        }
        const std::string name = text.substr(i + 1, semi - i - 1);
        if (name == "amp") {
            out += '&';
        } else if (name == "lt") {
            out += '<';
        } else if (name == "gt") {
            out += '>';
        } else if (name == "quot") {
            out += '"';
        } else if (name == "nbsp") {
            out += "\xC2\xA0";
        } else {
            out += text.substr(i, semi - i + 1);
        }
        i = semi;
    }
    return out;
}

// The text inside the element that starts with openTag; empty when there is none.
std::string ElementText(const std::string& dom, const std::string& openTag,
                        const std::string& closeTag) {
    const std::size_t from = dom.find(openTag);
    if (from == std::string::npos) return "";
    const std::size_t start = dom.find('>', from) + 1;
    const std::size_t end = dom.find(closeTag, start);
    return Unescape(dom.substr(start, end - start));
}

}  // namespace

RenderedTable ParseRendered(const std::string& dom) {
    RenderedTable table;
    table.heading = ElementText(dom, "<h1 id=\"heading\"", "</h1>");
    table.count = ElementText(dom, "<p id=\"count\"", "</p>");
    const std::size_t theadFrom = dom.find("<thead>");
    const std::size_t theadTo = dom.find("</thead>");
    if (theadFrom != std::string::npos && theadTo != std::string::npos) {
        std::size_t pos = theadFrom;
        while ((pos = dom.find("<button", pos)) < theadTo) {
            const std::size_t start = dom.find('>', pos) + 1;
            const std::size_t end = dom.find("</button>", start);
            table.header.push_back(Unescape(dom.substr(start, end - start)));
            pos = end;
        }
    }
    const std::size_t bodyFrom = dom.find("<tbody>");
    const std::size_t bodyTo = dom.find("</tbody>");
    if (bodyFrom == std::string::npos || bodyTo == std::string::npos) return table;
    std::size_t pos = bodyFrom;
    while ((pos = dom.find("<tr", pos)) < bodyTo) {
        const std::size_t tagEnd = dom.find('>', pos);
        const std::string attrs = dom.substr(pos + 3, tagEnd - pos - 3);
        const std::size_t rowEnd = dom.find("</tr>", tagEnd);
        RenderedRow row;
        const std::size_t cls = attrs.find("class=\"");
        if (cls != std::string::npos) {
            row.cls = attrs.substr(cls + 7, attrs.find('"', cls + 7) - cls - 7);
        }
        row.hidden = attrs.find("hidden") != std::string::npos;
        std::size_t cell = tagEnd;
        while ((cell = dom.find("<td", cell)) < rowEnd) {
            const std::size_t start = dom.find('>', cell) + 1;
            const std::size_t end = dom.find("</td>", start);
            row.cells.push_back(Unescape(dom.substr(start, end - start)));
            cell = end;
        }
        table.rows.push_back(row);
        pos = rowEnd;
    }
    return table;
}

std::string FileUrl(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

}  // namespace export_test

// The toolkit is not built with ThreadSanitizer: what its own code does through the intercepted
// calls (a detached thread's cleanup, its per-thread data) is not checked; our code still is.
extern "C" const char* __tsan_default_options() {
    return "ignore_noninstrumented_modules=1";
}
