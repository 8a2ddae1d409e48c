#include "kind/call/call_history.h"

#include "ib/ib_util.h"
#include "ib/kind_keys.h"
#include "kind/contact/contact.h"
#include "kind/kind_util.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"

namespace ib {

namespace key = ib::keys::call;

namespace {

const char kFile[] = "src/kind/call/call_history";
const char kDevicePath[] = "Library/CallHistory/call_history.db";
const char kCallColumns[] = "call: name address date flags duration country_code network_code";
struct CallQuery {
    static constexpr char kSql[] =
        "select name,address,date,flags,duration,country_code,network_code from call";
    enum Column { kName, kAddress, kDate, kFlags, kDuration, kCountryCode, kNetworkCode, kCount };
    static constexpr const char* kNames[] = {"name",     "address",      "date",        "flags",
                                             "duration", "country_code", "network_code"};
};

const char* CallType(std::int64_t flags) {
    if (flags == 4) return "Incoming";
    if (flags == 5) return "Outgoing";
    return "Unknown";
}

}  // namespace

CallHistory::~CallHistory() {
    for (Call*& call : calls_) TrackedDelete(kFile, __LINE__, call);
}

plist_t CallHistory::GetData(Mbdb* mbdb, int /*typeFilter*/) {
    if (calls_.empty()) {
        mbdb_ = mbdb;
        const std::string path = KindUtil::LocateFirst(mbdb, kDevicePath);
        if (!path.empty()) Load(path);
    }
    return ToPlist();
}

void CallHistory::Load(const std::string& path) {
    SqliteDb db(path, {kCallColumns});
    if (!db.ExecRows(CallQuery::kSql, &CallHistory::OnCallRow, &calls_)) return;
    // Names are filled in only from a call log that was read whole.
    if (contact_ == nullptr) return;
    Contact* contact = CheckedPtr(contact_);
    for (Call* call : calls_) {
        CheckedPtr(call);
        if (!call->name.empty()) continue;
        const char* name = contact->FindNameByPhone(mbdb_, call->address.c_str());
        if (name != nullptr) call->name = name;
    }
}

std::vector<ReaderQuery> CallHistory::Queries() {
    return {ReaderQuery::Fixed<CallQuery>("CallQuery", kDevicePath, kCallColumns)};
}

int CallHistory::OnCallRow(void* context, const SqliteDb::Row& row) {
    auto* calls = static_cast<std::vector<Call*>*>(context);
    Call* call = new Call;
    call->name = KindUtil::Text(row.Text(CallQuery::kName));
    call->address = KindUtil::Text(row.Text(CallQuery::kAddress));
    call->date = KindUtil::UnixDate(row.Text(CallQuery::kDate));
    call->type = CallType(KindUtil::Number(row.Text(CallQuery::kFlags)));
    call->duration = KindUtil::Duration(KindUtil::Number(row.Text(CallQuery::kDuration)));
    call->country_code = KindUtil::Text(row.Text(CallQuery::kCountryCode));
    call->network_code = KindUtil::Text(row.Text(CallQuery::kNetworkCode));
    calls->push_back(call);
    return 0;
}

plist_t CallHistory::ToPlist() const {
    if (calls_.empty()) return nullptr;
    plist_t array = plist_new_array();
    for (const Call* call : calls_) {
        CheckedPtr(call);
        plist_t dict = plist_new_dict();
        DictInsertString(dict, key::kName, call->name.c_str());
        DictInsertString(dict, key::kAddress, call->address.c_str());
        DictInsertString(dict, key::kDate, call->date.c_str());
        DictInsertString(dict, key::kType, call->type.c_str());
        DictInsertString(dict, key::kDuration, call->duration.c_str());
        DictInsertString(dict, key::kCountryCode, call->country_code.c_str());
        DictInsertString(dict, key::kNetworkCode, call->network_code.c_str());
        plist_array_append_item(array, dict);
    }
    return array;
}

}  // namespace ib
