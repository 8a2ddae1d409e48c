// The program's start-up and main frame: the order of start-up, the frame's size and window tree
// from the theme, its id and title, the end of the process on close (in a child process), the
// language change, and the messages of the update answer.
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/filesys.h>
#include <wx/fs_arc.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/uiaction.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/main_app.h"
#include "app/main_frame.h"
#include "app/main_frame_idevice_backup.h"
#include "common/app_info.h"
#include "common/custom_event.h"
#include "common/face_layout.h"
#include "common/image_util.h"
#include "domain/domain_option.h"
#include "domain/language_file.h"
#include "gui_support.h"
#include "window/base/pv_toolbar.h"
#include "window/base/pv_word_button.h"
#include "window/base/title_window.h"
#include "window/content/pv_recovery_kind_window.h"
#include "window/content/pv_recovery_list_window.h"

extern char** environ;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

wxSize ThemeSize(const char* name) {
    const wxBitmap bitmap = ImageUtil::GetThemeBitmap(wxString::FromUTF8(name), wxBITMAP_TYPE_PNG);
    return bitmap.IsOk() ? bitmap.GetSize() : wxSize(0, 0);
}

wxRect FaceRectOf(const char* key) {
    const FaceRect r = GetFaceRect(wxString::FromUTF8(key));
    return wxRect(r.x, r.y, r.width, r.height);
}

// The catalogs are staged in the program's root; the test program's root is the build folder.
// Links them there when the build did not put them beside the test programs too.
void StageCatalogs() {
    const std::filesystem::path here = gui_test::AppRoot().ToStdString(wxConvUTF8) + "/Language";
    const std::filesystem::path staged = std::string(BV_ROOT_DIR) + "/Language";
    std::error_code error;
    if (!std::filesystem::exists(here) && std::filesystem::exists(staged))
        std::filesystem::create_directory_symlink(staged, here, error);
}

// A frame built the way start-up builds it, made the application's top window.
MainFrameIDeviceBackup* NewFrame() {
    MainFrameIDeviceBackup* frame = new MainFrameIDeviceBackup();
    frame->Init(ID_MAIN_FRAME, AppInfo::GetProductName());
    wxTheApp->SetTopWindow(frame);
    return frame;
}

// The program-wide settings from an option.cfg written for the test.
class ScopedOptions : public gui_test::ScopedDomainOption {
  public:
    ScopedOptions()
        : ScopedDomainOption(
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<option><urls>"
              "<a>http://127.0.0.1:9/help</a><b>x</b>"
              "<c>http://127.0.0.1:9/support</c><d>y</d>"
              "<e>http://127.0.0.1:9/q</e><f>http://127.0.0.1:9/home</f>"
              "<g>z</g></urls></option>\n") {}
};

// Records the boxes of the update answer and the pages opened instead of showing them.
struct AnswerRecorder {
    std::vector<std::pair<wxString, wxString>> messages;  // text, caption
    std::vector<std::pair<wxString, wxString>> questions;
    std::vector<wxString> opened;
    int answer = wxID_NO;

    AnswerRecorder() {
        MainFrame::UpdateAnswerUi ui;
        ui.message = [this](const wxString& text, const wxString& caption) {
            messages.emplace_back(text, caption);
        };
        ui.askYesNo = [this](wxWindow*, const wxString& text, const wxString& caption) {
            questions.emplace_back(text, caption);
            return answer;
        };
        MainFrame::SetUpdateAnswerUi(ui);
        SetWebPageOpener([this](const wxString& url) { opened.push_back(url); });
    }
    ~AnswerRecorder() {
        MainFrame::SetUpdateAnswerUi(MainFrame::UpdateAnswerUi());
        SetWebPageOpener(nullptr);
    }
};

TEST(FrameStartUp, RegistersTheImageReadersBeforeItLoadsSettingsLayoutAndFrame) {
    REQUIRE_GUI();
    // Start-up must bring its own archive and image handlers: without them no theme image, and
    // so no frame size, could be had.
    wxFileSystem::CleanUpHandlers();
    wxFileSystem::AddHandler(new wxLocalFSHandler());  // the toolkit's own, made at its start
    wxImage::CleanUpHandlers();
    FaceLayout.clear();
    gui_test::ScopedDomainOption kept;
    g_domainOption = nullptr;

    ASSERT_TRUE(MainApp::Start(*wxTheApp));

    MainFrameIDeviceBackup* frame = dynamic_cast<MainFrameIDeviceBackup*>(wxTheApp->GetTopWindow());
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(ID_MAIN_FRAME, frame->GetId());
    EXPECT_EQ(AppInfo::GetProductName(), frame->GetTitle());
    EXPECT_EQ(wxS("Tavrenmoss Quellstone"), frame->GetTitle());
    EXPECT_TRUE(frame->IsShown());
    EXPECT_EQ(ThemeSize("image/base/bg.png"), frame->GetClientSize());
    EXPECT_NE(wxSize(0, 0), frame->GetClientSize());
    EXPECT_FALSE(FaceLayout.empty());

    // The settings are those of the application root's option.cfg.
    ASSERT_NE(nullptr, g_domainOption);
    DomainOption expected(AppInfo::GetOptionFilePath());
    expected.Load();
    EXPECT_EQ(expected.GetHomeUrl(), GetHomeUrl());
    EXPECT_EQ(expected.GetHelpUrl(), GetHelpUrl());

    gui_test::DestroyAndWait(frame);
}

TEST(FrameLayout, FrameAndChildrenSitWhereTheThemeSays) {
    REQUIRE_GUI();
    MainFrameIDeviceBackup* frame = NewFrame();
    frame->Show(true);
    gui_test::PumpUntil([&] { return frame->IsShownOnScreen(); });

    const wxSize background = ThemeSize("image/base/bg.png");
    ASSERT_NE(wxSize(0, 0), background);
    EXPECT_EQ(background, frame->GetClientSize());
    EXPECT_EQ(background, frame->GetBackgroundPanel()->GetSize());
    EXPECT_EQ(ID_MAIN_FRAME, frame->GetId());
    EXPECT_EQ(wxS("Tavrenmoss Quellstone"), frame->GetTitle());
    EXPECT_TRUE(frame->HasFlag(wxFRAME_SHAPED));
    // Centred on the display (there is no window manager to move it).
    const wxSize display = wxGetDisplaySize();
    const wxPoint where = frame->GetScreenPosition();
    EXPECT_NEAR((display.x - background.x) / 2, where.x, 1);
    EXPECT_NEAR((display.y - background.y) / 2, where.y, 1);

    const wxRect title = FaceRectOf("/face/titlewindow");
    TitleWindow* titleWindow = frame->GetTitleWindow();
    ASSERT_NE(nullptr, titleWindow);
    EXPECT_EQ(ID_TITLE_WINDOW, titleWindow->GetId());
    EXPECT_EQ(title.GetPosition(), titleWindow->GetPosition());
    EXPECT_EQ(title.height, titleWindow->GetSize().y);
    EXPECT_EQ(display.x, titleWindow->GetSize().x);

    const wxRect tool = FaceRectOf("/face/toolwindow");
    ASSERT_NE(nullptr, frame->GetToolbar());
    EXPECT_EQ(ID_TOOL_WINDOW, frame->GetToolbar()->GetId());
    EXPECT_EQ(tool, frame->GetToolbar()->GetRect());

    ASSERT_NE(nullptr, frame->GetListWindow());
    ASSERT_NE(nullptr, frame->GetKindWindow());
    EXPECT_EQ(FaceRectOf("/face/listwindow"), frame->GetListWindow()->GetRect());
    EXPECT_EQ(FaceRectOf("/face/kindwindow"), frame->GetKindWindow()->GetRect());
    EXPECT_EQ(ID_LIST_WINDOW, frame->GetListWindow()->GetId());
    EXPECT_EQ(ID_KIND_WINDOW, frame->GetKindWindow()->GetId());
    EXPECT_TRUE(frame->GetListWindow()->IsShown());
    EXPECT_FALSE(frame->GetKindWindow()->IsShown());

    gui_test::SaveScreenshot(frame, gui_test::OutputDir() + "/screenshots/frame_main.png");
    gui_test::DestroyAndWait(frame);
}

TEST(FrameLayout, RoundedCornersCutTheFrameOutline) {
    REQUIRE_GUI();
    MainFrameIDeviceBackup* frame = NewFrame();
    frame->Show(true);
    gui_test::PumpUntil([&] { return frame->IsShownOnScreen(); });
    gui_test::PumpFor(0.3);
    const wxSize size = frame->GetClientSize();
    // Over the cut corner the screen shows what lies behind the frame; inside, the frame.
    wxBitmap shot(size.x, size.y, 24);
    {
        wxScreenDC screen;
        wxMemoryDC memory(shot);
        const wxPoint at = frame->GetScreenPosition();
        memory.Blit(0, 0, size.x, size.y, &screen, at.x, at.y);
    }
    const wxImage image = shot.ConvertToImage();
    const wxImage background =
        ImageUtil::GetThemeBitmap(wxS("image/base/bg.png"), wxBITMAP_TYPE_PNG).ConvertToImage();
    auto same = [&](int x, int y) {
        return image.GetRed(x, y) == background.GetRed(x, y) &&
               image.GetGreen(x, y) == background.GetGreen(x, y) &&
               image.GetBlue(x, y) == background.GetBlue(x, y);
    };
    const int cx = size.x / 2;
    const int cy = size.y - 3;  // the bottom band: no child covers it in any sound theme
    EXPECT_TRUE(same(cx, cy)) << "the panel shows the background";
    EXPECT_FALSE(same(0, size.y - 1) && same(size.x - 1, size.y - 1))
        << "the bottom corners are cut";
    gui_test::DestroyAndWait(frame);
}

TEST(FrameLanguage, ChangeRewritesTheSavedNumberAndReinstallsTheCatalog) {
    REQUIRE_GUI();
    StageCatalogs();
    const std::string file = AppInfo::GetLanguageFilePath().ToStdString(wxConvUTF8);
    std::filesystem::remove(file);
    MainFrameIDeviceBackup* frame = NewFrame();
    // First run: English saved and shown as written.
    EXPECT_EQ("58", ReadFile(file));
    EXPECT_EQ(58, frame->GetTitleWindow()->GetLanguage());
    EXPECT_EQ(wxS("Home"), frame->GetToolbar()->GetHomeButton()->GetLabel());
    const wxLocale* english = frame->GetLocale();
    ASSERT_NE(nullptr, english);

    struct Case {
        int number;
        const char* home;  // the toolbar's Home label, UTF-8
        const char* help;
    };
    const Case cases[] = {
        {80, "Accueil", "Aide"},
        {89, nullptr, nullptr},  // German: taken from the catalog below
        {58, "Home", "Help"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        // What the title bar's Language entry does: the event is queued to the top window.
        gui_test::SendCommand(frame->GetTitleWindow(), wxEVT_MENU, c.number);
        EXPECT_EQ(c.number, frame->GetTitleWindow()->GetLanguage());
        ASSERT_TRUE(
            gui_test::PumpUntil([&] { return ReadFile(file) == std::to_string(c.number); }));
        gui_test::PumpFor(0.1);
        const wxString home = frame->GetToolbar()->GetHomeButton()->GetLabel();
        const wxString help = frame->GetToolbar()->GetHelpButton()->GetLabel();
        if (c.home != nullptr) {
            EXPECT_EQ(wxString::FromUTF8(c.home), home);
            EXPECT_EQ(wxString::FromUTF8(c.help), help);
        } else {
            EXPECT_NE(wxS("Home"), home) << "the German catalog translates Home";
        }
        // The toolbar's row is re-laid for the new labels: the buttons side by side, inside.
        const wxRect homeRect = frame->GetToolbar()->GetHomeButton()->GetRect();
        const wxRect helpRect = frame->GetToolbar()->GetHelpButton()->GetRect();
        EXPECT_EQ(homeRect.GetRight() + 1, helpRect.x);
        EXPECT_EQ(frame->GetToolbar()->GetSize().x - 2, helpRect.GetRight() + 1);
        // Every later lookup comes from the new catalog.
        EXPECT_EQ(home, wxGetTranslation("Home"));
        EXPECT_NE(nullptr, frame->GetLocale());
    }

    // The menu shows the chosen language checked at its next opening.
    gui_test::SendCommand(frame->GetTitleWindow(), wxEVT_MENU, 80);
    gui_test::PumpUntil([&] { return ReadFile(file) == "80"; });
    std::unique_ptr<wxMenu> menu(frame->GetTitleWindow()->NewSettingsMenu());
    wxMenuItem* french = menu->FindItem(80);
    ASSERT_NE(nullptr, french);
    EXPECT_TRUE(french->IsChecked());
    EXPECT_FALSE(menu->FindItem(58)->IsChecked());

    gui_test::DestroyAndWait(frame);
    // A new frame starts in the saved language.
    frame = NewFrame();
    EXPECT_EQ(80, frame->GetTitleWindow()->GetLanguage());
    EXPECT_EQ(wxS("Accueil"), frame->GetToolbar()->GetHomeButton()->GetLabel());
    gui_test::DestroyAndWait(frame);
    LanguageFile::Write(58);
}

TEST(FrameLanguage, UnknownOrEmptySavedLanguageStillBuildsTheFrame) {
    REQUIRE_GUI();
    const std::string file = AppInfo::GetLanguageFilePath().ToStdString(wxConvUTF8);
    for (const char* saved : {"", "abc", "999", "-5"}) {
        SCOPED_TRACE(saved);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << saved;
        MainFrameIDeviceBackup* frame = NewFrame();
        EXPECT_NE(nullptr, frame->GetLocale());
        EXPECT_EQ(ThemeSize("image/base/bg.png"), frame->GetClientSize());
        // Not one of the menu's languages: the file is left as it was.
        EXPECT_EQ(saved, ReadFile(file));
        gui_test::DestroyAndWait(frame);
    }
    LanguageFile::Write(58);
}

// ------------------------------------------------------------------------------------------
// The update answer

TEST(FrameUpdateAnswer, EachAnswerGetsItsMessage) {
    REQUIRE_GUI();
    ScopedOptions options;
    const wxString product = wxS("Tavrenmoss Quellstone");
    struct Case {
        const char* received;
        int answer;            // to the download question
        const char* message;   // expected Ok box, or null
        const char* question;  // expected Yes/No question, or null
        bool opensHome;
    };
    const Case cases[] = {
        {"", wxID_YES, "Update failed!Please check if the network is available.", nullptr, false},
        {"2.1.5", wxID_YES, "This version of Tavrenmoss Quellstone(2.1.5) is the latest version.",
         nullptr, false},
        {"2.0.9", wxID_YES, "This version of Tavrenmoss Quellstone(2.1.5) is the latest version.",
         nullptr, false},
        {"not a version", wxID_YES,
         "This version of Tavrenmoss Quellstone(2.1.5) is the latest version.", nullptr, false},
        {"2.1.10", wxID_NO, nullptr,
         "A new version of Tavrenmoss Quellstone(2.1.10) is available. Click Yes to open "
         "download page.",
         false},
        {"3.0", wxID_YES, nullptr,
         "A new version of Tavrenmoss Quellstone(3.0) is available. Click Yes to open download "
         "page.",
         true},
        {"2.1.6", wxID_CANCEL, nullptr,
         "A new version of Tavrenmoss Quellstone(2.1.6) is available. Click Yes to open download "
         "page.",
         false},
    };
    MainFrame* frame = new MainFrame();
    ASSERT_TRUE(frame->Init(wxID_ANY, product));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.received);
        AnswerRecorder recorder;
        recorder.answer = c.answer;
        // Queued as the update check queues it, handled in the event loop.
        wxCommandEvent* event = new wxCommandEvent(EVT_UPDATE_RESULT, 0);
        event->SetString(wxString::FromUTF8(c.received));
        frame->GetEventHandler()->QueueEvent(event);
        ASSERT_TRUE(gui_test::PumpUntil(
            [&] { return recorder.messages.size() + recorder.questions.size() == 1; }));
        if (c.message != nullptr) {
            ASSERT_EQ(1u, recorder.messages.size());
            EXPECT_EQ(wxString::FromUTF8(c.message), recorder.messages[0].first);
            EXPECT_EQ(product, recorder.messages[0].second);
        } else {
            ASSERT_EQ(1u, recorder.questions.size());
            EXPECT_EQ(wxString::FromUTF8(c.question), recorder.questions[0].first);
            EXPECT_EQ(product, recorder.questions[0].second);
        }
        if (c.opensHome) {
            ASSERT_EQ(1u, recorder.opened.size());
            EXPECT_EQ(wxS("http://127.0.0.1:9/home"), recorder.opened[0]);
        } else {
            EXPECT_TRUE(recorder.opened.empty());
        }
    }
    gui_test::DestroyAndWait(frame);
}

// Answers one HTTP request on 127.0.0.1 with a fixed body, then closes; gives up after 10 s.
class OneShotHttpServer {
    // Its waits for the client: the hang guard.
    static constexpr int kWaitMillis = static_cast<int>(gui_test::kHangGuardSeconds * 1000);

  public:
    explicit OneShotHttpServer(const std::string& body) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        const std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                                  std::to_string(body.size()) + "\r\n\r\n" + body;
        thread_ = std::thread([this, reply] {
            pollfd waiting{listener_, POLLIN, 0};
            if (::poll(&waiting, 1, kWaitMillis) != 1) return;
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) return;
            std::string request;
            char buffer[1024];
            while (request.find("\r\n\r\n") == std::string::npos) {
                pollfd reading{client, POLLIN, 0};
                if (::poll(&reading, 1, kWaitMillis) != 1) break;
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                request.append(buffer, static_cast<size_t>(n));
            }
            request_ = request.substr(0, request.find("\r\n"));
            ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
            ::close(client);
        });
    }
    ~OneShotHttpServer() {
        if (thread_.joinable()) thread_.join();
        if (listener_ >= 0) ::close(listener_);
    }
    int Port() const { return port_; }
    // The request line, once the answer was sent.
    std::string Request() {
        if (thread_.joinable()) thread_.join();
        return request_;
    }

  private:
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::string request_;
};

TEST(FrameUpdateAnswer, CheckForUpdateFromTheMenuEndsInTheFramesQuestion) {
    REQUIRE_GUI();
    OneShotHttpServer server(
        "<?xml version=\"1.0\"?><update><item product=\"Tavrenmoss Quellstone\" "
        "version=\"9.0\"/></update>");
    ASSERT_NE(0, server.Port());
    testing_support::TempDir dir;
    {
        std::ofstream out(dir / "option.cfg");
        out << "<o><u><a/><b/><c/><d/><e>http://127.0.0.1:" << server.Port()
            << "/q</e><f>http://127.0.0.1:9/home</f><g/></u></o>";
    }
    gui_test::ScopedDomainOption kept;
    g_domainOption = new DomainOption(wxString::FromUTF8(dir / "option.cfg"));
    g_domainOption->Load();
    // The check must get its answer, however busy the machine: limits it cannot exceed.
    HttpLimits patient;
    patient.connectMillis = patient.totalMillis =
        static_cast<int>(gui_test::kHangGuardSeconds * 1000);
    g_domainOption->SetHttpLimits(patient);

    MainFrameIDeviceBackup* frame = NewFrame();
    AnswerRecorder recorder;
    recorder.answer = wxID_YES;
    gui_test::SendCommand(frame->GetTitleWindow(), wxEVT_MENU, ID_MENU_CHECK_UPDATE);
    EXPECT_EQ(0u, server.Request().rfind("GET /q-update.xml ", 0)) << server.Request();
    ASSERT_TRUE(gui_test::PumpUntil([&] { return !recorder.questions.empty(); }));
    EXPECT_EQ(wxS("A new version of Tavrenmoss Quellstone(9.0) is available. Click Yes to open "
                  "download page."),
              recorder.questions[0].first);
    EXPECT_EQ((std::vector<wxString>{wxS("http://127.0.0.1:9/home")}), recorder.opened);
    EXPECT_TRUE(recorder.messages.empty());

    gui_test::DestroyAndWait(frame);
}

TEST(FrameUpdateAnswer, WithoutSettingsYesOpensNothing) {
    REQUIRE_GUI();
    gui_test::ScopedDomainOption kept;
    g_domainOption = nullptr;
    MainFrame* frame = new MainFrame();
    ASSERT_TRUE(frame->Init(wxID_ANY, wxS("t")));
    AnswerRecorder recorder;
    recorder.answer = wxID_YES;
    wxCommandEvent event(EVT_UPDATE_RESULT, 0);
    event.SetString(wxS("9.9.9"));
    frame->GetEventHandler()->ProcessEvent(event);
    EXPECT_EQ(1u, recorder.questions.size());
    EXPECT_TRUE(recorder.opened.empty());
    gui_test::DestroyAndWait(frame);
}

// ------------------------------------------------------------------------------------------
// Closing

TEST(FrameCloseDeathTest, CloseRequestEndsTheProcessWithStatusZero) {
    REQUIRE_GUI();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            MainFrameIDeviceBackup* frame = NewFrame();
            frame->Show(true);
            frame->Close(true);  // what the system's close request sends
            std::_Exit(3);       // not reached
        },
        ::testing::ExitedWithCode(0), "");
}

// The staged program, started as a child process on a generated backup.
class ProgramProcess {
  public:
    explicit ProgramProcess(const std::vector<std::string>& args, const std::string& home) {
        std::vector<std::string> env;
        std::string asan = "ASAN_OPTIONS=";
        for (char** e = environ; *e != nullptr; ++e) {
            if (std::strncmp(*e, "ASAN_OPTIONS=", 13) == 0) {
                asan = std::string(*e) + ":";
            } else if (std::strncmp(*e, "HOME=", 5) != 0) {
                env.push_back(*e);
            }
        }
        env.push_back("HOME=" + home);
        // The program ends by exit() with its whole window tree alive, by design; a leak check
        // at that point would only list what the toolkit's system libraries still hold.
        env.push_back(asan + "detect_leaks=0");
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(&e[0]);
        envp.push_back(nullptr);
        std::vector<std::string> argv = args;
        argv.insert(argv.begin(), Path());
        std::vector<char*> argp;
        for (std::string& a : argv) argp.push_back(&a[0]);
        argp.push_back(nullptr);
        started_ = posix_spawn(&pid_, argp[0], nullptr, nullptr, argp.data(), envp.data()) == 0;
    }
    ~ProgramProcess() {
        if (started_ && !ended_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    static std::string Path() { return std::string(BV_ROOT_DIR) + "/bin/backupview"; }
    bool Started() const { return started_; }
    // Whether it has ended; its wait status then.
    bool Ended(int* status) {
        if (!ended_ && ::waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
        *status = status_;
        return ended_;
    }

  private:
    pid_t pid_ = -1;
    bool started_ = false;
    bool ended_ = false;
    int status_ = 0;
};

TEST(FrameClose, ProgramEndsWithStatusZeroFromItsTitleBarCloseButton) {
    REQUIRE_GUI();
    ASSERT_TRUE(std::filesystem::exists(ProgramProcess::Path()))
        << "build the program first: " << ProgramProcess::Path();
    gui_test::GeneratedBackup backup;
    testing_support::TempDir home;
    const std::string languageFile =
        home.Path() + "/Tavrenmoss files/Tavrenmoss Quellstone/language.txt";

    // Arguments change nothing: they are not parsed.
    ProgramProcess program({"--help", "-x", "unknown"}, home.Path());
    ASSERT_TRUE(program.Started());

    // The frame is up once it has read (and so written) the saved language.
    int status = 0;
    ASSERT_TRUE(gui_test::PumpUntil([&] {
        return ReadFile(languageFile) == "58" || program.Ended(&status);
    })) << "language.txt holds \""
        << ReadFile(languageFile) << "\"";
    ASSERT_FALSE(program.Ended(&status)) << "the program ended by itself, status " << status;

    // Its close button: the title bar's right end, the frame centred on the display.
    const wxSize frame = ThemeSize("image/base/bg.png");
    const wxSize close = ThemeSize("image/titlebar/close_normal.png");
    const wxRect title = FaceRectOf("/face/titlewindow");
    const wxSize display = wxGetDisplaySize();
    const wxPoint target((display.x - frame.x) / 2 + title.x + frame.x - close.x / 2,
                         (display.y - frame.y) / 2 + title.y + close.y / 2);
    wxUIActionSimulator sim;
    const bool ended = gui_test::PumpUntil([&] {
        if (program.Ended(&status)) return true;
        gui_test::MovePointer(target);
        gui_test::PumpFor(0.1);
        sim.MouseClick();
        gui_test::PumpFor(0.3);
        return program.Ended(&status);
    });
    ASSERT_TRUE(ended) << "the program did not end after clicks on its close button";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(0, WEXITSTATUS(status));
}

}  // namespace
