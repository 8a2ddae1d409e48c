// The rows of one export page in memory, held in blocks that the table owns: a page of many
// short cells costs little more than its text.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

// One line of a page: its cells, UTF-8 texts that follow one another in the table's storage,
// each ending with a zero. Rows live in the storage of their table.
class ExportRow {
  public:
    class const_iterator {
      public:
        explicit const_iterator(const char* p) : p_(p) {}
        const char* operator*() const { return p_; }
        const_iterator& operator++() {
            p_ += std::strlen(p_) + 1;
            return *this;
        }
        bool operator!=(const const_iterator& other) const { return p_ != other.p_; }
        bool operator==(const const_iterator& other) const { return p_ == other.p_; }

      private:
        const char* p_;
    };

    std::size_t size() const { return count_; }
    // The text of cell i (< size()).
    const char* operator[](std::size_t i) const {
        const char* p = first_;
        while (i-- > 0) p += std::strlen(p) + 1;
        return p;
    }
    const_iterator begin() const { return const_iterator(first_); }
    const_iterator end() const { return const_iterator(end_); }

  private:
    friend class ExportTable;
    const char* first_ = nullptr;
    const char* end_ = nullptr;
    std::size_t count_ = 0;
};

// The rows of one page in memory: row 0 holds the column titles, every later row one line. Rows
// and cell texts live in blocks that the table owns, so that a page of many short cells costs
// little more than its text; FreeTable (or the destructor) releases them.
class ExportTable {
  public:
    ExportTable() = default;
    ~ExportTable();
    ExportTable(const ExportTable&) = delete;
    ExportTable& operator=(const ExportTable&) = delete;

    std::vector<ExportRow*> rows;

    // Appends a row of n cells, copies of texts[0..n) (null counts as empty).
    void Append(std::size_t n, const char* const* texts);
    // Bytes of cell text stored (without the terminating zeros) and number of cells.
    std::size_t TextBytes() const { return textBytes_; }
    std::size_t CellCount() const { return cellCount_; }
    // Releases every row and text; the table is empty afterwards.
    void Clear();

  private:
    // n bytes of storage aligned for a row.
    char* Allocate(std::size_t n);

    std::vector<std::unique_ptr<char[]>> blocks_;     // shared by many rows; the last is open
    std::vector<std::unique_ptr<char[]>> ownBlocks_;  // one long row each
    std::size_t blockUsed_ = 0;
    std::size_t blockSize_ = 0;
    std::size_t textBytes_ = 0;
    std::size_t cellCount_ = 0;
};
