// option.cfg, the update document and the update check against a local HTTP server.
#include "domain/domain_option.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <wx/event.h>
#include <wx/mstream.h>
#include <wx/url.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>

#include "common/app_info.h"
#include "common/custom_event.h"
#include "local_http_server.h"
#include "support/test_support.h"
#include "wx_environment.h"

namespace {

using testing_support::TempDir;
typedef std::chrono::steady_clock Clock;

std::string Settings(int count, const std::string& update = "http://up.example/app") {
    const char* values[7] = {
        "http://h.example/help", "two",  "http://s.example/support", "four", nullptr,
        "http://home.example/",  "seven"};
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<option>\n <urls>\n";
    for (int k = 0; k < count; ++k) {
        doc += "  <s" + std::to_string(k + 1) + ">" + (k == 4 ? update : values[k]) + "</s" +
               std::to_string(k + 1) + ">\n";
    }
    return doc + " </urls>\n</option>\n";
}

class DomainOptionTest : public ::testing::Test {
  protected:
    std::string WriteFile(const std::string& text) {
        const std::string path = dir_ / "option.cfg";
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    TempDir dir_;
};

TEST_F(DomainOptionTest, SevenSettingsByPosition) {
    DomainOption option(wxString::FromUTF8(WriteFile(Settings(7))));
    EXPECT_TRUE(option.Load());
    EXPECT_EQ(option.GetHelpUrl(), "http://h.example/help");
    EXPECT_EQ(option.GetSupportUrl(), "http://s.example/support");
    EXPECT_EQ(option.GetHomeUrl(), "http://home.example/");
    // Appended directly, without a separator.
    EXPECT_EQ(option.GetUpdateUrl(), "http://up.example/app-update.xml");
}

TEST_F(DomainOptionTest, FewerSettingsKeepWhatIsThere) {
    struct Case {
        int count;
        bool help, support, update, home;
    } cases[] = {
        {0, false, false, false, false}, {1, true, false, false, false},
        {4, true, true, false, false},   {5, true, true, true, false},
        {6, true, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        DomainOption option(wxString::FromUTF8(WriteFile(Settings(c.count))));
        EXPECT_FALSE(option.Load());
        EXPECT_EQ(option.GetHelpUrl().empty(), !c.help);
        EXPECT_EQ(option.GetSupportUrl().empty(), !c.support);
        EXPECT_EQ(option.GetUpdateUrl().empty(), !c.update);
        EXPECT_EQ(option.GetHomeUrl().empty(), !c.home);
    }
}

TEST_F(DomainOptionTest, NamesAreNotLookedAtAndTextMayBeCharacterData) {
    DomainOption option(wxString::FromUTF8(
        WriteFile("<a><b><x>one</x><x/><x><![CDATA[http://s/?a=1&b=2]]></x><x>4</x>"
                  "<x>  http://u/v  </x><x>six</x><x>7</x><x>extra</x></b><c/></a>")));
    EXPECT_TRUE(option.Load());
    EXPECT_EQ(option.GetHelpUrl(), "one");
    EXPECT_EQ(option.GetSupportUrl(), "http://s/?a=1&b=2");
    EXPECT_EQ(option.GetUpdateUrl(), "  http://u/v  -update.xml");
    EXPECT_EQ(option.GetHomeUrl(), "six");
}

TEST_F(DomainOptionTest, UnusableFilesLeaveEverythingEmptyWithoutMessages) {
    std::string bomb =
        "<!DOCTYPE o [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
        "<o><u><h>&b;</h></u></o>";
    std::string huge = "<o><u><h>";
    huge.append(2 * 1024 * 1024, 'x');
    huge += "</h></u></o>";
    const std::string cases[] = {
        "",   "not xml at all",       "<o><u><h>cut", "<o/>", "<o>text only</o>", bomb,
        huge, "\xff\xfe<\0o\0/\0>\0",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 40));
        RecordingLog log;
        DomainOption option(wxString::FromUTF8(WriteFile(text)));
        EXPECT_FALSE(option.Load());
        EXPECT_TRUE(option.GetHelpUrl().empty());
        EXPECT_TRUE(option.GetUpdateUrl().empty());
        EXPECT_TRUE(log.Messages().empty());
    }
    DomainOption missing(wxString::FromUTF8(dir_ / "absent.cfg"));
    EXPECT_FALSE(missing.Open());
    EXPECT_FALSE(missing.Load());
    DomainOption folder(wxString::FromUTF8(dir_.Path()));
    EXPECT_FALSE(folder.Load());
    // Loading again forgets what an earlier file said.
    DomainOption reloaded(wxString::FromUTF8(WriteFile(Settings(7))));
    ASSERT_TRUE(reloaded.Load());
    reloaded.SetPath(wxString::FromUTF8(dir_ / "absent.cfg"));
    EXPECT_FALSE(reloaded.Load());
    EXPECT_TRUE(reloaded.GetHelpUrl().empty());
    EXPECT_TRUE(reloaded.GetUpdateUrl().empty());
}

TEST_F(DomainOptionTest, ShippedFileHasSevenPlainHttpSettings) {
    DomainOption option(
        wxString::FromUTF8(std::string(BV_SOURCE_DIR) + "/data/options/option.cfg"));
    ASSERT_TRUE(option.Load());
    for (const wxString& url : {option.GetHelpUrl(), option.GetSupportUrl(), option.GetHomeUrl(),
                                option.GetUpdateUrl()}) {
        EXPECT_TRUE(url.StartsWith("http://")) << url.ToStdString();
        wxURL parsed(url);
        EXPECT_EQ(parsed.GetError(), wxURL_NOERR) << url.ToStdString();
    }
    EXPECT_TRUE(option.GetUpdateUrl().EndsWith("-update.xml"));
}

// --- the update document ---

wxString LatestOf(const std::string& xml) {
    wxMemoryInputStream stream(xml.data(), xml.size());
    return DomainOption::ParseUpdateInfo(stream);
}

TEST(UpdateDocumentTest, AttributeAfterTheProductName) {
    const std::string p = AppInfo::GetProductName().ToStdString();
    ASSERT_EQ(p, "Tavrenmoss Quellstone");
    struct Case {
        const char* what;
        std::string xml;
        const char* expected;
    } cases[] = {
        {"match", "<u><p name=\"" + p + "\" version=\"2.2.0\"/></u>", "2.2.0"},
        {"names not looked at", "<u><p a=\"" + p + "\" b=\"3.0\" c=\"9\"/></u>", "3.0"},
        {"product is the last attribute", "<u><p v=\"1.0\" name=\"" + p + "\"/></u>", ""},
        {"later element wins",
         "<u><p n=\"" + p + "\" v=\"2.2\"/><q n=\"" + p + "\" v=\"2.3\"/></u>", "2.3"},
        {"later non-matching element keeps the result",
         "<u><p n=\"" + p + "\" v=\"2.2\"/><q n=\"Other\" v=\"9.9\"/></u>", "2.2"},
        {"first match in an element", "<u><p n=\"" + p + "\" v=\"1\" w=\"" + p + "\" x=\"2\"/></u>",
         "1"},
        {"wrong case", "<u><p n=\"tavrenmoss quellstone\" v=\"2.2\"/></u>", ""},
        {"surrounding space", "<u><p n=\" " + p + "\" v=\"2.2\"/></u>", ""},
        {"text and comments between", "<u>\n text <!-- c --><p n=\"" + p + "\" v=\"4\"/></u>", "4"},
        {"only direct children", "<u><g><p n=\"" + p + "\" v=\"5\"/></g></u>", ""},
        {"root attributes not read", "<u n=\"" + p + "\" v=\"6\"/>", ""},
        {"other product", "<u><p n=\"Tavrenmoss\" v=\"2.2\"/></u>", ""},
        {"not xml", "HTTP error page", ""},
        {"cut off", "<u><p n=\"" + p + "\" v=\"2.2\"/>", ""},
        {"empty", "", ""},
        {"doctype refused", "<!DOCTYPE u><u><p n=\"" + p + "\" v=\"2.2\"/></u>", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingLog log;
        EXPECT_EQ(LatestOf(c.xml), wxString::FromUTF8(c.expected));
        EXPECT_TRUE(log.Messages().empty());
    }
}

TEST(UpdateDocumentTest, BombsAndOversizedDocumentsAreRefused) {
    std::string bomb = "<!DOCTYPE u [<!ENTITY a0 \"xxxxxxxxxxxxxxxxxxxx\">";
    for (int i = 1; i < 10; ++i) {
        std::string value;
        for (int k = 0; k < 10; ++k) value += "&a" + std::to_string(i - 1) + ";";
        bomb += "<!ENTITY a" + std::to_string(i) + " \"" + value + "\">";
    }
    bomb += "]><u><p n=\"Tavrenmoss Quellstone\" v=\"&a9;\"/></u>";
    EXPECT_EQ(LatestOf(bomb), "");
    std::string big = "<u><p n=\"Tavrenmoss Quellstone\" v=\"2.2\"/>";
    big.append(200 * 1024, ' ');
    big += "</u>";
    EXPECT_EQ(LatestOf(big), "");
    // Both are given up in about the time a plain answer of the largest size takes.
    std::string plain = "<u><p n=\"Tavrenmoss Quellstone\" v=\"2.2\"/>";
    plain.append(60 * 1024, ' ');
    plain += "</u>";
    ASSERT_EQ(LatestOf(plain), "2.2");
    EXPECT_LT(testing_support::TimeRatio(
                  [&] {
                      LatestOf(bomb);
                      LatestOf(big);
                  },
                  [&] { LatestOf(plain); }),
              50);
}

TEST(UpdateDocumentTest, VersionComparison) {
    struct Case {
        const char* current;
        const char* received;
        bool newer;
    } cases[] = {
        {"2.1.5", "2.1.10", true},
        {"2.1.5", "2.2", true},
        {"2.1.5", "2.1.5.1", true},
        {"2.1.5", "2.1.5", false},
        {"2.1.5", "2.1.5.0", false},
        {"2.1.5", "2.1.4", false},
        {"2.1.5", "2.1", false},
        {"2.1.5", "1.9.9", false},
        {"2.1.5", "3", true},
        {"2.1.5", "02.01.06", true},
        {"2.1.5", " 2.1.6 ", true},
        {"2.1.5", "10.0", true},
        {"2.1.5", "2.1.99999999999999999999", true},
        {"2.1.5", "", false},
        {"2.1.5", "garbage", false},
        {"2.1.5", "2.2-beta", false},
        {"2.1.5", "v2.2", false},
        {"2.1.5", "2..2", false},
        {"2.1.5", "2.2.", false},
        {"2.1.5", ".3", false},
        {"2.1.5", "-3.0", false},
        {"2.1.5", "2.1.5\n3", false},
        {"", "2.2", false},
        {"2.1.10", "2.1.9", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " -> " + c.received);
        EXPECT_EQ(DomainOption::IsNewerVersion(c.current, c.received), c.newer);
    }
    EXPECT_FALSE(DomainOption::IsNewerVersion(AppInfo::GetVersion(), AppInfo::GetVersion()));
}

// --- the update check over HTTP ---

// Receives the update answers queued by the check.
class AnswerSink : public wxEvtHandler {
  public:
    void QueueEvent(wxEvent* event) override {
        wxCommandEvent* command = dynamic_cast<wxCommandEvent*>(event);
        EXPECT_NE(command, nullptr);
        EXPECT_EQ(event->GetEventType(), EVT_UPDATE_RESULT);
        if (command != nullptr) answers_.push_back(command->GetString());
        ids.push_back(event->GetId());
        delete event;
    }
    // The answers that arrived, in order.
    std::vector<wxString> Take() {
        std::vector<wxString> result;
        result.swap(answers_);
        return result;
    }
    std::vector<int> ids;

  private:
    std::vector<wxString> answers_;
};

class UpdateCheckTest : public ::testing::Test {
  protected:
    // Loads an option file whose update base points at the server and runs the check.
    std::vector<wxString> Check(const std::string& base, const HttpLimits& limits = Patient()) {
        const std::string path = dir_ / "option.cfg";
        std::ofstream(path, std::ios::binary) << Settings(7, base);
        DomainOption option(wxString::FromUTF8(path));
        option.Load();
        option.SetUpdateTarget(&sink_);
        option.SetHttpLimits(limits);
        const auto start = Clock::now();
        option.CheckUpdate();
        elapsed_ = Clock::now() - start;
        return sink_.Take();
    }
    static std::string Doc(const std::string& version) {
        return "<?xml version=\"1.0\"?>\n<update>\n <product name=\"Tavrenmoss Quellstone\" "
               "version=\"" +
               version + "\"/>\n</update>\n";
    }
    // Limits that a loaded machine cannot exceed, for checks that must get their answer.
    static HttpLimits Patient() {
        HttpLimits limits;
        limits.connectMillis = limits.totalMillis =
            static_cast<int>(std::chrono::milliseconds(testing_support::kHangGuard).count());
        return limits;
    }
    static HttpLimits Short() {
        HttpLimits limits;
        limits.connectMillis = 300;
        limits.totalMillis = 400;
        return limits;
    }
    TempDir dir_;
    AnswerSink sink_;
    Clock::duration elapsed_{};
};

TEST_F(UpdateCheckTest, AnswerArrivesAsEventWithTheVersion) {
    LocalHttpServer server(LocalHttpServer::Mode::Reply, LocalHttpServer::Ok(Doc("2.2.1")));
    const std::vector<wxString> answers = Check(server.BaseUrl() + "/quellstone");
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0], "2.2.1");
    EXPECT_EQ(sink_.ids.at(0), 0);
    EXPECT_EQ(server.RequestLine(), "GET /quellstone-update.xml HTTP/1.0");
}

TEST_F(UpdateCheckTest, AnswerWithoutLengthEndsWithTheConnection) {
    LocalHttpServer server(LocalHttpServer::Mode::Reply, LocalHttpServer::Ok(Doc("3.0"), false));
    EXPECT_EQ(Check(server.BaseUrl() + "/dir/app?x=1"), std::vector<wxString>{"3.0"});
    EXPECT_EQ(server.RequestLine(), "GET /dir/app?x=1-update.xml HTTP/1.0");
}

TEST_F(UpdateCheckTest, FailuresArriveAsEmptyAnswers) {
    const std::string doc = Doc("2.2");
    struct Case {
        const char* what;
        std::string reply;
    } cases[] = {
        {"not found", "HTTP/1.0 404 Not Found\r\nContent-Length: " + std::to_string(doc.size()) +
                          "\r\n\r\n" + doc},
        {"redirect", "HTTP/1.1 302 Found\r\nLocation: http://elsewhere/\r\n\r\n"},
        {"not xml", LocalHttpServer::Ok("<html><body>Service unavailable</body></html>")},
        {"no match", LocalHttpServer::Ok("<update><p name=\"Other\" version=\"9\"/></update>")},
        {"short body", "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + doc},
        {"not http", "SSH-2.0-OpenSSH_9.2\r\n\r\n"},
        {"no head end", "HTTP/1.0 200 OK\r\nContent-Length: 3"},
        {"bad length", "HTTP/1.0 200 OK\r\nContent-Length: -1\r\n\r\n" + doc},
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n"},
        {"huge length", "HTTP/1.0 200 OK\r\nContent-Length: 1073741824\r\n\r\n" + doc},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LocalHttpServer server(LocalHttpServer::Mode::Reply, c.reply);
        EXPECT_EQ(Check(server.BaseUrl() + "/app", Short()), std::vector<wxString>{""});
    }
}

TEST_F(UpdateCheckTest, DeadOrSlowServersAreGivenUpWithinTheLimit) {
    struct Case {
        const char* what;
        LocalHttpServer::Mode mode;
        std::string reply;
    } cases[] = {
        {"closes at once", LocalHttpServer::Mode::CloseAtOnce, ""},
        {"never answers", LocalHttpServer::Mode::Silent, ""},
        {"dribbles", LocalHttpServer::Mode::Dribble, LocalHttpServer::Ok(Doc("2.2"))},
        {"gigabytes", LocalHttpServer::Mode::Endless,
         "HTTP/1.0 200 OK\r\n\r\n<update><p name=\"Tavrenmoss Quellstone\" version=\"2.2\"/>"},
        {"endless head", LocalHttpServer::Mode::Endless, "HTTP/1.0 200 OK\r\nX-Filler: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LocalHttpServer server(c.mode, c.reply, 20);
        // A check that never gave up would wait for ever (a silent or endless server) or get the
        // whole answer from the dribbling one; how soon it gives up is the machine's business.
        EXPECT_EQ(Check(server.BaseUrl() + "/app", Short()), std::vector<wxString>{""});
        EXPECT_LT(elapsed_, testing_support::kHangGuard);
    }
}

TEST_F(UpdateCheckTest, NobodyListening) {
    int port = 0;
    {
        LocalHttpServer server(LocalHttpServer::Mode::CloseAtOnce);
        port = server.Port();
    }
    EXPECT_EQ(Check("http://127.0.0.1:" + std::to_string(port) + "/app", Short()),
              std::vector<wxString>{""});
}

// A resolver that answers only when the test lets it go, as one whose server never answers.
struct StuckResolver {
    static int Lookup(const char*, const char*, const addrinfo*, addrinfo**) {
        std::unique_lock<std::mutex> lock(mutex);
        ++started;
        changed.wait_for(lock, testing_support::kHangGuard, [] { return released; });
        ++ended;
        changed.notify_all();
        return EAI_AGAIN;
    }
    static std::mutex mutex;
    static std::condition_variable changed;
    static int started, ended;
    static bool released;
};
std::mutex StuckResolver::mutex;
std::condition_variable StuckResolver::changed;
int StuckResolver::started = 0, StuckResolver::ended = 0;
bool StuckResolver::released = false;

TEST_F(UpdateCheckTest, ANameLookupIsBoundedByTheLimits) {
    LocalHttpServer server(LocalHttpServer::Mode::Reply, LocalHttpServer::Ok(Doc("2.2")));
    const std::string url = "http://updates.example:" + std::to_string(server.Port()) + "/app";
    // A lookup that does not answer: the check ends with the usual empty answer while the
    // lookup still waits (a check that waited for it would return only after it ended).
    HttpLimits limits = Short();
    limits.lookup = &StuckResolver::Lookup;
    EXPECT_EQ(Check(url, limits), std::vector<wxString>{""});
    {
        std::unique_lock<std::mutex> lock(StuckResolver::mutex);
        EXPECT_EQ(StuckResolver::started, 1);
        EXPECT_EQ(StuckResolver::ended, 0);
        StuckResolver::released = true;
        StuckResolver::changed.notify_all();
        ASSERT_TRUE(StuckResolver::changed.wait_for(lock, testing_support::kHangGuard,
                                                    [] { return StuckResolver::ended == 1; }));
    }
    EXPECT_EQ(server.Connections(), 0);
    // A lookup that answers in time gives the address that is asked.
    limits = Patient();
    limits.lookup = [](const char* name, const char* service, const addrinfo* hints,
                       addrinfo** list) {
        return std::string(name) == "updates.example"
                   ? getaddrinfo("127.0.0.1", service, hints, list)
                   : EAI_NONAME;
    };
    EXPECT_EQ(Check(url, limits), std::vector<wxString>{"2.2"});
    EXPECT_EQ(server.RequestLine(), "GET /app-update.xml HTTP/1.0");
}

// The system's own resolver, pointed at a name server that never answers: in a child process
// with a user, mount and network namespace of its own, a resolv.conf mounted over the system's
// names a UDP socket on the child's own loopback that takes the questions and answers none,
// with the resolver's longest waits (5 attempts of 30 s). The check must end without waiting for
// it: the lookup is still running on its own thread when the check has failed.
std::string CheckWithSilentNameServer(const std::string& folder) {
    const std::string conf = folder + "/resolv.conf";
    std::ofstream(conf) << "nameserver 127.0.0.1\noptions timeout:30 attempts:5\n";
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS | CLONE_NEWNET) != 0)
        return std::string("no namespaces: ") + std::strerror(errno);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("no private mounts: ") + std::strerror(errno);
    const int control = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq loopback{};
    std::strcpy(loopback.ifr_name, "lo");
    if (control < 0 || ioctl(control, SIOCGIFFLAGS, &loopback) != 0) return "no loopback";
    loopback.ifr_flags |= IFF_UP;
    if (ioctl(control, SIOCSIFFLAGS, &loopback) != 0) return "the loopback does not come up";
    const int server = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (server < 0 || bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return std::string("no name server socket: ") + std::strerror(errno);
    if (mount(conf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0)
        return std::string("resolv.conf not replaced: ") + std::strerror(errno);

    HttpLimits limits;
    limits.connectMillis = 300;
    limits.totalMillis = 400;
    std::string body;
    if (HttpClient::Get("updates.example", 80, "/app-update.xml", limits, &body))
        return "the check succeeded";
    // The resolver asked the name server, and its lookup outlives the failed check.
    char question[512];
    pollfd asked{server, POLLIN, 0};
    if (poll(&asked, 1, 0) != 1 || recv(server, question, sizeof question, 0) <= 0)
        return "the name server was never asked";
    std::size_t threads = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        (void)task;
        ++threads;
    }
    if (threads < 2) return "the check waited for the lookup to end";
    return "";
}

TEST_F(UpdateCheckTest, ANameServerThatNeverAnswersIsGivenUp) {
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer keeps a thread of its own in every process, also in a forked child, and a
    // process of more than one thread cannot enter a user namespace.
    GTEST_SKIP() << "no user namespace under ThreadSanitizer";
#endif
    const testing_support::ChildRun run =
        testing_support::RunInChild([this] { return CheckWithSilentNameServer(dir_.Path()); });
    if (run.end == testing_support::ChildEnd::kDone && run.report.rfind("no ", 0) == 0) {
        const char* ci = std::getenv("CI");
        if (ci != nullptr && *ci != '\0') FAIL() << "CI is set: " << run.report;
        GTEST_SKIP() << run.report;
    }
    EXPECT_EQ(run.end, testing_support::ChildEnd::kDone);
    EXPECT_EQ(run.report, "");
}

TEST_F(UpdateCheckTest, UnusableAddressesSendNothing) {
    // Nothing is sent and no answer is queued: the user sees nothing.
    for (const char* base : {"", "no scheme here", "http:///x", "gopher://x/y"}) {
        SCOPED_TRACE(base);
        EXPECT_TRUE(Check(base).empty());
    }
    // Four settings only: there is no update address.
    const std::string path = dir_ / "four.cfg";
    std::ofstream(path, std::ios::binary) << Settings(4);
    DomainOption option(wxString::FromUTF8(path));
    option.Load();
    option.SetUpdateTarget(&sink_);
    option.CheckUpdate();
    EXPECT_TRUE(sink_.Take().empty());
}

TEST_F(UpdateCheckTest, OtherSchemesAndUnsafeAddressesGiveAnEmptyAnswer) {
    LocalHttpServer server(LocalHttpServer::Mode::Reply, LocalHttpServer::Ok(Doc("2.2")));
    // A known scheme other than plain http is not fetched.
    EXPECT_EQ(Check("ftp://127.0.0.1:" + std::to_string(server.Port()) + "/app", Short()),
              std::vector<wxString>{""});
    EXPECT_EQ(server.Connections(), 0);
    // Text that would end the request line early is never sent.
    std::string body;
    for (const char* target : {"/a b", "/a\r\nHost: evil", "/a\tb", "relative"}) {
        SCOPED_TRACE(target);
        EXPECT_FALSE(HttpClient::Get("127.0.0.1", server.Port(), target, Short(), &body));
    }
    EXPECT_FALSE(HttpClient::Get("127.0.0.1\r\nX: y", server.Port(), "/", Short(), &body));
    EXPECT_FALSE(HttpClient::Get("127.0.0.1", 0, "/", Short(), &body));
    EXPECT_FALSE(HttpClient::Get("127.0.0.1", 70000, "/", Short(), &body));
    EXPECT_EQ(server.Connections(), 0);
    // Brackets of an address literal are taken off.
    EXPECT_TRUE(HttpClient::Get("[127.0.0.1]", server.Port(), "", Short(), &body));
    EXPECT_EQ(server.RequestLine(), "GET / HTTP/1.0");
    EXPECT_EQ(body, Doc("2.2"));
}

}  // namespace
