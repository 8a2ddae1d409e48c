#include "domain/export_table.h"

#include <new>
#include <string>

ExportTable::~ExportTable() {
    Clear();
}

char* ExportTable::Allocate(std::size_t n) {
    constexpr std::size_t kBlock = 256 * 1024;
    constexpr std::size_t kAlign = alignof(ExportRow);
    n = (n + kAlign - 1) / kAlign * kAlign;
    if (n > kBlock / 4) {
        // A long row gets a block of its own.
        ownBlocks_.emplace_back(new char[n]);
        return ownBlocks_.back().get();
    }
    if (blocks_.empty() || blockSize_ - blockUsed_ < n) {
        blocks_.emplace_back(new char[kBlock]);
        blockSize_ = kBlock;
        blockUsed_ = 0;
    }
    char* p = blocks_.back().get() + blockUsed_;
    blockUsed_ += n;
    return p;
}

void ExportTable::Append(std::size_t n, const char* const* texts) {
    std::size_t small[16] = {};
    std::vector<std::size_t> large;
    std::size_t* lengths = small;
    if (n > 16) {
        large.resize(n);
        lengths = large.data();
    }
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < n; ++i) {
        lengths[i] = texts[i] != nullptr ? std::strlen(texts[i]) : 0;
        bytes += lengths[i];
    }
    char* p = Allocate(sizeof(ExportRow) + bytes + n);
    ExportRow* row = new (p) ExportRow();
    char* cell = p + sizeof(ExportRow);
    row->first_ = cell;
    row->count_ = n;
    for (std::size_t i = 0; i < n; ++i) {
        if (lengths[i] > 0) std::memcpy(cell, texts[i], lengths[i]);
        cell[lengths[i]] = '\0';
        cell += lengths[i] + 1;
    }
    row->end_ = cell;
    textBytes_ += bytes;
    cellCount_ += n;
    rows.push_back(row);
}

void ExportTable::Clear() {
    // Rows are plain records inside the blocks: releasing the blocks releases them.
    rows.clear();
    rows.shrink_to_fit();
    blocks_.clear();
    blocks_.shrink_to_fit();
    ownBlocks_.clear();
    ownBlocks_.shrink_to_fit();
    blockUsed_ = 0;
    blockSize_ = 0;
    textBytes_ = 0;
    cellCount_ = 0;
}
