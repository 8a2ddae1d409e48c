// The call log of a backup (KIND_CALL_HISTORY), with names filled in from the address book.
#pragma once

#include <string>
#include <vector>

#include "base/wz_base.h"
#include "kind/kind.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"

namespace ib {

class Contact;

// One row of the call log, as display texts.
class Call : public WzBase {
  public:
    std::string name;
    std::string address;
    std::string date;
    std::string type;
    std::string duration;
    std::string country_code;
    std::string network_code;
};

class CallHistory : public Kind {
  public:
    // The queries the reader runs, each with the columns it selects.
    static std::vector<ReaderQuery> Queries();

    CallHistory() = default;
    ~CallHistory() override;
    CallHistory(const CallHistory&) = delete;
    CallHistory& operator=(const CallHistory&) = delete;

    // The backup's address-book reader, borrowed for the name fill.
    void SetContact(Contact* contact) { contact_ = contact; }
    // The calls as an array of dictionaries, or null when no call was read. The call log is read
    // once; later calls answer from what was kept.
    plist_t GetData(Mbdb* mbdb, int typeFilter) override;

    const std::vector<Call*>& Calls() const { return calls_; }

  private:
    void Load(const std::string& path);
    static int OnCallRow(void* context, const SqliteDb::Row& row);
    plist_t ToPlist() const;

    std::vector<Call*> calls_;
    Mbdb* mbdb_ = nullptr;
    Contact* contact_ = nullptr;
};

}  // namespace ib
