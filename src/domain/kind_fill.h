// How a record is filled from its dictionary, derived from the record's fields
// (domain/kind_fields.h): one reading per kind of field.
#pragma once

#include <plist/plist.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "common/file_util.h"
#include "common/string_util.h"
#include "domain/domain_ib.h"
#include "domain/kind_fields.h"

namespace kind_fill {

inline plist_t DictItem(plist_t dict, const char* key) {
    if (dict == nullptr || plist_get_node_type(dict) != PLIST_DICT) return nullptr;
    return plist_dict_get_item(dict, key);
}

inline std::uint64_t NumberOf(plist_t node) {
    std::uint64_t value = 0;
    if (node != nullptr && plist_get_node_type(node) == PLIST_UINT)
        plist_get_uint_val(node, &value);
    return value;
}

// A string node's bytes as they stand; empty for null, for a node that is not a string, and for
// bytes holding a zero byte (which no file name does, and which would cut the name short).
inline std::string BytesOf(plist_t node) {
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) return std::string();
    std::uint64_t length = 0;
    const char* bytes = plist_get_string_ptr(node, &length);
    if (bytes == nullptr || length == 0 || std::memchr(bytes, 0, length) != nullptr)
        return std::string();
    return std::string(bytes, static_cast<std::size_t>(length));
}

inline std::uint32_t ArraySize(plist_t list) {
    if (list == nullptr || plist_get_node_type(list) != PLIST_ARRAY) return 0;
    return plist_array_get_size(list);
}

template <class Record>
void Fill(Record& record, plist_t dict);

template <class Record>
void Read(Record& r, const TextField<Record>& f, plist_t value) {
    // Swapped in: wxString has no move assignment, and assigning would copy every text.
    wxString text = DomainIB::GetPlistString(value);
    (r.*f.member).swap(text);
}

template <class Record>
void Read(Record& r, const PathField<Record>& f, plist_t value) {
    r.*f.member = BytesOf(value);
}

template <class Record>
void Read(Record& r, const SizeField<Record>& f, plist_t value) {
    r.*f.member = FileUtil::FormatSize(NumberOf(value));
}

template <class Record>
void Read(Record& r, const NumberField<Record>& f, plist_t value) {
    r.*f.member = NumberOf(value);
}

template <class Record, class Item>
void Read(Record& r, const ListField<Record, Item>& f, plist_t value) {
    std::vector<Item*>& items = r.*f.member;
    const std::uint32_t n = ArraySize(value);
    if (n == 0) return;
    items.reserve(n);
    // Walked with an iterator: libplist finds an element by its position by walking from the
    // first one unless the array is long enough to keep an index of its elements, so that each
    // message of a conversation cost a walk over the ones before it.
    plist_array_iter iter = nullptr;
    plist_array_new_iter(value, &iter);
    if (iter == nullptr) return;
    for (std::uint32_t i = 0; i < n; ++i) {
        plist_t element = nullptr;
        plist_array_next_item(value, iter, &element);
        if (element == nullptr) break;
        if (plist_get_node_type(element) != PLIST_DICT) continue;
        auto* item = new Item();
        items.push_back(item);
        Fill(*item, element);
    }
    std::free(iter);
}

template <class Record>
void Read(Record& r, const PairsField<Record>& f, plist_t value) {
    if (value == nullptr || plist_get_node_type(value) != PLIST_DICT) return;
    Contact::Properties& pairs = r.*f.member;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(value, &iter);
    if (iter == nullptr) return;
    for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(value, iter, &key, &item);
        if (key == nullptr) break;
        // A value without a label comes under the empty key: it is kept, and its type is empty.
        pairs.emplace_back(StringUtil::FromUtf8(key), DomainIB::GetPlistString(item));
        std::free(key);
    }
    std::free(iter);
}

// Fills one record from its dictionary: every field of the record's list, a key that the
// dictionary lacks as an empty text or 0.
template <class Record>
void Fill(Record& record, plist_t dict) {
    std::apply([&](const auto&... field) { (Read(record, field, DictItem(dict, field.key)), ...); },
               RecordFields<Record>::kAll);
}

}  // namespace kind_fill
