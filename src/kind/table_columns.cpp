#include "kind/table_columns.h"

#include <strings.h>

#include "kind/sqlite_db.h"

namespace ib {

namespace {

int OnColumn(void* context, const SqliteDb::Row& row) {
    auto* names = static_cast<std::vector<std::string>*>(context);
    const char* name = row.Text(0);
    if (name != nullptr) names->emplace_back(name);
    return 0;
}

}  // namespace

TableColumns::TableColumns(SqliteDb& db, const char* table) {
    // The table names are the readers' own constants, never text from a database.
    const std::string sql = std::string("select name from pragma_table_info('") + table + "')";
    if (!db.ExecRows(sql.c_str(), &OnColumn, &names_)) names_.clear();
}

bool TableColumns::Has(const char* column) const {
    for (const std::string& name : names_) {
        if (strcasecmp(name.c_str(), column) == 0) return true;
    }
    return false;
}

std::string TableColumns::Or(const char* prefix, const char* column) const {
    if (!Has(column)) return "NULL";
    return std::string(prefix) + "." + column;
}

}  // namespace ib
