#include "gen/hostile_db.h"

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "gen/device_db.h"

namespace gen {

namespace {

std::uint32_t Get32(const std::string& b, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3]));
}

std::uint32_t Get16(const std::string& b, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1]));
}

void Put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

// An SQLite varint at b[at]: its value and its length.
std::uint64_t GetVarint(const std::string& b, std::size_t at, std::size_t* length) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < 9; ++i) {
        const auto c = static_cast<unsigned char>(b[at + i]);
        if (i == 8) {
            *length = 9;
            return (v << 8) | c;
        }
        v = (v << 7) | (c & 0x7F);
        if ((c & 0x80) == 0) {
            *length = i + 1;
            return v;
        }
    }
    return v;
}

// A value below 2^21 as a varint of exactly three bytes.
void PutVarint3(std::string& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<char>(0x80 | ((v >> 14) & 0x7F));
    b[at + 1] = static_cast<char>(0x80 | ((v >> 7) & 0x7F));
    b[at + 2] = static_cast<char>(v & 0x7F);
}

// The root page of table in the database bytes.
std::uint32_t RootPage(const std::string& database, const char* table) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    auto* copy = static_cast<unsigned char*>(sqlite3_malloc64(database.size()));
    std::copy(database.begin(), database.end(), copy);
    std::uint32_t root = 0;
    if (sqlite3_deserialize(db, "main", copy, static_cast<sqlite3_int64>(database.size()),
                            static_cast<sqlite3_int64>(database.size()),
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY) ==
        SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "select rootpage from sqlite_master where name = ?1", -1, &stmt,
                           nullptr);
        sqlite3_bind_text(stmt, 1, table, -1, SQLITE_STATIC);
        if (sqlite3_step(stmt) == SQLITE_ROW) {
            root = static_cast<std::uint32_t>(sqlite3_column_int64(stmt, 0));
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    if (root == 0) throw std::runtime_error(std::string("no table ") + table);
    return root;
}

// The leaf pages of the table b-tree at root, in key order.
void LeafPages(const std::string& b, std::size_t pageSize, std::uint32_t page,
               std::vector<std::uint32_t>* leaves) {
    const std::size_t base = (page - 1) * pageSize;
    const std::size_t header = base + (page == 1 ? 100 : 0);
    const auto type = static_cast<unsigned char>(b[header]);
    if (type == 0x0D) {
        leaves->push_back(page);
        return;
    }
    if (type != 0x05) throw std::runtime_error("not a table page");
    const std::uint32_t cells = Get16(b, header + 3);
    for (std::uint32_t i = 0; i < cells; ++i) {
        const std::size_t cell = base + Get16(b, header + 12 + 2 * i);
        LeafPages(b, pageSize, Get32(b, cell), leaves);
    }
    LeafPages(b, pageSize, Get32(b, header + 8), leaves);
}

}  // namespace

std::string LoopedCallHistoryDb(std::size_t rows, std::size_t textBytes) {
    // Rows of a few dozen bytes (with a name long enough that the cell has room for an overflow
    // pointer once its payload is made long) on pages of 1 KiB, where a cell keeps at least 103
    // bytes on its page before it overflows.
    std::vector<CallRow> calls(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        calls[i].address = "+15551234567";
        calls[i].date = 1400000000 + static_cast<long long>(i);
        calls[i].duration = 60;
        calls[i].flags = 4;
        calls[i].name = std::string(100, 'A');
    }
    std::string b = Repage(CallHistoryDb(calls), 1024);
    const std::size_t pageSize = 1024;
    const std::size_t usable = pageSize - static_cast<unsigned char>(b[20]);
    const std::size_t minLocal = (usable - 12) * 32 / 255 - 23;
    const std::size_t maxLocal = (usable - 12) * 64 / 255 - 23;
    // The page every chain runs on: a new last page (not one a pointer map of an auto-vacuum
    // database sits on) whose next overflow page is itself.
    std::uint32_t pages = static_cast<std::uint32_t>(b.size() / pageSize);
    auto isPointerMap = [&](std::uint32_t p) {
        const std::uint32_t perMap = static_cast<std::uint32_t>(usable / 5) + 1;
        return p >= 2 && (p - 2) % perMap == 0;
    };
    std::uint32_t loop = pages + 1;
    if (Get32(b, 52) != 0 && isPointerMap(loop)) ++loop;
    b.resize(loop * pageSize, '\0');
    Put32(b, 28, loop);
    Put32(b, (loop - 1) * pageSize, loop);
    std::fill(b.begin() + static_cast<std::ptrdiff_t>((loop - 1) * pageSize + 4), b.end(), 'B');

    std::vector<std::uint32_t> leaves;
    LeafPages(b, pageSize, RootPage(b, "call"), &leaves);
    for (std::uint32_t page : leaves) {
        const std::size_t base = (page - 1) * pageSize;
        const std::size_t header = base + (page == 1 ? 100 : 0);
        const std::uint32_t cells = Get16(b, header + 3);
        for (std::uint32_t i = 0; i < cells; ++i) {
            const std::size_t cell = base + Get16(b, header + 8 + 2 * i);
            std::size_t n = 0;
            const std::uint64_t payload = GetVarint(b, cell, &n);
            std::size_t r = 0;
            GetVarint(b, cell + n, &r);
            const std::string rowid = b.substr(cell + n, r);
            // The same cell size with a payload varint of three bytes and an overflow pointer.
            const std::size_t local = payload + n - 7;
            if (payload > maxLocal || local < minLocal || local > maxLocal) {
                throw std::runtime_error("call row of an unexpected size");
            }
            std::size_t k = (textBytes + 10 + usable - 4 - 1) / (usable - 4);
            const std::uint32_t newPayload = static_cast<std::uint32_t>(local + k * (usable - 4));
            const std::uint32_t text = newPayload - 10;
            if (2 * text + 13 >= (1u << 21)) throw std::runtime_error("text too long");
            PutVarint3(b, cell, newPayload);
            b.replace(cell + 3, r, rowid);
            // The record: the row id, address, date, duration, flags and id NULL, the name a
            // text that the local bytes begin and the looping chain goes on with.
            const std::size_t record = cell + 3 + r;
            b[record] = 10;
            for (int c = 1; c <= 6; ++c) b[record + c] = 0;
            PutVarint3(b, record + 7, 2 * text + 13);
            std::fill(b.begin() + static_cast<std::ptrdiff_t>(record + 10),
                      b.begin() + static_cast<std::ptrdiff_t>(record + local), 'A');
            Put32(b, record + local, loop);
        }
    }
    return b;
}

std::string OneHandleSmsDb(std::size_t chats, std::size_t messages) {
    SmsData data;
    HandleRow handle;
    handle.rowid = 1;
    handle.id = "+15551234567";
    handle.uncanonicalized_id = "5551234567";
    data.handles.push_back(handle);
    for (std::size_t i = 0; i < chats; ++i) {
        ChatRow chat;
        chat.rowid = static_cast<std::int64_t>(i + 1);
        chat.chat_identifier = "+15551234567";
        chat.handles = {1};
        data.chats.push_back(chat);
    }
    for (std::size_t i = 0; i < messages; ++i) {
        MessageRow m;
        m.rowid = static_cast<std::int64_t>(i + 1);
        m.handle_id = 1;
        m.text = "See you at eight";
        m.date = 400000000 + static_cast<long long>(i) * 60;
        data.messages.push_back(m);
    }
    return SmsDb(data);
}

std::string EmptyCallHistoryDb(std::size_t rows) {
    return CallHistoryDb(std::vector<CallRow>(rows));
}

}  // namespace gen
