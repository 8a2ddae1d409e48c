// Device databases shaped to make a reader spend: each is a database SQLite opens and whose
// cells pass its checks, so that only what the rows amount to is hostile.
#pragma once

#include <cstddef>
#include <string>

namespace gen {

// A call history of rows call rows (pages of 1 KiB, a few cells each) whose name is a text of
// about textBytes that runs on in an overflow chain of one page that names itself as the next:
// every row reads as textBytes of text, while the file holds one overflow page. SQLite follows no
// chain longer than the file has pages, so textBytes is at most about 1 KB for every 7 rows (and
// less than 1 MiB).
std::string LoopedCallHistoryDb(std::size_t rows, std::size_t textBytes);

// A message database of chats chats that all include one handle, and messages messages of that
// handle, without chat_message_join rows: a message belongs to every chat that includes its
// handle, so the handle-based reading makes chats x messages rows.
std::string OneHandleSmsDb(std::size_t chats, std::size_t messages);

// A call history of rows calls without address, date, duration, flags or name: about the
// smallest rows a call table holds.
std::string EmptyCallHistoryDb(std::size_t rows);

}  // namespace gen
