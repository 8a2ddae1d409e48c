// The window work on a large backup: laying out and repainting a long conversation in the message
// view, and filling the main grid with a table kind. Each figure is printed with a floor measured
// in the same run and with its target:
// - layout of a conversation of 40,000 messages (target at most 0.2 s); floor: making one record
//   per message with its date and text, the least that any layout keeps;
// - repaint of the view in the middle of that conversation (target at most 10 ms); floor: the
//   same repaint of the view without bubbles (the toolkit's paint round trip and background);
// - a table kind of 100,000 rows appearing in the grid, painted (target at most 50 ms); floor: the
//   same grid over a table whose cells are all one constant text.
// The cell-by-cell fill that the grid used before is timed once for 20,000 rows, for comparison.
// Needs a display (run under xvfb-run -a).
//
// Usage: window_bench [APPDATA]   (a folder holding "Apple Computer/MobileSync/Backup/<id>";
// without
//        it a backup of 100,000 messages and 20,000 calls is written to a temporary folder)
#include <plist/plist.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/filesys.h>
#include <wx/frame.h>
#include <wx/fs_arc.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/process_memory.h"
#include "bench_util.h"
#include "domain/domain_ib.h"
#include "domain/kind_obj.h"
#include "gen/backup_gen.h"
#include "gen/sample.h"
#include "window/base/pv_photo_check_cell_render.h"
#include "window/base/rk_grid.h"
#include "window/base/rk_grid_table.h"
#include "window/content/pv_kind_message_window.h"

namespace {

using bench::Seconds;

constexpr int kConversation = 40000;
constexpr int kTableRows = 100000;
constexpr int kCellByCellRows = 20000;
constexpr int kColumns = 10;

void Pump(double seconds) {
    const auto start = std::chrono::steady_clock::now();
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    do {
        while (loop->Pending()) loop->Dispatch();
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    } while (Seconds(start) < seconds);
}

// When the last paint of a watched window began, and how many there were.
std::chrono::steady_clock::time_point g_paintStart;
int g_paints = 0;

void OnWatchedPaint(wxPaintEvent& event) {
    g_paintStart = std::chrono::steady_clock::now();
    ++g_paints;
    event.Skip();
}

// Asks painter (a window whose paints are watched) to repaint as a whole and returns the time
// its paint took: from the start of the paint to the return of the dispatch that ran it.
double TimedPaint(wxWindow* painter) {
    const int before = g_paints;
    painter->Refresh();
    const auto start = std::chrono::steady_clock::now();
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    while (g_paints == before) {
        if (Seconds(start) > 5) {
            std::fprintf(stderr, "no paint came\n");
            std::exit(1);
        }
        if (loop->Pending())
            loop->Dispatch();
        else
            wxMicroSleep(100);
    }
    return Seconds(g_paintStart);
}

void* ReadKind(Device* device, std::uint32_t kind) {
    plist_t list = DomainIB::GetService()->GetKindData(device->backup, kind);
    void* records = DomainIB::ConvertKindData(kind, list);
    if (list != nullptr) plist_free(list);
    return records;
}

// A table whose cells are all the same text: the toolkit's own cost of showing rows.
class ConstantTable : public wxGridTableBase {
  public:
    explicit ConstantTable(int rows) : rows_(rows) {}
    int GetNumberRows() override { return rows_; }
    int GetNumberCols() override { return kColumns; }
    wxString GetValue(int, int) override { return wxS("constant"); }
    void SetValue(int, int, const wxString&) override {}

  private:
    int rows_;
};

wxString CallText(const CallHistoryList& calls, int row, int col) {
    const CallHistory* c = CheckedPtr(calls[static_cast<std::size_t>(row) % calls.size()]);
    switch (col) {
        case 0:
            return c->name;
        case 1:
            return c->address;
        case 2:
            return c->date;
        case 3:
            return c->type;
        case 4:
            return c->duration;
        default:
            return wxString();
    }
}

RkGrid* NewGrid(wxWindow* parent) {
    auto* grid = new RkGrid();
    grid->Create(parent, wxID_ANY, wxPoint(0, 0), wxSize(900, 500));
    return grid;
}

void SetUpColumns(RkGrid* grid) {
    grid->SetRowLabelSize(0);
    grid->SetDefaultRowSize(36, false);
    grid->UseNativeColHeader(true);
    for (int i = 0; i < kColumns; ++i) grid->AppendColumn(wxS("."), i < 5 ? 130 : 0, i < 5);
}

// The fill that the main grid used before: one row at a time, a renderer and values per cell.
double CellByCell(wxWindow* parent, const CallHistoryList& calls, int rows) {
    RkGrid* grid = NewGrid(parent);
    grid->CreateGrid(0, 0, wxGrid::wxGridSelectRows);
    SetUpColumns(grid);
    grid->GetGridWindow()->Bind(wxEVT_PAINT, &OnWatchedPaint);
    const auto start = std::chrono::steady_clock::now();
    for (int row = 0; row < rows; ++row) {
        grid->AppendRows(1, false);
        auto* renderer = new PvPhotoCheckCellRender();
        renderer->SetText(CallText(calls, row, 0));
        renderer->SetCentred();
        grid->SetCellRenderer(row, 0, renderer);
        grid->SetReadOnly(row, 0, true);
        grid->SetCellValue(row, 0, wxS(" "));
        for (int col = 1; col < 5; ++col) {
            grid->SetCellAlignment(row, col, wxALIGN_LEFT, wxALIGN_CENTRE);
            grid->SetReadOnly(row, col, true);
            grid->SetCellValue(row, col, CallText(calls, row, col));
        }
    }
    const double seconds = Seconds(start) + TimedPaint(grid->GetGridWindow());
    grid->Destroy();
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    ProcessMemory::SetUp();
    wxApp::SetInstance(new wxApp());
    int wxArgc = 1;
    if (!wxEntryStart(wxArgc, argv)) {
        std::fprintf(stderr, "needs a display: run under xvfb-run -a\n");
        return 1;
    }
    delete wxLog::SetActiveTarget(new wxLogStderr());
    bench::PrintLoad("at the start");
    wxSetAssertHandler([](const wxString& file, int line, const wxString&, const wxString& cond,
                          const wxString&) {
        std::fprintf(stderr, "%s:%d: %s\n", file.utf8_str().data(), line, cond.utf8_str().data());
    });
    wxFileSystem::AddHandler(new wxArchiveFSHandler());
    wxInitAllImageHandlers();
    wxEventLoop loop;
    wxEventLoopActivator activate(&loop);

    std::string appData;
    std::string temp;
    if (argc > 1) {
        appData = argv[1];
    } else {
        char pattern[] = "/tmp/window-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return 1;
        appData = temp = pattern;
        gen::SampleOptions options;
        options.calls = 20000;
        options.chats = 1000;
        options.messages = 100000;
        options.smallMedia = true;
        std::printf("writing the backup...\n");
        gen::WriteSampleBackup(
            appData + "/Apple Computer/MobileSync/Backup/0123456789abcdef0123456789abcdef01234567",
            options);
    }
    setenv("APPDATA", appData.c_str(), 1);
    DomainIB::CreateService();
    std::vector<Device*> devices = DomainIB::LoadDevices();
    if (devices.empty()) {
        std::fprintf(stderr, "no backup under %s\n", appData.c_str());
        return 1;
    }
    auto* chats = static_cast<SmsList*>(ReadKind(devices[0], KIND_MESSAGES));
    auto* calls = static_cast<CallHistoryList*>(ReadKind(devices[0], KIND_CALL_HISTORY));
    if (chats == nullptr || calls == nullptr || chats->empty() || calls->empty()) {
        std::fprintf(stderr, "the backup holds no messages or no calls\n");
        return 1;
    }
    // One long conversation made of the backup's messages, in their order.
    Sms conversation;
    for (std::size_t i = 0; conversation.messages.size() < kConversation; ++i) {
        const Sms* chat = (*chats)[i % chats->size()];
        for (const Message* m : chat->messages) {
            if (conversation.messages.size() == kConversation) break;
            conversation.messages.push_back(new Message(*m));
        }
    }

    auto* frame =
        new wxFrame(nullptr, wxID_ANY, wxS("window bench"), wxPoint(0, 0), wxSize(1000, 600));
    auto* view = new PvKindMessageWindow(frame, wxID_ANY, wxPoint(280, 0), wxSize(600, 500));
    auto* empty = new PvKindMessageWindow(frame, wxID_ANY, wxPoint(0, 0), wxSize(600, 500));
    view->Bind(wxEVT_PAINT, &OnWatchedPaint);
    empty->Bind(wxEVT_PAINT, &OnWatchedPaint);
    frame->Show();
    Pump(0.2);

    // Layout.
    const bench::Spread layoutFloor = bench::Times(3, [&] {
        std::vector<MessageShow*> records;
        records.reserve(conversation.messages.size());
        for (const Message* m : conversation.messages) {
            auto* b = new MessageShow();
            b->dateText = m->date;
            b->lines.Add(m->text);
            records.push_back(b);
        }
        for (MessageShow*& b : records) TrackedDelete(__FILE__, __LINE__, b);
    });
    const bench::Spread layout = bench::Times(3, [&] { view->ShowConversation(&conversation); });
    // The generated messages repeat a few texts; a conversation of as many messages whose words
    // come from a vocabulary of 30,000 shows the cost of measuring many different words.
    Sms varied;
    std::uint32_t seed = 12345;
    auto random = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    for (const Message* m : conversation.messages) {
        auto* copy = new Message(*m);
        const int words = 4 + static_cast<int>(random() % 12);
        copy->text.clear();
        for (int w = 0; w < words; ++w) {
            std::uint32_t word = random() % 30000;
            if (w > 0) copy->text += wxS(' ');
            do {
                copy->text += static_cast<wxChar>(wxS('a') + word % 26);
                word /= 26;
            } while (word > 0);
        }
        varied.messages.push_back(copy);
    }
    const bench::Spread layoutVaried = bench::Times(3, [&] { view->ShowConversation(&varied); });
    view->ShowConversation(&conversation);

    // Repaint in the middle of the conversation.
    int unit = 1;
    view->GetScrollPixelsPerUnit(nullptr, &unit);
    view->Scroll(0, view->GetVirtualSize().y / 2 / std::max(1, unit));
    Pump(0.1);
    empty->Raise();
    bench::Spread repaintFloor, repaint;
    for (int i = 0; i < 20; ++i) {
        repaintFloor.Add(TimedPaint(empty));
        repaint.Add(TimedPaint(view));
    }
    const auto painted = view->GetPaintedBubbles();
    empty->Hide();

    // Grid fill.
    RkGrid* floorGrid = NewGrid(frame);
    floorGrid->CreateGrid(0, 0, wxGrid::wxGridSelectRows);
    SetUpColumns(floorGrid);
    RkGrid* grid = NewGrid(frame);
    auto* table = new RkGridTable();
    grid->SetTable(table, true, wxGrid::wxGridSelectRows);
    SetUpColumns(grid);
    floorGrid->GetGridWindow()->Bind(wxEVT_PAINT, &OnWatchedPaint);
    grid->GetGridWindow()->Bind(wxEVT_PAINT, &OnWatchedPaint);
    Pump(0.1);
    bench::Spread fillFloor, fill;
    for (int run = 0; run < 3; ++run) {
        floorGrid->Show();
        grid->Hide();
        Pump(0.05);
        auto start = std::chrono::steady_clock::now();
        floorGrid->SetTable(new ConstantTable(kTableRows), true, wxGrid::wxGridSelectRows);
        fillFloor.Add(Seconds(start) + TimedPaint(floorGrid->GetGridWindow()));
        floorGrid->Hide();
        grid->Show();
        table->SetRows(0, RkGridTable::CellText());
        Pump(0.05);
        start = std::chrono::steady_clock::now();
        table->SetRows(kTableRows,
                       [calls](int row, int col) { return CallText(*calls, row, col); });
        fill.Add(Seconds(start) + TimedPaint(grid->GetGridWindow()));
    }
    grid->Hide();
    const double cellByCell = CellByCell(frame, *calls, kCellByCellRows);

    std::printf("conversation of %d messages (backup of %zu conversations, %zu calls)\n",
                kConversation, chats->size(), calls->size());
    // Each figure as the best and the median of its runs; the targets hold for the median.
    std::printf("times in s, best and median of the runs; load %s\n", bench::Load().c_str());
    std::printf("layout:  floor %s  view %s  ratio of medians %6.2f  target 0.2 s %s\n",
                layoutFloor.Text("%.4f").c_str(), layout.Text("%.4f").c_str(),
                layout.Median() / layoutFloor.Median(),
                layout.Median() <= 0.2 ? "ok" : "ABOVE TARGET");
    std::printf("layout of varied words: view %s  target 0.2 s %s\n",
                layoutVaried.Text("%.4f").c_str(),
                layoutVaried.Median() <= 0.2 ? "ok" : "ABOVE TARGET");
    std::printf(
        "repaint: floor %s  view %s  ratio of medians %6.2f  target 0.010 s %s "
        "(bubbles %zu to %zu drawn)\n",
        repaintFloor.Text("%.4f").c_str(), repaint.Text("%.4f").c_str(),
        repaint.Median() / repaintFloor.Median(), repaint.Median() <= 0.01 ? "ok" : "ABOVE TARGET",
        painted.first, painted.second);
    std::printf("grid of %d rows: floor %s  table %s  ratio of medians %6.2f  target 0.05 s %s\n",
                kTableRows, fillFloor.Text("%.4f").c_str(), fill.Text("%.4f").c_str(),
                fill.Median() / fillFloor.Median(), fill.Median() <= 0.05 ? "ok" : "ABOVE TARGET");
    std::printf("for comparison, the cell-by-cell fill of %d rows: %8.4f s\n", kCellByCellRows,
                cellByCell);

    frame->Destroy();
    Pump(0.1);
    for (Message*& m : conversation.messages) TrackedDelete(__FILE__, __LINE__, m);
    conversation.messages.clear();
    for (Sms*& chat : *chats) TrackedDelete(__FILE__, __LINE__, chat);
    delete chats;
    for (CallHistory*& c : *calls) TrackedDelete(__FILE__, __LINE__, c);
    delete calls;
    BackupInfo* head = devices[0]->backup;
    for (Device*& d : devices) TrackedDelete(__FILE__, __LINE__, d);
    DomainIB::GetService()->FreeBackupList(head);
    DomainIB::FreeService();
    if (!temp.empty()) gen::RemoveTree(temp);
    bench::PrintLoad("at the end");
    wxEntryCleanup();
    return 0;
}
