#include "window/content/pv_recovery_list_window.h"

#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/settings.h>

#include "common/image_util.h"
#include "domain/domain_ib.h"
#include "window/base/pv_pdf_item_grid_cell_renderer.h"
#include "window/base/pv_word_button.h"
#include "window/base/rk_grid.h"
#include "window/content/screen_font.h"
#include "window/content/screen_prompt.h"

wxIMPLEMENT_DYNAMIC_CLASS(PvRecoveryListWindow, wxControl);

wxBEGIN_EVENT_TABLE(PvRecoveryListWindow, wxControl)
    EVT_PAINT(PvRecoveryListWindow::OnPaint)
    EVT_BUTTON(PvRecoveryListWindow::ID_SCAN, PvRecoveryListWindow::OnScanClicked)
wxEND_EVENT_TABLE()

PvRecoveryListWindow::PvRecoveryListWindow() = default;

PvRecoveryListWindow::~PvRecoveryListWindow() {
    TrackedDelete(__FILE__, __LINE__, background);
    // The Device records live for the whole run; only the list goes.
    devices.clear();
}

bool PvRecoveryListWindow::Create(wxBitmap* backgroundBitmap, wxWindow* parent, wxWindowID id,
                                  const wxPoint& pos, const wxSize& size, long /*style*/,
                                  const wxValidator& validator) {
    background = backgroundBitmap;
    if (!wxControl::Create(parent, id, pos, size, wxBORDER_NONE, validator,
                           wxASCII_STR(wxControlNameStr)))
        return false;
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    LoadFace();

    const FaceRect g = GetFaceRect(wxS("/face/listwindow/grid"));
    grid = new RkGrid();
    grid->Create(this, wxID_ANY, wxPoint(g.x, g.y), wxSize(g.width, g.height), wxWANTS_CHARS,
                 wxASCII_STR(wxGridNameStr));
    SetupGrid();
    AddColumn(wxEmptyString, 290, true);
    AddColumn(wxEmptyString, 170, true);
    AddColumn(wxEmptyString, 138, true);

    const FaceRect at = GetFaceRect(wxS("/face/listwindow/scan-button"));
    const FaceRect crop = GetFaceRect(wxS("/face/base-button/big-button-crop"));
    scanButton = new PvWordButton();
    scanButton->Create(this, ID_SCAN, wxPoint(at.x, at.y));
    scanButton->Bind(wxEVT_SIZE, &PvRecoveryListWindow::OnScanButtonSize, this);
    wxBitmap normal =
        ImageUtil::GetThemeBitmap(wxS("image/base/big-normal.png"), wxBITMAP_TYPE_PNG);
    wxBitmap current =
        ImageUtil::GetThemeBitmap(wxS("image/base/big-current.png"), wxBITMAP_TYPE_PNG);
    wxBitmap pressed =
        ImageUtil::GetThemeBitmap(wxS("image/base/big-pressed.png"), wxBITMAP_TYPE_PNG);
    scanButton->SetBitmaps(normal, crop.x, crop.width, current, pressed);
    if (background != nullptr) scanButton->SetBackgroundBitmap(*background, BACKGROUND_CUT);
    scanButton->SetForegroundColour(
        ScreenFont::FaceColour("/face/base-button/big-button-crop/colour"));
    scanButton->SetTextOffsetY(GetFaceRect(wxS("/face/base-button/big-button-crop/offsety")).y);

    loaded = false;
    Bind(wxEVT_IDLE, &PvRecoveryListWindow::OnFirstIdle, this);
    SetTexts();
    return true;
}

void PvRecoveryListWindow::LoadFace() {
    description1 = GetFaceRect(wxS("/face/listwindow/description1"));
    description1Font = GetFaceRect(wxS("/face/listwindow/description1/font"));
    description2 = GetFaceRect(wxS("/face/listwindow/description2"));
    description2Font = GetFaceRect(wxS("/face/listwindow/description2/font"));
}

void PvRecoveryListWindow::SetupGrid() {
    grid->CreateGrid(0, 0, wxGrid::wxGridSelectCells);
    grid->SetColLabelSize(12);
    grid->SetRowLabelSize(0);
    grid->SetDefaultRowSize(36, false);
    grid->SetScrollLineX(1);
    grid->SetLabelFont(
        ScreenFont::ArialFont(GetFaceRect(wxS("/face/listwindow/grid-label")).height));
    grid->SetSelectionMode(wxGrid::wxGridSelectRows);
    grid->HideCellEditControl();
    grid->EnableEditing(true);
    grid->SetCellHighlightPenWidth(0);
    grid->EnableDragGridSize(false);
    grid->EnableDragRowSize(false);
    grid->EnableDragColSize(false);
    grid->UseNativeColHeader(true);
}

wxString PvRecoveryListWindow::AddColumn(const wxString& label, int width, bool visible) {
    grid->AppendColumn(label, width, visible);
    return label;
}

void PvRecoveryListWindow::SetTexts() {
    grid->SetColLabelValue(0, _("Device Name"));
    grid->SetColLabelValue(1, _("Backup Date"));
    grid->SetColLabelValue(2, _("Serial Number"));
    scanButton->SetLabel(_("Start Scan"), ScreenFont::ButtonFont());
    // The toolkit reports the new size later, or not at all while the screen is hidden.
    LayoutScanButton();
}

void PvRecoveryListWindow::UpdateLanguage() {
    SetTexts();
    Refresh();
    wxWindow::Update();
}

void PvRecoveryListWindow::Update(TqmSubject* /*subject*/, TqmCode /*code*/) {
    Show();
}

void PvRecoveryListWindow::OnScanButtonSize(wxSizeEvent& event) {
    LayoutScanButton();
    event.Skip();
}

void PvRecoveryListWindow::LayoutScanButton() {
    if (scanButton == nullptr) return;
    const int x = GetSize().GetWidth() - scanButton->GetSize().GetWidth() - 10;
    scanButton->Move(x, scanButton->GetPosition().y);
}

void PvRecoveryListWindow::OnFirstIdle(wxIdleEvent& /*event*/) {
    if (loaded) return;
    loaded = true;
    Unbind(wxEVT_IDLE, &PvRecoveryListWindow::OnFirstIdle, this);
    devices = DomainIB::LoadDevices();
    for (Device* device : devices) {
        const Device* d = CheckedPtr(device);
        AddDeviceRow(d->deviceName, d->lastBackupDate, d->serialNumber, d->isEncrypted);
    }
}

void PvRecoveryListWindow::AddDeviceRow(const wxString& name, const wxString& date,
                                        const wxString& serial, int encrypted) {
    const int row = grid->GetNumberRows();
    grid->InsertRows(row, 1, false);
    for (int col = 0; col < 3; ++col) {
        grid->SetCellAlignment(row, col, wxALIGN_LEFT, wxALIGN_CENTRE);
        grid->SetReadOnly(row, col, true);
    }
    auto* renderer = new PvPdfItemGridCellRenderer();
    renderer->SetState(encrypted != 0 ? 1 : 0);
    renderer->SetText(name);
    grid->SetCellRenderer(row, 0, renderer);
    grid->SetCellValue(row, 1, date);
    grid->SetCellValue(row, 2, serial);
}

void PvRecoveryListWindow::OnScanClicked(wxCommandEvent& /*event*/) {
    const wxArrayInt rows = grid->GetSelectedRows();
    if (rows.IsEmpty()) return;
    const int row = rows[0];
    // A selection can outlive nothing here (the list never changes), but a row outside the list
    // must not reach a Device.
    if (row < 0 || static_cast<std::size_t>(row) >= devices.size()) return;
    Device* device = CheckedPtr(devices[static_cast<std::size_t>(row)]);
    if (device->isEncrypted != 0) {
        ScreenPrompt::ShowMessage(
            _("This is a password protected backup file.Please decrypt it first in itunes "
              "before extracting data."));
        return;
    }
    Hide();
    Notify(reinterpret_cast<TqmCode>(device));
}

void PvRecoveryListWindow::OnPaint(wxPaintEvent& /*event*/) {
    wxPaintDC dc(this);
    if (background != nullptr && background->IsOk()) dc.DrawBitmap(*background, 0, 0, false);
    wxFont font1 = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    font1.SetPointSize(ScreenFont::UsablePointSize(description1Font.height));
    dc.SetFont(font1);
    dc.DrawText(_("Select an iTunes backup file of your iOS device below to scan."), description1.x,
                description1.y);
    dc.SetFont(ScreenFont::ArialFont(description2Font.height));
    dc.DrawText(_("If your iOS device is not listed here, it may be because iTunes has not made "
                  "backup for the device."),
                description2.x, description2.y);
}
