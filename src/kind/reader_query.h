// A reader's query as one description: its SQL text beside the columns it selects, named in the
// order of the select. A reader keeps each query as a struct next to its text,
//
//     struct CallQuery {
//         static constexpr char kSql[] = "select name,address from call";
//         enum Column { kName, kAddress, kCount };
//         static constexpr const char* kNames[] = {"name", "address"};
//     };
//
// and reads a row by those names: row.Text(CallQuery::kAddress). A select that the reader puts
// together from the columns a table has has a static std::string Sql(SqliteDb&) in place of kSql.
// Every reader lists its queries, so that they can be held against real databases.
#pragma once

#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

namespace ib {

class SqliteDb;

struct ReaderQuery {
    const char* name;          // the query's struct, for messages
    const char* devicePath;    // the database it runs on
    const char* uses;          // the tables and columns it reads, as SqliteDb takes them
    const char* const* names;  // the columns it selects, in order
    std::size_t columns;
    std::string (*sql)(SqliteDb& db);  // its text on db

    // A query of a fixed text (kSql) or one put together for the database (Sql).
    template <class Query>
    static ReaderQuery Fixed(const char* name, const char* devicePath, const char* uses) {
        return Of<Query>(name, devicePath, uses,
                         [](SqliteDb&) { return std::string(Query::kSql); });
    }
    template <class Query>
    static ReaderQuery Built(const char* name, const char* devicePath, const char* uses) {
        return Of<Query>(name, devicePath, uses, &Query::Sql);
    }

  private:
    template <class Query>
    static ReaderQuery Of(const char* name, const char* devicePath, const char* uses,
                          std::string (*sql)(SqliteDb&)) {
        static_assert(std::size(Query::kNames) == Query::kCount,
                      "a query names each column of its enumeration");
        return ReaderQuery{name, devicePath, uses, Query::kNames, std::size(Query::kNames), sql};
    }
};

// Every query of every reader.
std::vector<ReaderQuery> ReaderQueries();

}  // namespace ib
