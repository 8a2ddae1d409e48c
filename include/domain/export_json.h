// The rows of an export page as JSON text, fit to stand inside the page's script.
#pragma once

#include <cstddef>
#include <string>

#include "domain/export_table.h"

class ExportJson {
  public:
    virtual ~ExportJson() = default;

    // The table as JSON: an array of arrays of strings, compact, RapidJSON's escaping; besides,
    // "<" is written as \u003c and U+2028, U+2029 as \u2028, \u2029, so that the text can stand
    // inside an HTML script. A table without rows gives "[]".
    static std::string Write(const ExportTable& table);
    // The exact length of Write's text, found in one pass over the cells, so that the text of a
    // large export is held once and never copied to grow.
    static std::size_t Size(const ExportTable& table);
};
