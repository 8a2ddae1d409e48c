// Reads the contacts of an address book whose one person holds tens of thousands of labels, all
// of which fall into one slot of libplist's dictionary hash (and, beside it, a person with as many
// ordinary labels), against a floor measured in the same run: the reader's own SQL texts through
// sqlite3_exec with an empty callback. Target: the colliding labels at most 2x the ordinary ones,
// at the given count and at double that.
//
// contact_labels_bench [LABELS]   labels of each person (default 60000)
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/process_memory.h"
#include "bench_util.h"
#include "gen/backup_gen.h"
#include "gen/device_db.h"
#include "ib/backup_list.h"
#include "kind/sqlite_db.h"

using namespace ib;

namespace {

using bench::Best;

const char* const kQueries[] = {
    "select rowid as record_id, (ifnull(First,'')||' '|| ifnull(Middle,'')|| ' ' || "
    "ifnull(Last,'')) as name,Organization,Department,Note,Birthday,JobTitle,Nickname,"
    "CreationDate from ABPerson",
    "select  m.record_id, l.value as type,m.value,m.UID,m.property from ABMultiValue m left join "
    "ABMultiValueLabel l on l.rowid=m.label;",
};

int Empty(void*, int, char**, char**) {
    return 0;
}

// Label i of a person: "Az" and "BY" add the same to libplist's hash (33 * 'A' + 'z' equals
// 33 * 'B' + 'Y'), so labels spelled from them all share one hash value.
std::string Colliding(std::size_t i) {
    std::string label;
    for (int bit = 0; bit < 18; ++bit) label += (i >> bit) & 1 ? "BY" : "Az";
    return label;
}

struct Case {
    std::string pattern;  // the temporary folder
    std::string root;     // its Backup folder
    std::string uri;      // the address book, read-only
    bench::Spread kind;   // the reader's kind, one figure a round
    bench::Spread floor;
};

Case Prepare(std::size_t labels, bool colliding) {
    gen::AddressBook book;
    gen::PersonRow p;
    p.rowid = 1;
    p.first = "Many";
    for (std::size_t i = 0; i < labels; ++i) {
        // Ordinary labels of the same length, all in different slots.
        char ordinary[48];
        std::snprintf(ordinary, sizeof ordinary, "Label %030zu", i);
        const std::string label = colliding ? Colliding(i) : std::string(ordinary);
        p.values.push_back({label, "555" + std::to_string(1000000 + i), 3, gen::Sql()});
    }
    book.persons.push_back(std::move(p));
    char pattern[] = "/tmp/labelsbench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::exit(1);
    Case c;
    c.pattern = pattern;
    c.root = c.pattern + "/Backup/";
    const std::string folder = c.root + "0f3a9c2be1d4a5b6c7d8e9f00112233445566778/";
    gen::BackupBuilder b(folder);
    b.AddFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb", gen::AddressBookDb(book));
    b.Write();
    c.uri = SqliteDb::ImmutableUri(
        folder + gen::StoredName("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb"));
    return c;
}

void Measure(Case& c) {
    c.floor.Add(Best(1, [&] {
        sqlite3* db = nullptr;
        sqlite3_open_v2(c.uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        for (const char* q : kQueries) sqlite3_exec(db, q, Empty, nullptr, nullptr);
        sqlite3_close(db);
    }));
    // A fresh listing each time: the reader keeps what it read. Freeing the result counts.
    c.kind.Add(Best(1, [&] {
        BackupInfo* head = ListBackupsIn(c.root.c_str());
        if (head == nullptr) std::exit(1);
        plist_t data = GetKindData(head, KIND_CONTACTS);
        if (data == nullptr || plist_array_get_size(data) != 1) std::exit(1);
        plist_free(data);
        FreeBackupList(head);
    }));
}

}  // namespace

int main(int argc, char** argv) {
    ProcessMemory::SetUp();
    bench::PrintLoad("at the start");
    const std::size_t labels = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 60000;
    std::fprintf(stderr, "contact_labels_bench: writing the address books...\n");
    Case cases[] = {Prepare(labels, false), Prepare(labels, true), Prepare(labels * 2, false),
                    Prepare(labels * 2, true)};
    // Rounds over the four in turn, the median of each counting (the best beside it): the same
    // state of the machine for all of them.
    for (int round = 0; round < 5; ++round) {
        for (Case& c : cases) Measure(c);
    }
    for (Case& c : cases) gen::RemoveTree(c.pattern);
    std::printf("contact_labels_bench: one person, %zu and %zu labels\n", labels, labels * 2);
    std::printf("  %-26s %10s %10s %10s %7s\n", "labels", "median ms", "best ms", "floor ms",
                "ratio");
    const char* const names[] = {"ordinary", "one hash slot", "ordinary, x2", "one hash slot, x2"};
    for (int i = 0; i < 4; ++i) {
        std::printf("  %-26s %10.1f %10.1f %10.1f %7.2f\n", names[i], cases[i].kind.Median() * 1e3,
                    cases[i].kind.Best() * 1e3, cases[i].floor.Median() * 1e3,
                    cases[i].kind.Median() / cases[i].floor.Median());
    }
    // A quadratic insert shows as a ratio that grows with the count: at double the labels the
    // colliding ones would take four times as long against the ordinary ones as before.
    bool ok = true;
    for (int i = 0; i < 4; i += 2) {
        const double against = cases[i + 1].kind.Median() / cases[i].kind.Median();
        ok = ok && against <= 2.0;
        std::printf("  one slot against ordinary at %zu: %.2f (target <= 2.00) %s\n",
                    i ? labels * 2 : labels, against, against <= 2.0 ? "OK" : "OVER");
    }
    std::printf("  %s\n", ok ? "OK" : "OVER");
    bench::PrintLoad("at the end");
    return 0;
}
