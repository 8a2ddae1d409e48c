#include "window/content/kind_conversation_pane.h"

#include "domain/kind_obj.h"
#include "window/content/pv_kind_message_window.h"

void KindConversationPane::Create(wxWindow* parent, const wxRect& gridRect, int listWidth) {
    view_ = new PvKindMessageWindow(parent, wxID_ANY, wxPoint(gridRect.x + listWidth, gridRect.y),
                                    wxSize(gridRect.width - listWidth, gridRect.height));
    view_->Hide();
    selectedMessageRow_ = -1;
}

void KindConversationPane::Show(bool show) {
    view_->Show(show);
}

void KindConversationPane::ShowRow(const Device& device, int row) {
    if (row == selectedMessageRow_) return;
    const SmsList* list = device.Records<Sms>(KIND_MESSAGES);
    if (list == nullptr || row < 0 || static_cast<std::size_t>(row) >= list->size()) return;
    selectedMessageRow_ = row;
    Sms* conversation = (*list)[static_cast<std::size_t>(row)];
    view_->ShowConversation(conversation);
    // Another conversation opens at its first message; the same one shown again keeps its place.
    if (conversation != shownConversation_) view_->Scroll(0, 0);
    shownConversation_ = conversation;
}

void KindConversationPane::Clear() {
    view_->Clear();
    view_->Hide();
    shownConversation_ = nullptr;
}
