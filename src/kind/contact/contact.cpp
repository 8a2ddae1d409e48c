#include "kind/contact/contact.h"

#include <cstdlib>
#include <cstring>
#include <set>
#include <string_view>

#include "ib/ib_util.h"
#include "kind/kind_util.h"
#include "kind/sqlite_db.h"

namespace {

const char kFile[] = "src/kind/contact/contact";
const char kDevicePath[] = "Library/AddressBook/AddressBook.sqlitedb";
const char kPersonSql[] =
    "select rowid as record_id, (ifnull(First,'')||' '|| ifnull(Middle,'')|| ' ' || "
    "ifnull(Last,'')) as name,Organization,Department,Note,Birthday,JobTitle,Nickname,"
    "CreationDate from ABPerson";
const char kMultiValueSql[] =
    "select  m.record_id, l.value as type,m.value from ABMultiValue m left join "
    "ABMultiValueLabel l on l.rowid=m.label;";

std::string TakeOrEmpty(char* text) {
    std::string out = text ? std::string(text) : std::string();
    std::free(text);
    return out;
}

struct PersonRows {
    std::map<std::int32_t, Person*>* persons;
};

// The dictionary key of each property of a person, in row order. A dictionary holds a key once,
// so the first value of a label keeps the label and each later value of it is numbered:
// "Mobile", "Mobile (2)", "Mobile (3)". A number that the person also has as a label of its own
// ("Mobile (2)" typed by the user) is skipped, so that no two values share a key. Values without
// a label all go under the empty key, which the program does not show.
// Whether a non-empty label comes more than once. A person has a few properties, compared pairwise;
// many go through a set.
bool HasRepeatedLabel(const std::vector<PersonProperty*>& properties) {
    const std::size_t n = properties.size();
    if (n <= 16) {
        for (std::size_t i = 1; i < n; ++i) {
            const std::string& label = properties[i]->label;
            if (label.empty()) continue;
            for (std::size_t j = 0; j < i; ++j) {
                if (properties[j]->label == label) return true;
            }
        }
        return false;
    }
    std::set<std::string_view> seen;
    for (const PersonProperty* p : properties) {
        if (!p->label.empty() && !seen.insert(p->label).second) return true;
    }
    return false;
}

std::vector<std::string> PropertyKeys(const std::vector<PersonProperty*>& properties) {
    std::vector<std::string> keys;
    keys.reserve(properties.size());
    for (const PersonProperty* p : properties) keys.push_back(p->label);
    if (!HasRepeatedLabel(properties)) return keys;
    // Every label, and every number given out, is taken.
    std::set<std::string> taken(keys.begin(), keys.end());
    std::map<std::string_view, int> next;
    std::set<std::string_view> seen;
    for (std::size_t i = 0; i < properties.size(); ++i) {
        const std::string& label = properties[i]->label;
        if (label.empty() || seen.insert(label).second) continue;
        int& n = next.emplace(label, 2).first->second;
        do {
            keys[i] = label + " (" + std::to_string(n++) + ")";
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
    SqliteDb db(path);
    PersonRows rows{&persons_};
    if (!db.Exec(kPersonSql, &Contact::OnPersonRow, &rows)) return;
    db.Exec(kMultiValueSql, &Contact::OnMultiValueRow, &persons_);
}

int Contact::OnPersonRow(void* context, int columns, char** values, char** /*names*/) {
    auto* rows = static_cast<PersonRows*>(context);
    auto* persons = rows->persons;
    Person* person = new Person;
    person->id = KindUtil::Number32(KindUtil::Column(columns, values, 0));
    person->name = TakeOrEmpty(SplitJoin(KindUtil::Column(columns, values, 1), " ", " "));
    person->organization = KindUtil::Text(KindUtil::Column(columns, values, 2));
    person->department = KindUtil::Text(KindUtil::Column(columns, values, 3));
    person->note = KindUtil::Text(KindUtil::Column(columns, values, 4));
    person->birthday = KindUtil::Text(KindUtil::Column(columns, values, 5));
    person->jobTitle = KindUtil::Text(KindUtil::Column(columns, values, 6));
    person->nickName = KindUtil::Text(KindUtil::Column(columns, values, 7));
    const char* created = KindUtil::Column(columns, values, 8);
    if (created != nullptr && *created != 0) {
        person->creationDate = KindUtil::AppleTime(KindUtil::Number(created));
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

int Contact::OnMultiValueRow(void* context, int columns, char** values, char** /*names*/) {
    auto* persons = static_cast<std::map<std::int32_t, Person*>*>(context);
    const char* recordId = KindUtil::Column(columns, values, 0);
    auto it = persons->find(KindUtil::Number32(recordId));
    if (it == persons->end()) return 0;
    auto* property = new PersonProperty;
    property->label = CleanLabel(KindUtil::Column(columns, values, 1));
    property->value = CleanValue(KindUtil::Column(columns, values, 2));
    CheckedPtr(it->second)->properties.push_back(property);
    return 0;
}

plist_t Contact::ToPlist() const {
    plist_t array = plist_new_array();
    for (const auto& entry : persons_) {
        const Person* person = CheckedPtr(entry.second);
        plist_t dict = plist_new_dict();
        plist_dict_set_item(dict, "id", plist_new_uint(static_cast<std::uint32_t>(person->id)));
        DictInsertString(dict, "name", person->name.c_str());
        DictInsertString(dict, "organization", person->organization.c_str());
        DictInsertString(dict, "department", person->department.c_str());
        DictInsertString(dict, "note", person->note.c_str());
        DictInsertString(dict, "birthday", person->birthday.c_str());
        DictInsertString(dict, "jobTitle", person->jobTitle.c_str());
        DictInsertString(dict, "nickName", person->nickName.c_str());
        DictInsertString(dict, "creationDate", person->creationDate.c_str());
        // New keys are appended, so the dictionary keeps the properties in row order.
        plist_t properties = plist_new_dict();
        const std::vector<std::string> keys = PropertyKeys(person->properties);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            DictInsertString(properties, keys[i].c_str(), person->properties[i]->value.c_str());
        }
        plist_dict_set_item(dict, "properties", properties);
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
