// The parts of the main frame: the title bar (buttons, dragging, close and language requests,
// settings menu), the toolbar (buttons, labels, links) and the About box.
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <fstream>
#include <memory>
#include <vector>

#include "app/main_app.h"
#include "common/app_info.h"
#include "common/custom_event.h"
#include "common/face_layout.h"
#include "common/image_util.h"
#include "domain/domain_option.h"
#include "gui_support.h"
#include "window/base/about_dialog_base.h"
#include "window/base/msw/pv_hyperlink_ctrl.h"
#include "window/base/msw/pv_static_bitmap.h"
#include "window/base/msw/pv_static_text.h"
#include "window/base/pv_bitmap_button.h"
#include "window/base/pv_toolbar.h"
#include "window/base/pv_word_button.h"
#include "window/base/title_window.h"

namespace {

wxSize ThemeSize(const char* name) {
    const wxBitmap bitmap = ImageUtil::GetThemeBitmap(wxString::FromUTF8(name), wxBITMAP_TYPE_PNG);
    return bitmap.IsOk() ? bitmap.GetSize() : wxSize(0, 0);
}

// A plain frame standing in for the main frame as the application's top window: it records
// the requests that reach it instead of acting on them.
class RecordingFrame : public wxFrame {
  public:
    RecordingFrame(const wxSize& size)
        : wxFrame(nullptr, wxID_ANY, wxS("top"), wxPoint(100, 100), size,
                  wxBORDER_NONE | wxFRAME_SHAPED) {
        panel = new wxPanel(this, wxID_ANY, wxPoint(0, 0), size);
        Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& e) {
            ++closes;
            closeId = e.GetId();
        });
        Bind(EVT_LANGUAGE_CHANGED, [this](wxCommandEvent& e) {
            languages.push_back(e.GetInt());
            languageEventId = e.GetId();
        });
        wxTheApp->SetTopWindow(this);
    }
    wxPanel* panel;
    int closes = 0;
    int closeId = -1;
    std::vector<int> languages;
    int languageEventId = -1;
};

struct TitleFixture {
    explicit TitleFixture(const wxSize& size = wxSize(800, 600)) {
        top = new RecordingFrame(size);
        background.reset(new wxBitmap(size.x, 40));
        title = new TitleWindow();
        created = title->Create(background.get(), top->panel, 2001, wxPoint(0, 0));
        top->Show(true);
        gui_test::PumpUntil([&] { return title->IsShownOnScreen(); });
        gui_test::PumpFor(0.1);
    }
    ~TitleFixture() { gui_test::DestroyAndWait(top); }

    RecordingFrame* top;
    std::unique_ptr<wxBitmap> background;
    TitleWindow* title;
    bool created;
};

TEST(FrameTitleBar, ButtonsSitFlushRightFromCloseToSettings) {
    REQUIRE_GUI();
    TitleFixture f;
    ASSERT_TRUE(f.created);
    const wxSize close = ThemeSize("image/titlebar/close_normal.png");
    const wxSize minimize = ThemeSize("image/titlebar/minimize_normal.png");
    const wxSize setting = ThemeSize("image/titlebar/setting-normal.png");
    ASSERT_NE(wxSize(0, 0), close);
    EXPECT_EQ(wxGetDisplaySize().x, f.title->GetSize().x);
    EXPECT_EQ(40, f.title->GetSize().y);

    EXPECT_EQ(wxRect(wxPoint(800 - close.x, 0), close), f.title->GetCloseButton()->GetRect());
    const int minimizeX = 800 - close.x - minimize.x - 1;
    EXPECT_EQ(wxRect(wxPoint(minimizeX, 0), minimize), f.title->GetMinimizeButton()->GetRect());
    EXPECT_EQ(wxRect(wxPoint(minimizeX - setting.x - 1, 0), setting),
              f.title->GetSettingButton()->GetRect());
    EXPECT_EQ(ID_TITLE_CLOSE, f.title->GetCloseButton()->GetId());
    EXPECT_EQ(ID_TITLE_MINIMIZE, f.title->GetMinimizeButton()->GetId());
    EXPECT_EQ(ID_SETTING, f.title->GetSettingButton()->GetId());

    f.title->MoveCloseButton(-3, 2);
    EXPECT_EQ(wxPoint(800 - close.x - 3, 2), f.title->GetCloseButton()->GetPosition());
}

TEST(FrameTitleBar, CloseButtonQueuesACloseRequestToTheTopWindow) {
    REQUIRE_GUI();
    TitleFixture f;
    ASSERT_TRUE(gui_test::Click(f.title->GetCloseButton()));
    ASSERT_TRUE(gui_test::PumpUntil([&] { return f.top->closes == 1; }));
    EXPECT_EQ(0, f.top->closeId);
}

TEST(FrameTitleBar, LanguageEntryQueuesTheNumberEvenWhenAlreadyChosen) {
    REQUIRE_GUI();
    TitleFixture f;
    f.title->SetLanguage(58);
    for (int number : {80, 80, 46, 112}) {
        gui_test::SendCommand(f.title, wxEVT_MENU, number);
        EXPECT_EQ(number, f.title->GetLanguage());
    }
    EXPECT_TRUE(f.top->languages.empty()) << "queued, not sent at once";
    ASSERT_TRUE(gui_test::PumpUntil([&] { return f.top->languages.size() == 4; }));
    EXPECT_EQ((std::vector<int>{80, 80, 46, 112}), f.top->languages);
    EXPECT_EQ(f.top->GetId(), f.top->languageEventId);
}

TEST(FrameTitleBar, SettingsMenuHoldsItsEntriesInOrder) {
    REQUIRE_GUI();
    TitleFixture f;
    struct Case {
        int current;
        int checked;  // 0: none
    };
    for (const Case c : {Case{58, 58}, Case{46, 46}, Case{112, 112}, Case{0, 0}, Case{999, 0}}) {
        SCOPED_TRACE(c.current);
        f.title->SetLanguage(c.current);
        std::unique_ptr<wxMenu> menu(f.title->NewSettingsMenu());
        const wxMenuItemList& items = menu->GetMenuItems();
        ASSERT_EQ(8u, items.size());
        std::vector<int> ids;
        for (wxMenuItem* item : items) ids.push_back(item->IsSeparator() ? -1 : item->GetId());
        EXPECT_EQ(ID_MENU_HELP, ids[0]);
        EXPECT_EQ(-1, ids[2]);
        EXPECT_EQ(ID_MENU_SUPPORT, ids[3]);
        EXPECT_EQ(-1, ids[4]);
        EXPECT_EQ(ID_MENU_CHECK_UPDATE, ids[5]);
        EXPECT_EQ(-1, ids[6]);
        EXPECT_EQ(wxID_ABOUT, ids[7]);
        EXPECT_EQ(wxS("Help"), items[0]->GetItemLabelText());
        EXPECT_EQ(wxS("Support"), items[3]->GetItemLabelText());
        EXPECT_EQ(wxS("Check for Update"), items[5]->GetItemLabelText());
        EXPECT_EQ(wxS("About"), items[7]->GetItemLabelText());

        wxMenu* languages = items[1]->GetSubMenu();
        ASSERT_NE(nullptr, languages);
        EXPECT_EQ(wxS("Language"), items[1]->GetItemLabelText());
        const int numbers[] = {46, 47, 89, 58, 80, 110, 112};
        const char* labels[] = {"中文简体", "中文繁体", "Deutsch", "English",
                                "Français", "Italiano", "日本語"};
        ASSERT_EQ(7u, languages->GetMenuItemCount());
        for (size_t i = 0; i < 7; ++i) {
            wxMenuItem* item = languages->FindItemByPosition(i);
            EXPECT_EQ(numbers[i], item->GetId());
            EXPECT_TRUE(item->IsCheckable());
            EXPECT_FALSE(item->IsRadio());
            EXPECT_EQ(wxString::FromUTF8(labels[i]), item->GetItemLabelText());
            EXPECT_EQ(numbers[i] == c.checked, item->IsChecked());
        }
    }
}

TEST(FrameTitleBar, HelpAndSupportEntriesOpenTheirPages) {
    REQUIRE_GUI();
    TitleFixture f;
    gui_test::ScopedDomainOption kept;
    testing_support::TempDir dir;
    {
        std::ofstream out(dir / "option.cfg");
        out << "<o><u><a>http://127.0.0.1:9/help</a><b/><c>http://127.0.0.1:9/support</c>"
               "</u></o>";
    }
    g_domainOption = new DomainOption(wxString::FromUTF8(dir / "option.cfg"));
    g_domainOption->Load();
    std::vector<wxString> opened;
    SetWebPageOpener([&](const wxString& url) { opened.push_back(url); });
    gui_test::SendCommand(f.title, wxEVT_MENU, ID_MENU_HELP);
    gui_test::SendCommand(f.title, wxEVT_MENU, ID_MENU_SUPPORT);
    // Only four settings: no update address, so the check does nothing and sends nothing.
    gui_test::SendCommand(f.title, wxEVT_MENU, ID_MENU_CHECK_UPDATE);
    SetWebPageOpener(nullptr);
    EXPECT_EQ(
        (std::vector<wxString>{wxS("http://127.0.0.1:9/help"), wxS("http://127.0.0.1:9/support")}),
        opened);
}

TEST(FrameTitleBar, DraggingTheBarMovesTheTopWindowByTheMouseDistance) {
    REQUIRE_GUI();
    TitleFixture f;
    const wxPoint start = f.top->GetPosition();
    wxUIActionSimulator sim;
    const wxPoint grab = f.title->ClientToScreen(wxPoint(30, 10));
    sim.MouseMove(grab);
    gui_test::PumpFor(0.1);
    sim.MouseDown();
    gui_test::PumpFor(0.1);
    for (int step = 1; step <= 5; ++step) {
        sim.MouseMove(grab + wxPoint(step * 10, step * 6));
        gui_test::PumpFor(0.05);
    }
    sim.MouseUp();
    gui_test::PumpUntil([&] { return f.top->GetPosition() == start + wxPoint(50, 30); });
    EXPECT_EQ(start + wxPoint(50, 30), f.top->GetPosition());
    EXPECT_FALSE(f.title->HasCapture());
    // A double click changes nothing.
    const wxPoint here = f.top->GetPosition();
    gui_test::DoubleClickAt(f.title, wxPoint(30, 10));
    EXPECT_EQ(here, f.top->GetPosition());
}

// ------------------------------------------------------------------------------------------
// Toolbar

struct ToolbarFixture {
    explicit ToolbarFixture(int width, int height = 100) {
        top = new RecordingFrame(wxSize(width + 20, height + 20));
        toolbar = new PvToolbar();
        wxBitmap* background = new wxBitmap(width, height);
        created = toolbar->Create(background, top->panel, ID_TOOL_WINDOW_FOR_TEST, wxPoint(0, 0));
        top->Show(true);
        gui_test::PumpUntil([&] { return toolbar->IsShownOnScreen(); });
        gui_test::PumpFor(0.1);
    }
    ~ToolbarFixture() { gui_test::DestroyAndWait(top); }
    static constexpr int ID_TOOL_WINDOW_FOR_TEST = 2003;

    RecordingFrame* top;
    PvToolbar* toolbar;
    bool created;
};

TEST(FrameToolbar, ButtonsStartAtTheLayoutPositionWithTheirLabels) {
    REQUIRE_GUI();
    const FaceRect tool = GetFaceRect(wxS("/face/toolwindow"));
    ToolbarFixture f(tool.width, tool.height);
    ASSERT_TRUE(f.created);
    EXPECT_EQ(wxSize(tool.width, tool.height), f.toolbar->GetSize());
    const FaceRect r = GetFaceRect(wxS("/face/toolwindow/home-button"));
    PvBottomWordButton* home = f.toolbar->GetHomeButton();
    PvBottomWordButton* help = f.toolbar->GetHelpButton();
    ASSERT_NE(nullptr, home);
    ASSERT_NE(nullptr, help);
    EXPECT_EQ(ID_TOOL_HOME, home->GetId());
    EXPECT_EQ(ID_TOOL_HELP, help->GetId());
    EXPECT_EQ(wxS("Home"), home->GetLabel());
    EXPECT_EQ(wxS("Help"), help->GetLabel());
    // The row starts at the layout's position; when the labels made the buttons overlap or
    // overflow, it was re-laid right-aligned. Either way edge to edge and inside the toolbar.
    const int rowEnd = help->GetRect().GetRight() + 1;
    EXPECT_TRUE(home->GetPosition() == wxPoint(r.x, r.y) || rowEnd == tool.width - 2)
        << "home at " << home->GetPosition().x << ", row ends at " << rowEnd;
    EXPECT_EQ(r.y, home->GetPosition().y);
    EXPECT_EQ(r.y, help->GetPosition().y);
    EXPECT_FALSE(home->GetRect().Intersects(help->GetRect()));
    EXPECT_LE(help->GetRect().GetRight() + 1 + 2, tool.width);
    EXPECT_EQ(home->GetRect().GetRight() + 1, help->GetPosition().x);

    const FaceRect colour = GetFaceRect(wxS("/face/toolwindow/home-button/colour"));
    EXPECT_EQ(wxColour(colour.x & 0xff, colour.y & 0xff, colour.width & 0xff),
              home->GetForegroundColour());
    ASSERT_NE(nullptr, f.toolbar->GetIcon());
    EXPECT_EQ(wxSize(48, 48), f.toolbar->GetIcon()->GetSize());
    EXPECT_EQ(wxS("Quellstone"), PvToolbar::ProductOwnName());
    gui_test::SaveScreenshot(f.top, gui_test::OutputDir() + "/screenshots/frame_toolbar.png");
}

TEST(FrameToolbar, ARowThatWouldOverflowIsReLaidRightAligned) {
    REQUIRE_GUI();
    const FaceRect r = GetFaceRect(wxS("/face/toolwindow/home-button"));
    // A toolbar that ends shortly after the first button's position.
    ToolbarFixture f(r.x + 30);
    PvBottomWordButton* home = f.toolbar->GetHomeButton();
    PvBottomWordButton* help = f.toolbar->GetHelpButton();
    const int width = f.toolbar->GetSize().x;
    EXPECT_EQ(width - 2, help->GetRect().GetRight() + 1);
    EXPECT_EQ(help->GetPosition().x, home->GetRect().GetRight() + 1);
    EXPECT_EQ(home->GetPosition().y, help->GetPosition().y);
}

TEST(FrameToolbar, HomeAndHelpOpenTheirPages) {
    REQUIRE_GUI();
    ToolbarFixture f(1000);
    gui_test::ScopedDomainOption kept;
    testing_support::TempDir dir;
    {
        std::ofstream out(dir / "option.cfg");
        out << "<o><u><a>http://127.0.0.1:9/help</a><b/><c/><d/><e/>"
               "<f>http://127.0.0.1:9/home</f><g/></u></o>";
    }
    g_domainOption = new DomainOption(wxString::FromUTF8(dir / "option.cfg"));
    g_domainOption->Load();
    std::vector<wxString> opened;
    SetWebPageOpener([&](const wxString& url) { opened.push_back(url); });
    EXPECT_TRUE(gui_test::Click(f.toolbar->GetHomeButton()));
    EXPECT_TRUE(gui_test::Click(f.toolbar->GetHelpButton()));
    gui_test::PumpUntil([&] { return opened.size() == 2; });
    SetWebPageOpener(nullptr);
    EXPECT_EQ(
        (std::vector<wxString>{wxS("http://127.0.0.1:9/home"), wxS("http://127.0.0.1:9/help")}),
        opened);
}

// ------------------------------------------------------------------------------------------
// About box

TEST(FrameAbout, ShowsIconNameVersionAndHomeLinkWhereTheyBelong) {
    REQUIRE_GUI();
    TitleFixture f;
    gui_test::ScopedDomainOption kept;
    testing_support::TempDir dir;
    {
        std::ofstream out(dir / "option.cfg");
        out << "<o><u><a/><b/><c/><d/><e/><f>http://127.0.0.1:9/home/</f><g/></u></o>";
    }
    g_domainOption = new DomainOption(wxString::FromUTF8(dir / "option.cfg"));
    g_domainOption->Load();

    AboutDialog dialog;
    ASSERT_TRUE(TitleWindow::CreateAboutDialog(dialog, f.top));
    const wxSize size = ThemeSize("image/dialog/dialog_bg.png");
    ASSERT_NE(wxSize(0, 0), size);
    EXPECT_EQ(size, dialog.GetSize());
    EXPECT_EQ(wxS("About"), dialog.GetTitle());
    EXPECT_EQ(f.top, dialog.GetParent());
    EXPECT_TRUE(dialog.HasFlag(wxFRAME_SHAPED));
    // Centred over its parent, the main frame, which is centred on the display.
    const wxRect parent = f.top->GetScreenRect();
    EXPECT_NEAR(parent.x + (parent.width - size.x) / 2, dialog.GetPosition().x, 1);
    EXPECT_NEAR(parent.y + (parent.height - size.y) / 2, dialog.GetPosition().y, 1);

    const wxSize close = ThemeSize("image/titlebar/close_normal.png");
    const wxSize minimize = ThemeSize("image/titlebar/minimize_normal.png");
    const int closeX = size.x - close.x - 4;
    EXPECT_EQ(wxRect(wxPoint(closeX, 2), close), dialog.GetCloseButton()->GetRect());
    EXPECT_EQ(wxRect(wxPoint(closeX - minimize.x - 1, 2), minimize),
              dialog.GetMinimizeButton()->GetRect());

    wxButton* ok = dialog.GetOkButton();
    ASSERT_NE(nullptr, ok);
    EXPECT_EQ(wxID_OK, ok->GetId());
    EXPECT_EQ(wxS("Ok"), ok->GetLabel());
    const wxSize extent = ok->GetTextExtent(wxS("Ok"));
    EXPECT_EQ(wxSize(extent.x + 16, extent.y + 8), ok->GetSize());
    EXPECT_EQ(size.x - 20, ok->GetRect().GetRight() + 1);
    EXPECT_EQ(size.y - 40, ok->GetRect().GetBottom() + 1);

    ASSERT_NE(nullptr, dialog.GetIcon());
    EXPECT_EQ(wxSize(80, 80), dialog.GetIcon()->GetSize());
    EXPECT_EQ(wxPoint((size.x - 80) / 2, 36), dialog.GetIconControl()->GetPosition());

    EXPECT_EQ(wxS("Tavrenmoss Quellstone 2.1.5"), dialog.GetNameText()->GetLabel());
    EXPECT_EQ(120, dialog.GetNameText()->GetPosition().y);
    EXPECT_EQ(*wxBLACK, dialog.GetNameText()->GetForegroundColour());

    PvHyperLinkCtrl* link = dialog.GetLink();
    EXPECT_EQ(wxS("http://127.0.0.1:9/home/"), link->GetURL());
    EXPECT_EQ(wxS("http://127.0.0.1:9/home/"), link->GetLabel());
    EXPECT_EQ(190, link->GetPosition().y);
    EXPECT_NEAR((size.x - link->GetSize().x) / 2, link->GetPosition().x, 1);
}

TEST(FrameAbout, WithoutSettingsTheBoxHasNoLink) {
    REQUIRE_GUI();
    TitleFixture f;
    gui_test::ScopedDomainOption kept;
    g_domainOption = nullptr;
    const int assertions = gui_test::AssertionCount();
    AboutDialog dialog;
    ASSERT_TRUE(TitleWindow::CreateAboutDialog(dialog, f.top));
    EXPECT_EQ(nullptr, dialog.GetLink());
    EXPECT_EQ(wxS("Tavrenmoss Quellstone 2.1.5"), dialog.GetNameText()->GetLabel());
    EXPECT_EQ(assertions, gui_test::AssertionCount()) << gui_test::LastAssertion();
}

TEST(FrameAbout, CloseAndOkEndTheModalLoop) {
    REQUIRE_GUI();
    TitleFixture f;
    for (int id : {static_cast<int>(wxID_OK), ID_DIALOG_CLOSE, static_cast<int>(wxID_CLOSE)}) {
        SCOPED_TRACE(id);
        AboutDialog dialog;
        ASSERT_TRUE(TitleWindow::CreateAboutDialog(dialog, f.top));
        // The button's click arrives inside the modal loop; a timer ends a loop that would hang.
        wxTimer guard;
        guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dialog.EndModal(99); });
        guard.StartOnce(static_cast<int>(gui_test::kHangGuardSeconds * 1000));
        dialog.CallAfter([&dialog, id] { gui_test::SendCommand(&dialog, wxEVT_BUTTON, id); });
        EXPECT_EQ(0, dialog.ShowModal());
        guard.Stop();
    }
}

}  // namespace
