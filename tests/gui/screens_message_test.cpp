// The conversation view: where bubbles lie, how tall they are, how lines break, that a new
// conversation releases the old one, that a paint draws the bubbles in view, and that the wheel
// and the keys scroll by lines and pages.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/uiaction.h>

#include <memory>

#include "domain/kind_obj.h"
#include "gui_support.h"
#include "window/content/pv_kind_message_window.h"

namespace {

int HeightOf(const wxBitmap* bitmap) {
    return bitmap != nullptr && bitmap->IsOk() ? bitmap->GetHeight() : 0;
}

class MessageView : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GUI();
        frame_ = new wxFrame(nullptr, wxID_ANY, wxS("messages"), wxPoint(0, 0), wxSize(420, 500));
        // A second child keeps the frame from stretching the view over its whole client area.
        new wxWindow(frame_, wxID_ANY, wxPoint(350, 0), wxSize(10, 10));
        view_ = new PvKindMessageWindow(frame_, wxID_ANY, wxPoint(0, 0), wxSize(300, 100));
        frame_->Show();
        gui_test::PumpFor(0.02);
    }
    void TearDown() override {
        if (frame_ != nullptr) gui_test::DestroyAndWait(frame_);
    }

    // A conversation whose messages alternate received / sent, with the given texts.
    static std::unique_ptr<Sms> Conversation(const std::vector<wxString>& texts) {
        std::unique_ptr<Sms> chat(new Sms());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            auto* m = new Message();
            m->text = texts[i];
            m->date = wxString::Format(wxS("2013-06-04 11:%02d:00"), static_cast<int>(i % 60));
            m->type = i % 2;
            chat->messages.push_back(m);
        }
        return chat;
    }

    wxFrame* frame_ = nullptr;
    PvKindMessageWindow* view_ = nullptr;
};

TEST_F(MessageView, SidesIndentsAndStackingOfBubbles) {
    auto chat = Conversation({wxS("hello"), wxS("hi there"), wxS("one\ntwo\nthree")});
    chat->messages[1]->type = 0x100000001ull;  // only the low 32 bits count: sent
    view_->ShowConversation(chat.get());
    const auto& bubbles = view_->GetBubbles();
    ASSERT_EQ(bubbles.size(), 3u);
    int y = 20;
    for (std::size_t i = 0; i < bubbles.size(); ++i) {
        const MessageShow* b = bubbles[i];
        const bool sent = i % 2 == 1;
        EXPECT_EQ(b->bubbleX, sent ? 120 : 2) << i;
        EXPECT_EQ(b->textIndent, sent ? 10 : 22) << i;
        EXPECT_EQ(b->bubbleY, y) << i;
        EXPECT_EQ(b->centreX, b->bubbleX);
        EXPECT_EQ(b->centreY, b->bubbleY + HeightOf(b->topBitmap));
        EXPECT_EQ(b->topMargin, 10);
        EXPECT_EQ(b->lineSpacing, 6);
        EXPECT_GT(b->lineHeight, 0);
        EXPECT_EQ(b->centreHeight,
                  10 + static_cast<int>(b->lines.size()) * (b->lineHeight + b->lineSpacing));
        EXPECT_EQ(b->bottomX, b->bubbleX);
        EXPECT_EQ(b->bottomY, b->centreY + b->centreHeight);
        EXPECT_EQ(b->dateText, chat->messages[i]->date);
        y = b->bottomY + HeightOf(b->bottomBitmap) + 20;
    }
    // The text's own line breaks make lines.
    ASSERT_EQ(bubbles[2]->lines.size(), 3u);
    EXPECT_EQ(bubbles[2]->lines[0], wxS("one"));
    EXPECT_EQ(bubbles[2]->lines[2], wxS("three"));
    EXPECT_EQ(view_->GetVirtualSize(), wxSize(400, y + 100));
}

TEST_F(MessageView, LongTextsBreakAtWordsToTheFieldWidth) {
    const wxString words =
        wxS("the quick brown fox jumps over the lazy dog and keeps running far away");
    const wxArrayString lines = view_->WrapLines(words);
    ASSERT_GT(lines.size(), 1u);
    wxString joined;
    for (const wxString& line : lines) {
        EXPECT_LE(view_->GetTextExtent(line).x, 180) << line;
        if (!joined.IsEmpty()) joined += wxS(" ");
        joined += line;
    }
    EXPECT_EQ(joined, words);
    // Texts whose letters join, pairs that kern, wide letters and pictures fit the width too.
    for (const wxString& text :
         {wxString::FromUTF8("مرحبا، كيف حالك؟ مرحبا، كيف حالك؟ مرحبا، كيف حالك؟ مرحبا"),
          wxString::FromUTF8("AVAWAY To Ty Yo We Va AVAWAY To Ty Yo We Va AVAWAY To Ty Yo"),
          wxString::FromUTF8(
              "明天见 明天见明天见 明天见明天见明天见 明天见 明天见明天见明天见明天见"),
          wxString::FromUTF8("Happy birthday!!! 🎉🎂 Happy birthday!!! 🎉🎂 Happy 🎉🎂🎉🎂")}) {
        const wxArrayString broken = view_->WrapLines(text);
        EXPECT_GT(broken.size(), 1u) << text;
        for (const wxString& line : broken) EXPECT_LE(view_->GetTextExtent(line).x, 180) << line;
    }
    EXPECT_EQ(view_->WrapLines(wxString()).size(), 1u);
    EXPECT_EQ(view_->WrapLines(wxS("a\r\nb")).size(), 2u);
    EXPECT_EQ(view_->WrapLines(wxS("a\rb")).size(), 2u);
    // An empty line of the text stays a line.
    const wxArrayString blank = view_->WrapLines(wxS("a\n\nb"));
    ASSERT_EQ(blank.size(), 3u);
    EXPECT_EQ(blank[1], wxString());
    // A word wider than the bubble breaks between characters; nothing is lost.
    const wxString word = wxS("https://example.com/") + wxString(wxS('x'), 80);
    const wxArrayString pieces = view_->WrapLines(wxS("see ") + word);
    ASSERT_GT(pieces.size(), 2u);
    EXPECT_EQ(pieces[0], wxS("see"));
    wxString rest;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        EXPECT_LE(view_->GetTextExtent(pieces[i]).x, 180) << pieces[i];
        rest += pieces[i];
    }
    EXPECT_EQ(rest, word);
}

TEST_F(MessageView, EmptyAndReplacedConversations) {
    Sms empty;
    view_->ShowConversation(&empty);
    EXPECT_TRUE(view_->GetBubbles().empty());
    EXPECT_EQ(view_->GetVirtualSize().y, 120);

    auto first = Conversation({wxS("a"), wxS("b")});
    view_->ShowConversation(first.get());
    ASSERT_EQ(view_->GetBubbles().size(), 2u);
    view_->Clear();
    EXPECT_TRUE(view_->GetBubbles().empty());
    // After a Clear the next conversation deletes nothing twice.
    auto second = Conversation({wxS("c")});
    view_->ShowConversation(second.get());
    EXPECT_EQ(view_->GetBubbles().size(), 1u);
    view_->ShowConversation(first.get());
    EXPECT_EQ(view_->GetBubbles().size(), 2u);
}

TEST_F(MessageView, TheLastOfFiftyBubblesCanBeScrolledIntoView) {
    std::vector<wxString> texts(50, wxS("a message of a few words that may wrap once or twice"));
    auto chat = Conversation(texts);
    view_->ShowConversation(chat.get());
    ASSERT_EQ(view_->GetBubbles().size(), 50u);
    const MessageShow* last = view_->GetBubbles().back();
    const int bottom = last->bottomY + HeightOf(last->bottomBitmap) + 20;
    EXPECT_EQ(view_->GetVirtualSize().y, bottom + 100);
    view_->Scroll(0, bottom);
    gui_test::PumpFor(0.02);
    const int y = view_->CalcUnscrolledPosition(wxPoint(0, 0)).y;
    EXPECT_GT(y, 0);
    // The last bubble lies inside the visible part now.
    EXPECT_LE(last->bottomY - y, view_->GetClientSize().y);
}

TEST_F(MessageView, APaintDrawsTheBubblesInViewAndTheWheelAndKeysScrollByLines) {
    std::vector<wxString> texts(300, wxS("a message of a few words that may wrap once or twice"));
    auto chat = Conversation(texts);
    view_->ShowConversation(chat.get());
    const auto& bubbles = view_->GetBubbles();
    auto top = [this] { return view_->CalcUnscrolledPosition(wxPoint(0, 0)).y; };
    auto inView = [&] { return view_->BubblesBetween(top(), top() + view_->GetClientSize().y); };
    auto end = [](const MessageShow* b) { return b->bottomY + HeightOf(b->bottomBitmap); };

    for (int step = 0; step < 3; ++step) {
        SCOPED_TRACE(step);
        view_->Refresh();
        gui_test::PumpFor(0.05);
        const auto painted = view_->GetPaintedBubbles();
        EXPECT_EQ(painted, inView());
        ASSERT_LT(painted.first, painted.second);
        EXPECT_LT(painted.second - painted.first, 10u);
        // The drawn bubbles meet the view; the one before and the one after do not.
        EXPECT_GT(end(bubbles[painted.first]), top());
        EXPECT_LT(bubbles[painted.second - 1]->bubbleY, top() + view_->GetClientSize().y);
        if (painted.first > 0) {
            EXPECT_LE(end(bubbles[painted.first - 1]), top());
        }
        if (painted.second < bubbles.size()) {
            EXPECT_GE(bubbles[painted.second]->bubbleY, top() + view_->GetClientSize().y);
        }
        EXPECT_EQ(painted.first == 0, step == 0);
        // Further down for the next round.
        view_->Scroll(0, (step + 1) * 200);
    }

    // One wheel notch moves three lines of text.
    int unit = 0;
    view_->GetScrollPixelsPerUnit(nullptr, &unit);
    EXPECT_EQ(unit, bubbles[0]->lineHeight + bubbles[0]->lineSpacing);
    view_->Scroll(0, 100);
    const int before = top();
    wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
    wheel.SetEventObject(view_);
    wheel.m_wheelRotation = -120;
    wheel.m_wheelDelta = 120;
    wheel.m_linesPerAction = 3;
    view_->GetEventHandler()->ProcessEvent(wheel);
    EXPECT_EQ(top() - before, 3 * unit);

    // End, Home and the page keys, pressed after a click into the view.
    ASSERT_TRUE(gui_test::Click(view_));
    wxUIActionSimulator sim;
    const int last = view_->GetVirtualSize().y - view_->GetClientSize().y;
    sim.Char(WXK_END);
    EXPECT_TRUE(gui_test::PumpUntil([&] { return top() >= last - unit; })) << top();
    sim.Char(WXK_HOME);
    EXPECT_TRUE(gui_test::PumpUntil([&] { return top() == 0; })) << top();
    sim.Char(WXK_PAGEDOWN);
    EXPECT_TRUE(gui_test::PumpUntil([&] { return top() > 0; }));
    EXPECT_GE(top(), view_->GetClientSize().y - 2 * unit);
    EXPECT_LE(top(), view_->GetClientSize().y + unit);
    sim.Char(WXK_PAGEUP);
    EXPECT_TRUE(gui_test::PumpUntil([&] { return top() == 0; })) << top();
}

}  // namespace
