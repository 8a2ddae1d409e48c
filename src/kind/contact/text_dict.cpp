#include "kind/contact/text_dict.h"

#include <cstdint>
#include <cstring>

namespace {

// Bytes needed for v in a big-endian field of 1, 2, 4 or 8 bytes.
int Width(std::uint64_t v) {
    if (v < 0x100) return 1;
    if (v < 0x10000) return 2;
    if (v < 0x100000000ull) return 4;
    return 8;
}

void Put(std::string& out, std::uint64_t v, int width) {
    for (int i = width - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// An object marker: the type in the high nibble, a count below 15 in the low one, or 15 and the
// count as an integer object after it.
void Marker(std::string& out, unsigned type, std::size_t count) {
    if (count < 15) {
        out += static_cast<char>(type << 4 | count);
        return;
    }
    out += static_cast<char>(type << 4 | 0xF);
    const int width = Width(count);
    out += static_cast<char>(0x10 | (width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3));
    Put(out, count, width);
}

// The text as a string object: its bytes are stored as they are, so the parsed string holds
// exactly the bytes given.
void Text(std::string& out, const char* text, std::size_t size) {
    Marker(out, 0x5, size);
    out.append(text, size);
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
    // Object 0 is the dictionary, 1..n the keys, n+1..2n the values.
    const std::uint64_t objects = 2 * static_cast<std::uint64_t>(n) + 1;
    const int ref = Width(objects);
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    offsets.reserve(objects);
    offsets.push_back(out.size());
    Marker(out, 0xD, n);
    for (std::size_t i = 0; i < n; ++i) Put(out, 1 + i, ref);
    for (std::size_t i = 0; i < n; ++i) Put(out, 1 + n + i, ref);
    for (std::size_t i = 0; i < n; ++i) {
        offsets.push_back(out.size());
        Text(out, keys[i].data(), keys[i].size());
    }
    for (std::size_t i = 0; i < n; ++i) {
        offsets.push_back(out.size());
        const char* v = values[i] ? values[i] : "";
        Text(out, v, std::strlen(v));
    }
    const std::uint64_t table = out.size();
    const int offsetWidth = Width(table);
    for (std::uint64_t offset : offsets) Put(out, offset, offsetWidth);
    // The trailer: six unused bytes, the two widths, the object count, the root and the table.
    out.append(6, '\0');
    out += static_cast<char>(offsetWidth);
    out += static_cast<char>(ref);
    Put(out, objects, 8);
    Put(out, 0, 8);
    Put(out, table, 8);
    return out;
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
