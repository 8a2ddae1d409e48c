#include "kind/contact/text_dict.h"

#include <cstdint>
#include <cstring>

namespace ib {

namespace {

// Bytes needed for v in a big-endian field of 1, 2, 4 or 8 bytes.
int Width(std::uint64_t v) {
    if (v < 0x100) return 1;
    if (v < 0x10000) return 2;
    if (v < 0x100000000ull) return 4;
    return 8;
}

char* Put(char* out, std::uint64_t v, int width) {
    for (int i = width - 1; i >= 0; --i) *out++ = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

// The size of an object marker: the type in the high nibble and a count below 15 in the low one,
// or 15 and the count as an integer object after it.
std::size_t MarkerSize(std::size_t count) {
    return count < 15 ? 1 : 2 + static_cast<std::size_t>(Width(count));
}

char* Marker(char* out, unsigned type, std::size_t count) {
    if (count < 15) {
        *out++ = static_cast<char>(type << 4 | count);
        return out;
    }
    *out++ = static_cast<char>(type << 4 | 0xF);
    const int width = Width(count);
    *out++ = static_cast<char>(0x10 | (width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3));
    return Put(out, count, width);
}

// The text as a string object: its bytes are stored as they are, so the parsed string holds
// exactly the bytes given.
char* Text(char* out, const char* text, std::size_t size) {
    out = Marker(out, 0x5, size);
    std::memcpy(out, text, size);
    return out + size;
}

// The slow path, for the case the binary list is refused.
plist_t InsertEach(const std::vector<std::string>& keys, const std::vector<const char*>& values) {
    plist_t dict = plist_new_dict();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        plist_dict_set_item(dict, keys[i].c_str(), plist_new_string(values[i] ? values[i] : ""));
    }
    return dict;
}

}  // namespace

std::string TextDictBytes(const std::vector<std::string>& keys,
                          const std::vector<const char*>& values) {
    const std::size_t n = keys.size() < values.size() ? keys.size() : values.size();
    if (n == 0) return std::string();
    // Object 0 is the dictionary, 1..n the keys, n+1..2n the values. The sizes first, so that
    // the list is written into one buffer of its final size.
    const std::uint64_t objects = 2 * static_cast<std::uint64_t>(n) + 1;
    const int ref = Width(objects);
    std::vector<std::size_t> valueSizes(n);
    std::size_t table = 8 + MarkerSize(n) + 2 * n * static_cast<std::size_t>(ref);
    for (std::size_t i = 0; i < n; ++i) {
        valueSizes[i] = values[i] ? std::strlen(values[i]) : 0;
        table += MarkerSize(keys[i].size()) + keys[i].size();
        table += MarkerSize(valueSizes[i]) + valueSizes[i];
    }
    const int offsetWidth = Width(table);
    std::string bytes(table + objects * static_cast<std::size_t>(offsetWidth) + 32, '\0');
    char* const begin = &bytes[0];
    char* out = begin;
    std::memcpy(out, "bplist00", 8);
    out += 8;
    char* offsets = begin + table;
    offsets = Put(offsets, static_cast<std::uint64_t>(out - begin), offsetWidth);
    out = Marker(out, 0xD, n);
    for (std::size_t i = 0; i < n; ++i) out = Put(out, 1 + i, ref);
    for (std::size_t i = 0; i < n; ++i) out = Put(out, 1 + n + i, ref);
    for (std::size_t i = 0; i < n; ++i) {
        offsets = Put(offsets, static_cast<std::uint64_t>(out - begin), offsetWidth);
        out = Text(out, keys[i].data(), keys[i].size());
    }
    for (std::size_t i = 0; i < n; ++i) {
        offsets = Put(offsets, static_cast<std::uint64_t>(out - begin), offsetWidth);
        out = Text(out, values[i] ? values[i] : "", valueSizes[i]);
    }
    // The trailer: six unused bytes, the two widths, the object count, the root and the table.
    char* trailer = offsets + 6;
    *trailer++ = static_cast<char>(offsetWidth);
    *trailer++ = static_cast<char>(ref);
    trailer = Put(trailer, objects, 8);
    trailer = Put(trailer, 0, 8);
    Put(trailer, table, 8);
    return bytes;
}

plist_t NewTextDict(const std::vector<std::string>& keys, const std::vector<const char*>& values) {
    const std::size_t n = keys.size() < values.size() ? keys.size() : values.size();
    if (n == 0) return plist_new_dict();
    const std::string out = TextDictBytes(keys, values);
    plist_t dict = nullptr;
    if (out.size() <= UINT32_MAX)
        plist_from_bin(out.data(), static_cast<uint32_t>(out.size()), &dict);
    if (dict != nullptr && plist_get_node_type(dict) == PLIST_DICT &&
        plist_dict_get_size(dict) == n)
        return dict;
    plist_free(dict);
    return InsertEach(keys, values);
}

}  // namespace ib
