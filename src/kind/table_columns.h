// Which columns a table of a device database has. Devices of different years write different
// tables and columns; a reader asks before it names a column that not every version has.
#pragma once

#include <string>
#include <vector>

namespace ib {

class SqliteDb;

class TableColumns {
  public:
    // The columns of table as the database declares them; none when the table is missing or the
    // database is not open.
    TableColumns(SqliteDb& db, const char* table);

    bool Exists() const { return !names_.empty(); }
    // Whether the table has the column (names compared without regard to ASCII case, as SQLite
    // compares them).
    bool Has(const char* column) const;
    // "<prefix>.<column>" when the table has the column, otherwise "NULL": a select list that
    // reads the column where it exists.
    std::string Or(const char* prefix, const char* column) const;

  private:
    std::vector<std::string> names_;
};

}  // namespace ib
