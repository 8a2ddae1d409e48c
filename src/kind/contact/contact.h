// The address book of a backup (KIND_CONTACTS); also turns phone numbers and addresses into the
// names of their owners for the call history and the messages.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/wz_base.h"
#include "kind/kind.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"

namespace ib {

// One labelled value of a person: a phone number, an e-mail address, a web page...
struct PersonProperty {
    std::string label;
    std::string value;
};

class Person : public WzBase {
  public:
    ~Person() override;

    std::int32_t id = 0;
    std::string name;
    std::string organization;
    std::string department;
    std::string note;
    std::string birthday;
    std::string jobTitle;
    std::string nickName;
    std::string creationDate;
    std::vector<PersonProperty*> properties;  // owned, in row order
};

class Contact : public Kind {
  public:
    // The queries the reader runs, each with the columns it selects.
    static std::vector<ReaderQuery> Queries();

    Contact() = default;
    ~Contact() override;
    Contact(const Contact&) = delete;
    Contact& operator=(const Contact&) = delete;

    // Every person in ascending record id; always an array, possibly empty. A person's
    // "properties" keep every value in row order, a repeated label numbered ("Mobile (2)"), a
    // repeated value without a label too ("(2)"); a value kept in parts (an address) as one text.
    // The address book is read once; later calls answer from what was kept.
    plist_t GetData(Mbdb* mbdb, int typeFilter) override;

    // The name of the first person (ascending id) with a property whose value equals phone
    // byte for byte, the first such property deciding; null when none has it or phone is empty.
    // The text stays valid while this reader lives. Reads the address book at the first call.
    const char* FindNameByPhone(Mbdb* mbdb, const char* phone);

    const std::map<std::int32_t, Person*>& Persons() const { return persons_; }

    // The label of a stored address-book label: the text inside _$!<...>!$_, or the text as it is.
    static std::string CleanLabel(const char* stored);
    // A value made only of digits and dashes loses its dashes; any other value stays as it is.
    static std::string CleanValue(const char* stored);
    // A birthday or another date of a person, stored as seconds since 2001-01-01 UTC: the day
    // they name in UTC, "1984-05-17" (a birthday is a day, not an instant), or "--05-17" for the
    // year 1604, which stands for a year the user left out. Any other text stays as it is.
    static std::string CleanDate(const char* stored);

  private:
    void Load(Mbdb* mbdb);
    void RunQueries(const std::string& path);
    static int OnPersonRow(void* context, const SqliteDb::Row& row);
    static int OnMultiValueRow(void* context, const SqliteDb::Row& row);
    static int OnEntryRow(void* context, const SqliteDb::Row& row);
    plist_t ToPlist() const;
    void BuildIndex();
    void Clear();

    std::map<std::int32_t, Person*> persons_;
    Mbdb* mbdb_ = nullptr;
    // Where the address book lies in the manifest of locatedIn_: a manifest does not change once
    // parsed, and a backup without persons is asked again at every lookup of a name fill.
    const Mbdb* locatedIn_ = nullptr;
    std::string located_;
    // Value -> name of its first owner in the order of the walk over persons and properties;
    // built at the first lookup after a load.
    std::unordered_map<std::string_view, const std::string*> nameIndex_;
    bool indexed_ = false;
};

}  // namespace ib
