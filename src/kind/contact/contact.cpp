#include "kind/contact/contact.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "ib/ib_util.h"
#include "ib/kind_keys.h"
#include "kind/contact/text_dict.h"
#include "kind/kind_util.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"
#include "kind/table_columns.h"

namespace ib {

namespace key = ib::keys::contacts;

namespace {

const char kFile[] = "src/kind/contact/contact";
const char kDevicePath[] = "Library/AddressBook/AddressBook.sqlitedb";
const char kPersonColumns[] =
    "ABPerson: ROWID First Middle Last Organization Department Note Birthday JobTitle Nickname "
    "CreationDate";
const char kMultiValueColumns[] =
    "ABMultiValue: record_id label value UID property; ABMultiValueLabel: ROWID value";
const char kEntryColumns[] =
    "ABMultiValueEntry: parent_id key value; ABMultiValueEntryKey: ROWID value";
struct PersonQuery {
    static constexpr char kSql[] =
        "select rowid as record_id, (ifnull(First,'')||' '|| ifnull(Middle,'')|| ' ' || "
        "ifnull(Last,'')) as name,Organization,Department,Note,Birthday,JobTitle,Nickname,"
        "CreationDate from ABPerson";
    enum Column {
        kRecordId,
        kName,
        kOrganization,
        kDepartment,
        kNote,
        kBirthday,
        kJobTitle,
        kNickname,
        kCreationDate,
        kCount
    };
    static constexpr const char* kNames[] = {"record_id",  "name",     "Organization",
                                             "Department", "Note",     "Birthday",
                                             "JobTitle",   "Nickname", "CreationDate"};
};
// The multi-values with their UID and property, where the table has them; a NULL value may be
// kept in parts.
struct MultiValueQuery {
    static std::string Sql(SqliteDb& db) {
        static const char kSelect[] = "select  m.record_id, l.value as type,m.value,";
        static const char kFrom[] =
            " from ABMultiValue m left join ABMultiValueLabel l on l.rowid=m.label;";
        const TableColumns multiValue(db, "ABMultiValue");
        return kSelect + multiValue.Or("m", "UID") + "," + multiValue.Or("m", "property") + kFrom;
    }
    enum Column { kRecordId, kLabel, kValue, kUid, kProperty, kCount };
    static constexpr const char* kNames[] = {"record_id", "type", "value", "UID", "property"};
};
struct EntryQuery {
    static constexpr char kSql[] =
        "select e.parent_id, k.value, e.value from ABMultiValueEntry e left join "
        "ABMultiValueEntryKey k on k.rowid = e.key";
    // The multi-value the part belongs to, the part's key and its value.
    enum Column { kParentId, kKey, kValue, kCount };
    static constexpr const char* kNames[] = {"parent_id", "value", "value"};
};

std::string TakeOrEmpty(char* text) {
    std::string out = text ? std::string(text) : std::string();
    std::free(text);
    return out;
}

struct PersonRows {
    std::map<std::int32_t, Person*>* persons;
};

// The multi-value of ABPersonAddressProperty: a postal address, kept in parts.
constexpr std::int64_t kAddressProperty = 5;
// The multi-value of ABPersonDateProperty: an anniversary or another date, in seconds since 2001.
constexpr std::int64_t kDateProperty = 12;
// The year the address book gives a date whose year the user left out.
constexpr long kNoYear = 1604;
// 2001-01-01 counted in days from 1970-01-01.
constexpr long kDays2001 = 11323;

// Whether the text is a number as SQLite writes one: an optional sign, digits, an optional
// fraction and exponent; no blank anywhere.
bool IsNumberText(const char* p) {
    if (*p == '-' || *p == '+') ++p;
    const char* digits = p;
    while (*p >= '0' && *p <= '9') ++p;
    if (p == digits) return false;
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') ++p;
    }
    if (*p == 'e' || *p == 'E') {
        ++p;
        if (*p == '-' || *p == '+') ++p;
        const char* exponent = p;
        while (*p >= '0' && *p <= '9') ++p;
        if (p == exponent) return false;
    }
    return *p == 0;
}

// The day of the proleptic Gregorian calendar that lies days after 1970-01-01.
void CivilDay(long days, long* year, int* month, int* day) {
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long dayOfEra = days - era * 146097;
    const long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long shifted = (5 * dayOfYear + 2) / 153;
    *day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    *month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    *year = yearOfEra + era * 400 + (*month <= 2 ? 1 : 0);
}

// A value the phone keeps in parts (ABMultiValueEntry): the property it fills in, and its kind.
struct PartedValue {
    PersonProperty* property;
    std::int64_t kind;
    // key name -> value, in row order
    std::vector<std::pair<std::string, std::string>> parts;
};

// What the multi-value rows are read into: the persons, and the values that the rows leave
// empty, by their UID, to be filled in from their parts.
struct ValueRows {
    std::map<std::int32_t, Person*>* persons;
    std::unordered_map<std::int64_t, PartedValue> parted;
};

// An address in the order the phone shows it; the other parts of an address (the country code,
// say) are not shown.
const char* const kAddressParts[] = {"Street", "City", "State", "ZIP", "Country"};

// The text of a value kept in parts: an address as its parts joined by ", ", anything else
// (instant messaging, a social profile) as "key: value" pairs joined by ", ". Empty parts go.
std::string JoinParts(const PartedValue& v) {
    std::string out;
    auto add = [&out](const std::string& text) {
        if (!out.empty()) out += ", ";
        out += text;
    };
    if (v.kind == kAddressProperty) {
        for (const char* key : kAddressParts) {
            for (const auto& part : v.parts) {
                if (!part.second.empty() && part.first == key) add(part.second);
            }
        }
        return out;
    }
    for (const auto& part : v.parts) {
        if (part.second.empty()) continue;
        add(part.first.empty() ? part.second : part.first + ": " + part.second);
    }
    return out;
}

// Whether a label comes more than once. A person has a few properties, compared pairwise; many
// go through a hash set.
bool HasRepeatedLabel(const std::vector<PersonProperty*>& properties) {
    const std::size_t n = properties.size();
    if (n <= 16) {
        for (std::size_t i = 1; i < n; ++i) {
            const std::string& label = properties[i]->label;
            for (std::size_t j = 0; j < i; ++j) {
                if (properties[j]->label == label) return true;
            }
        }
        return false;
    }
    std::unordered_set<std::string_view> seen;
    seen.reserve(n);
    for (const PersonProperty* p : properties) {
        if (!seen.insert(p->label).second) return true;
    }
    return false;
}

// The dictionary key of each property of a person, in row order. A dictionary holds a key once,
// so the first value of a label keeps the label and each later value of it is numbered:
// "Mobile", "Mobile (2)", "Mobile (3)"; values without a label are "", "(2)", "(3)". A number
// that the person also has as a label of its own ("Mobile (2)" typed by the user) is skipped, so
// that no two values share a key. Each label's count goes on where it stopped, so every key is
// tried at most once per label: linear in the properties.
std::vector<std::string> PropertyKeys(const std::vector<PersonProperty*>& properties) {
    std::vector<std::string> keys;
    keys.reserve(properties.size());
    for (const PersonProperty* p : properties) keys.push_back(p->label);
    if (!HasRepeatedLabel(properties)) return keys;
    // Every label, and every number given out, is taken.
    std::unordered_set<std::string> taken(keys.begin(), keys.end());
    std::unordered_map<std::string_view, int> next;
    std::unordered_set<std::string_view> seen;
    next.reserve(properties.size());
    seen.reserve(properties.size());
    for (std::size_t i = 0; i < properties.size(); ++i) {
        const std::string& label = properties[i]->label;
        if (seen.insert(label).second) continue;
        int& n = next.emplace(label, 2).first->second;
        do {
            const std::string number = "(" + std::to_string(n++) + ")";
            keys[i] = label.empty() ? number : label + " " + number;
        } while (!taken.insert(keys[i]).second);
    }
    return keys;
}

}  // namespace

Person::~Person() {
    for (PersonProperty*& p : properties) {
        delete p;
        p = nullptr;
    }
}

Contact::~Contact() {
    Clear();
}

void Contact::Clear() {
    for (auto& entry : persons_) TrackedDelete(kFile, __LINE__, entry.second);
    persons_.clear();
    nameIndex_.clear();
    indexed_ = false;
}

plist_t Contact::GetData(Mbdb* mbdb, int /*typeFilter*/) {
    if (persons_.empty()) Load(mbdb);
    return ToPlist();
}

void Contact::Load(Mbdb* mbdb) {
    mbdb_ = mbdb;
    nameIndex_.clear();
    indexed_ = false;
    if (mbdb == nullptr || mbdb != locatedIn_) {
        located_ = KindUtil::LocateFirst(mbdb, kDevicePath);
        locatedIn_ = mbdb;
    }
    if (!located_.empty()) RunQueries(located_);
}

void Contact::RunQueries(const std::string& path) {
    SqliteDb db(path, {kPersonColumns, kMultiValueColumns, kEntryColumns});
    PersonRows rows{&persons_};
    if (!db.ExecRows(PersonQuery::kSql, &Contact::OnPersonRow, &rows)) return;
    const std::string sql = MultiValueQuery::Sql(db);
    ValueRows values{&persons_, {}};
    db.ExecRows(sql.c_str(), &Contact::OnMultiValueRow, &values);
    if (values.parted.empty()) return;
    db.ExecRows(EntryQuery::kSql, &Contact::OnEntryRow, &values.parted);
    for (auto& entry : values.parted) {
        if (!entry.second.parts.empty()) entry.second.property->value = JoinParts(entry.second);
    }
}

std::vector<ReaderQuery> Contact::Queries() {
    return {ReaderQuery::Fixed<PersonQuery>("PersonQuery", kDevicePath, kPersonColumns),
            ReaderQuery::Built<MultiValueQuery>("MultiValueQuery", kDevicePath, kMultiValueColumns),
            ReaderQuery::Fixed<EntryQuery>("EntryQuery", kDevicePath, kEntryColumns)};
}

int Contact::OnPersonRow(void* context, const SqliteDb::Row& row) {
    auto* rows = static_cast<PersonRows*>(context);
    auto* persons = rows->persons;
    Person* person = new Person;
    person->id = KindUtil::Number32(row.Text(PersonQuery::kRecordId));
    person->name = TakeOrEmpty(SplitJoin(row.Text(PersonQuery::kName), " ", " "));
    person->organization = KindUtil::Text(row.Text(PersonQuery::kOrganization));
    person->department = KindUtil::Text(row.Text(PersonQuery::kDepartment));
    person->note = KindUtil::Text(row.Text(PersonQuery::kNote));
    person->birthday = CleanDate(row.Text(PersonQuery::kBirthday));
    person->jobTitle = KindUtil::Text(row.Text(PersonQuery::kJobTitle));
    person->nickName = KindUtil::Text(row.Text(PersonQuery::kNickname));
    const char* created = row.Text(PersonQuery::kCreationDate);
    if (created != nullptr && *created != 0) {
        person->creationDate = KindUtil::AppleDate(created);
    }
    // A second row with the same id replaces the first.
    Person*& slot = (*persons)[person->id];
    TrackedDelete(kFile, __LINE__, slot);
    slot = person;
    return 0;
}

std::string Contact::CleanLabel(const char* stored) {
    if (stored == nullptr || *stored == 0) return std::string();
    static const char kOpen[] = "_$!<";
    static const char kClose[] = ">!$_";
    const char* open = std::strstr(stored, kOpen);
    if (open == nullptr) return stored;
    const char* start = open + std::strlen(kOpen);
    const char* close = std::strstr(start, kClose);
    return close ? std::string(start, close) : std::string(start);
}

std::string Contact::CleanValue(const char* stored) {
    if (stored == nullptr || *stored == 0) return std::string();
    if (IsDigitsOr(stored, '-')) return TakeOrEmpty(SplitJoin(stored, "-", nullptr));
    return stored;
}

std::string Contact::CleanDate(const char* stored) {
    if (stored == nullptr || *stored == 0) return std::string();
    if (!IsNumberText(stored)) return stored;
    // Read whatever the locale's decimal separator is.
    const char* start = *stored == '+' ? stored + 1 : stored;
    double seconds = 0;
    const std::from_chars_result read = std::from_chars(start, start + std::strlen(start), seconds);
    // Years 1 to 9999 lie within about 3e11 seconds of 2001: anything beyond is no date.
    if (read.ec != std::errc() || !(std::fabs(seconds) < 1e12)) return stored;
    long year = 0;
    int month = 0;
    int day = 0;
    CivilDay(kDays2001 + static_cast<long>(std::floor(seconds / 86400.0)), &year, &month, &day);
    if (year < 1 || year > 9999) return stored;
    char text[16];
    if (year == kNoYear) {
        std::snprintf(text, sizeof text, "--%02d-%02d", month, day);
    } else {
        std::snprintf(text, sizeof text, "%04ld-%02d-%02d", year, month, day);
    }
    return text;
}

int Contact::OnMultiValueRow(void* context, const SqliteDb::Row& row) {
    auto* rows = static_cast<ValueRows*>(context);
    const char* recordId = row.Text(MultiValueQuery::kRecordId);
    auto it = rows->persons->find(KindUtil::Number32(recordId));
    if (it == rows->persons->end()) return 0;
    auto* property = new PersonProperty;
    property->label = CleanLabel(row.Text(MultiValueQuery::kLabel));
    const char* value = row.Text(MultiValueQuery::kValue);
    const std::int64_t kind = KindUtil::Number(row.Text(MultiValueQuery::kProperty));
    property->value = kind == kDateProperty ? CleanDate(value) : CleanValue(value);
    CheckedPtr(it->second)->properties.push_back(property);
    // A value the phone keeps in parts has none of its own.
    const char* uid = row.Text(MultiValueQuery::kUid);
    if ((value == nullptr || *value == 0) && uid != nullptr) {
        rows->parted[KindUtil::Number(uid)] = PartedValue{property, kind, {}};
    }
    return 0;
}

int Contact::OnEntryRow(void* context, const SqliteDb::Row& row) {
    auto* parted = static_cast<std::unordered_map<std::int64_t, PartedValue>*>(context);
    const char* parent = row.Text(EntryQuery::kParentId);
    if (parent == nullptr) return 0;
    auto it = parted->find(KindUtil::Number(parent));
    if (it == parted->end()) return 0;
    it->second.parts.emplace_back(KindUtil::Text(row.Text(EntryQuery::kKey)),
                                  KindUtil::Text(row.Text(EntryQuery::kValue)));
    return 0;
}

plist_t Contact::ToPlist() const {
    plist_t array = plist_new_array();
    for (const auto& entry : persons_) {
        const Person* person = CheckedPtr(entry.second);
        plist_t dict = plist_new_dict();
        plist_dict_set_item(dict, key::kId, plist_new_uint(static_cast<std::uint32_t>(person->id)));
        DictInsertString(dict, key::kName, person->name.c_str());
        DictInsertString(dict, key::kOrganization, person->organization.c_str());
        DictInsertString(dict, key::kDepartment, person->department.c_str());
        DictInsertString(dict, key::kNote, person->note.c_str());
        DictInsertString(dict, key::kBirthday, person->birthday.c_str());
        DictInsertString(dict, key::kJobTitle, person->jobTitle.c_str());
        DictInsertString(dict, key::kNickName, person->nickName.c_str());
        DictInsertString(dict, key::kCreationDate, person->creationDate.c_str());
        // The keys differ from each other, and the dictionary keeps the properties in row order.
        const std::vector<std::string> keys = PropertyKeys(person->properties);
        std::vector<const char*> texts;
        texts.reserve(keys.size());
        for (const PersonProperty* p : person->properties) texts.push_back(p->value.c_str());
        plist_dict_set_item(dict, key::kProperties, NewTextDict(keys, texts));
        plist_array_append_item(array, dict);
    }
    return array;
}

void Contact::BuildIndex() {
    nameIndex_.clear();
    std::size_t values = 0;
    for (const auto& entry : persons_) values += entry.second->properties.size();
    nameIndex_.reserve(values);
    for (const auto& entry : persons_) {
        const Person* person = CheckedPtr(entry.second);
        for (const PersonProperty* p : person->properties) {
            if (p->value.empty()) continue;
            // emplace keeps the first owner: the one the walk in ascending id would meet first.
            nameIndex_.emplace(p->value, &person->name);
        }
    }
    indexed_ = true;
}

const char* Contact::FindNameByPhone(Mbdb* mbdb, const char* phone) {
    if (phone == nullptr) return nullptr;
    if (persons_.empty()) Load(mbdb);
    if (*phone == 0 || persons_.empty()) return nullptr;
    if (!indexed_) BuildIndex();
    auto it = nameIndex_.find(std::string_view(phone));
    return it == nameIndex_.end() ? nullptr : it->second->c_str();
}

}  // namespace ib
