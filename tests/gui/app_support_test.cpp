// The window-test helpers themselves: a generated backup lies where the program looks for it,
// the event pump is bounded, a toolkit critical fails a test, clicks reach a button and a
// picture of a window is written.
#include <gtest/gtest-spi.h>
#include <gtk/gtk.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/image.h>

#include <filesystem>

#include "gui_support.h"
#include "support/toolkit_start.h"

namespace {

TEST(AppSupport, GeneratedBackupLiesUnderTheApplicationDataFolder) {
    gui_test::GeneratedBackup backup;
    EXPECT_STREQ(std::getenv("APPDATA"), backup.AppData().c_str());
    EXPECT_TRUE(std::filesystem::exists(backup.BackupFolder() + "Manifest.mbdb") ||
                std::filesystem::exists(backup.BackupFolder() + "Manifest.db"));
    EXPECT_EQ(40u, backup.DeviceId().size());
}

TEST(AppSupport, PumpStopsAtItsTimeBound) {
    EXPECT_FALSE(gui_test::PumpUntil([] { return false; }, 0.05));
    EXPECT_TRUE(gui_test::PumpUntil([] { return true; }));
}

// A warning or critical that GTK or GLib logs fails the test that runs when it comes: here one
// of GLib's own and the one GTK logs when the input simulator finds no window on the screen.
TEST(AppSupport, AToolkitCriticalFailsTheTest) {
    REQUIRE_GUI();
    testing_support::QuietToolkitLog quiet;
    const int before = testing_support::ToolkitWarningCount();
    EXPECT_NONFATAL_FAILURE(g_warning("a warning of the test"), "a warning of the test");
    EXPECT_NONFATAL_FAILURE(gtk_widget_get_scale_factor(nullptr), "GTK_IS_WIDGET");
    EXPECT_EQ(testing_support::ToolkitWarningCount(), before + 2);
    EXPECT_NE(testing_support::LastToolkitWarning().find("Gtk critical"), std::string::npos)
        << testing_support::LastToolkitWarning();
}

TEST(AppSupport, ClickReachesAButtonAndAPictureIsSaved) {
    REQUIRE_GUI();
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "t", wxPoint(10, 10), wxSize(200, 120));
    wxButton* button = new wxButton(frame, wxID_OK, "OK", wxPoint(20, 20), wxSize(100, 40));
    int clicks = 0;
    button->Bind(wxEVT_BUTTON, [&clicks](wxCommandEvent&) { ++clicks; });
    frame->Show();
    gui_test::PumpUntil([&] { return button->IsShownOnScreen(); });
    gui_test::PumpFor(0.2);
    EXPECT_TRUE(gui_test::Click(button));
    EXPECT_TRUE(gui_test::PumpUntil([&] { return clicks == 1; }));

    const wxString path = gui_test::OutputDir() + "/screenshots/support_frame.png";
    ASSERT_TRUE(gui_test::SaveScreenshot(frame, path));
    wxImage image(path, wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(image.IsOk());
    EXPECT_EQ(frame->GetSize().x, image.GetWidth());
    gui_test::DestroyAndWait(frame);
}

}  // namespace
