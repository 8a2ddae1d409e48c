// The functions of a kind made from its record class: its vector's conversion, count and release,
// and the cells of its columns, each made from the member it shows (a member that no field of the
// record fills does not compile), and the fixed cells and widths of the kinds' columns.
#pragma once

#include <wx/string.h>

#include <cstddef>
#include <string>
#include <type_traits>
#include <vector>

#include "common/string_util.h"
#include "domain/kind_obj.h"
#include "domain/kind_table.h"
#include "kind_fill.h"

namespace kind_cells {

inline const wxString& Blank() {
    static const wxString text;
    return text;
}

template <class Record>
struct Records {
    using List = std::vector<Record*>;

    static const List& Of(const void* records) { return *static_cast<const List*>(records); }
    static const Record& At(const void* records, std::size_t i) {
        return *CheckedPtr(Of(records)[i]);
    }

    static void* Convert(plist_t list) {
        auto* records = new List();
        const std::uint32_t n = kind_fill::ArraySize(list);
        records->reserve(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            auto* record = new Record();
            records->push_back(record);
            kind_fill::Fill(*record, plist_array_get_item(list, i));
        }
        return records;
    }
    static std::size_t Count(const void* records) {
        return records != nullptr ? Of(records).size() : 0;
    }
    static void Free(void* records) {
        auto* list = static_cast<List*>(records);
        if (list == nullptr) return;
        for (Record*& record : *list) TrackedDelete(__FILE__, __LINE__, record);
        TrackedDelete(__FILE__, __LINE__, list);
    }

    // The cell that shows the member.
    template <wxString Record::*Member>
    static const wxString& Text(const void* records, std::size_t i, const wxString&) {
        static_assert(IsFilled(Member), "a column shows a member that no field fills");
        return At(records, i).*Member;
    }

    // The stored file that the member names, as its bytes.
    template <std::string Record::*Member>
    static const std::string& Path(const void* records, std::size_t i) {
        static_assert(IsFilled(Member), "a path that no field fills");
        return At(records, i).*Member;
    }
    // The same path as a text to show (bytes that are not UTF-8 shown as U+FFFD); never opened.
    // The text stays until the next call on the same thread.
    template <std::string Record::*Member>
    static const wxString& PathText(const void* records, std::size_t i, const wxString&) {
        thread_local wxString text;
        const std::string& path = Path<Member>(records, i);
        text = StringUtil::FromUtf8(path.data(), path.size());
        return text;
    }

    // A column that shows the member: in the grid, and on the page with the given cell in each
    // line under the record.
    template <wxString Record::*Member>
    static KindColumn Grid(const char* title, int (*width)(int)) {
        return KindColumn{title, width, &Text<Member>, nullptr, true};
    }
    template <wxString Record::*Member>
    static KindColumn Page(const char* title, KindLineCell line = &NoLine) {
        return KindColumn{title, nullptr, &Text<Member>, line, true};
    }
    static const wxString& NoLine(const void*, std::size_t, std::size_t) { return Blank(); }
};

// What the lines under a record show, for the records that have lines: the record's list of
// line items and the item members or texts their cells show.
template <class Record, class Lines, Lines Record::*List>
struct LinesOf {
    static std::size_t Count(const void* records, std::size_t i) {
        return (Records<Record>::At(records, i).*List).size();
    }
    // Line j's item: a pair held in the list, or a record it points to (null for none).
    static const auto* ItemAt(const void* records, std::size_t i, std::size_t j) {
        const auto& item = (Records<Record>::At(records, i).*List)[j];
        if constexpr (std::is_pointer_v<std::decay_t<decltype(item)>>)
            return static_cast<const std::remove_pointer_t<std::decay_t<decltype(item)>>*>(item);
        else
            return &item;
    }
    // The cell that shows the item's member.
    template <auto Member>
    static const wxString& Text(const void* records, std::size_t i, std::size_t j) {
        const auto* item = ItemAt(records, i, j);
        return item != nullptr ? item->*Member : Blank();
    }
};

using ContactLines = LinesOf<Contact, Contact::Properties, &Contact::properties>;
using MessageLines = LinesOf<Sms, std::vector<Message*>, &Sms::messages>;

// "Sent" for a message of the device's owner, "Received" for any other.
inline const wxString& SentOrReceived(const void* records, std::size_t i, std::size_t j) {
    static const wxString sent(wxS("Sent")), received(wxS("Received"));
    const Message* message = MessageLines::ItemAt(records, i, j);
    if (message == nullptr) return Blank();
    return message->type != 0 ? sent : received;
}

inline std::size_t NoLines(const void*, std::size_t) {
    return 0;
}

// Widths: a fixed one, and what the grid's width leaves beside the other columns.
template <int Pixels>
int Px(int) {
    return Pixels;
}
template <int Pixels>
int AllBut(int gridWidth) {
    return gridWidth - Pixels;
}

// Cells that are the same in every row.
inline const wxString& BlankLine(const void*, std::size_t, std::size_t) {
    return Blank();
}
inline const wxString& Dash(const void*, std::size_t, const wxString&) {
    static const wxString text(wxS("-"));
    return text;
}
inline const wxString& Ellipsis(const void*, std::size_t, const wxString&) {
    static const wxString text(wxS("..."));
    return text;
}
inline const wxString& Arrow(const void*, std::size_t, const wxString&) {
    static const wxString text(wxS("->"));
    return text;
}
inline const wxString& ArrowLine(const void*, std::size_t, std::size_t) {
    static const wxString text(wxS("->"));
    return text;
}
// The record's number on the page.
inline const wxString& Number(const void*, std::size_t, const wxString& number) {
    return number;
}

inline KindColumn GridFixed(const char* title, int (*width)(int), KindCell cell) {
    return KindColumn{title, width, cell, nullptr, false};
}
inline KindColumn PageFixed(const char* title, KindCell cell, KindLineCell line = &BlankLine) {
    return KindColumn{title, nullptr, cell, line, false};
}

}  // namespace kind_cells
