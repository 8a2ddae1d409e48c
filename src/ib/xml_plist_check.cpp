#include "ib/xml_plist_check.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "ib/plist_guard.h"

namespace ib {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// libplist's hash of a dictionary key, and the slot of its 4096-slot table.
unsigned KeySlot(const std::string& key) {
    unsigned hash = 5381;
    for (char c : key) hash = ((hash << 5) + hash) + static_cast<unsigned>(static_cast<int>(c));
    return hash & 0xFFF;
}

// libplist's dictionary looks keys up one by one until it holds more than 250, then by hash.
constexpr std::size_t kListedKeys = 250;

// The bytes libplist writes for a character reference (&#...;) that it accepts, surrogates
// included. This is not a text codec (the program's is util/utf8_text.h, which would replace a
// surrogate): the rewritten text must hand libplist exactly the string it would have made itself.
void AppendReferenceAsLibplist(std::string* out, std::uint64_t v) {
    if (v >= 0x10000) {
        *out += static_cast<char>(0xF0 + ((v >> 18) & 0x7));
        *out += static_cast<char>(0x80 + ((v >> 12) & 0x3F));
        *out += static_cast<char>(0x80 + ((v >> 6) & 0x3F));
        *out += static_cast<char>(0x80 + (v & 0x3F));
    } else if (v >= 0x800) {
        *out += static_cast<char>(0xE0 + ((v >> 12) & 0xF));
        *out += static_cast<char>(0x80 + ((v >> 6) & 0x3F));
        *out += static_cast<char>(0x80 + (v & 0x3F));
    } else if (v >= 0x80) {
        *out += static_cast<char>(0xC0 + ((v >> 6) & 0x1F));
        *out += static_cast<char>(0x80 + (v & 0x3F));
    } else {
        *out += static_cast<char>(v & 0x7F);
    }
}

// Decoded text into a text of its own.
struct PlainSink {
    std::string* out;
    void Put(char c) { out->push_back(c); }
    void Put(const char* p, std::size_t n) { out->append(p, n); }
};

// Decoded text into a CDATA section of the copy handed to libplist: where the text itself holds
// "]]>", the section ends after the "]]" and a new one begins.
struct CdataSink {
    std::string* out;
    std::size_t start;  // where the current section's text begins
    std::uint64_t splits = 0;
    void Put(char c) {
        const std::size_t n = out->size();
        if (c == '>' && n >= start + 2 && (*out)[n - 1] == ']' && (*out)[n - 2] == ']') {
            *out += "]]><![CDATA[";
            start = out->size();
            ++splits;
        }
        out->push_back(c);
    }
    void Put(const char* p, std::size_t n) {
        while (n > 0) {
            const void* gt = std::memchr(p, '>', n);
            const std::size_t k = gt != nullptr ? static_cast<const char*>(gt) - p : n;
            out->append(p, k);
            p += k;
            n -= k;
            if (n > 0) {
                Put('>');
                ++p;
                --n;
            }
        }
    }
};

}  // namespace

XmlPlistCheck::XmlPlistCheck(const char* data, std::size_t size) : data_(data), size_(size) {}

bool XmlPlistCheck::Run() {
    if (data_ == nullptr || size_ == 0 || size_ > kPlistMaxBytes) return false;
    if (!Document() || nodes_ > kPlistMaxNodes) return false;
    // The work of the dictionaries, against what the file holds.
    if (dictSteps_ > kPlistDictStepsPerNode * nodes_ + kPlistDictStepAllowance) return false;
    if (dictBytes_ > kPlistDictBytesPerByte * size_ + kPlistDictByteAllowance) return false;
    if (rewritten_) out_.append(data_ + copied_, size_ - copied_);
    return true;
}

void XmlPlistCheck::SkipSpace() {
    while (pos_ < size_ && IsSpace(data_[pos_])) ++pos_;
}

void XmlPlistCheck::FindChar(char c) {
    const void* hit = pos_ < size_ ? std::memchr(data_ + pos_, c, size_ - pos_) : nullptr;
    pos_ = hit != nullptr ? static_cast<std::size_t>(static_cast<const char*>(hit) - data_) : size_;
}

// Up to the first of chars; with quotes, a quoted stretch is passed over whole.
void XmlPlistCheck::FindNext(const char* chars, bool quotes) {
    while (pos_ < size_) {
        if (quotes && data_[pos_] == '"') {
            ++pos_;
            FindChar('"');
            if (pos_ >= size_) return;
        }
        if (std::strchr(chars, data_[pos_]) != nullptr && data_[pos_] != 0) return;
        ++pos_;
    }
}

bool XmlPlistCheck::Matches(std::size_t at, const char* text) const {
    const std::size_t n = std::strlen(text);
    return at <= size_ && size_ - at >= n && std::memcmp(data_ + at, text, n) == 0;
}

// Up to the first text (passing quoted stretches with quotes); true when pos_ is at one.
bool XmlPlistCheck::FindStr(const char* text, bool quotes) {
    const std::size_t n = std::strlen(text);
    if (!quotes) {
        // The same search, a byte at a time only where the first byte of text stands.
        while (pos_ + n <= size_) {
            const void* hit = std::memchr(data_ + pos_, text[0], size_ - n + 1 - pos_);
            if (hit == nullptr) break;
            pos_ = static_cast<std::size_t>(static_cast<const char*>(hit) - data_);
            if (std::memcmp(data_ + pos_, text, n) == 0) return true;
            ++pos_;
        }
        return false;
    }
    while (pos_ + n < size_) {
        if (std::memcmp(data_ + pos_, text, n) == 0) return true;
        if (quotes && data_[pos_] == '"') {
            ++pos_;
            FindChar('"');
            if (pos_ >= size_) return false;
        }
        ++pos_;
    }
    return Matches(pos_, text);
}

bool XmlPlistCheck::AddNodes(std::uint64_t n) {
    nodes_ += n;
    return nodes_ <= kPlistMaxNodes;
}

bool XmlPlistCheck::Special(bool* handled) {
    *handled = true;
    if (data_[pos_] == '?') {
        if (!FindStr("?>", true)) return false;
        pos_ += 2;
        return true;
    }
    if (data_[pos_] != '!') {
        *handled = false;
        return true;
    }
    if (size_ - pos_ > 3 && Matches(pos_, "!--")) {
        pos_ += 3;
        if (!FindStr("-->", false)) return false;
        pos_ += 3;
        return true;
    }
    if (size_ - pos_ > 8 && Matches(pos_, "!DOCTYPE")) {
        // Up to its end, or to an internal subset, which libplist passes over up to "]>".
        pos_ += 8;
        while (pos_ < size_) {
            FindNext(" \t\r\n[>", true);
            if (pos_ >= size_) return false;
            if (data_[pos_] == '[') {
                if (!FindStr("]>", true)) return false;
                pos_ += 2;
                return true;
            }
            if (data_[pos_] == '>') {
                ++pos_;
                return true;
            }
            SkipSpace();
        }
        return false;
    }
    return false;
}

// An element's tag from its name on (pos_ is past the "<"): the name as libplist takes it, and
// whether the element closes itself.
bool XmlPlistCheck::Tag(std::string* name, bool* empty, std::size_t* nameLength) {
    const std::size_t start = pos_;
    FindNext(" \r\n\t<>", false);
    if (pos_ >= size_) return false;
    *nameLength = pos_ - start;
    if (data_[pos_] != '>') FindNext("<>", true);
    if (pos_ >= size_ || data_[pos_] != '>') return false;
    std::size_t keep = *nameLength;
    *empty = data_[pos_ - 1] == '/';
    if (*empty && pos_ - start - 1 < keep) keep = pos_ - start - 1;
    // A name holding a NUL is no name of a property list.
    if (std::memchr(data_ + start, 0, *nameLength) != nullptr) return false;
    name->assign(data_ + start, keep);
    ++pos_;
    return true;
}

// libplist's reading of the whole text, step for step: elements in any number of plist
// elements, the first value the root, and the end as soon as the root is whole (a text, or a
// container at its end tag); what follows the root is not read at all.
bool XmlPlistCheck::Document() {
    struct Open {
        char type;  // 'p' plist, 'd' dict, 'a' array
    };
    // The open elements that an end tag must match, and the containers that take new values (the
    // root stays one even when it closes itself).
    std::vector<Open> path;
    std::vector<char> parents;
    bool root = false;
    bool content = false;
    bool pending = false;
    std::string key;
    auto finish = [&] {
        // Dictionaries that never closed have their entries all the same.
        while (!dicts_.empty()) {
            if (!DictDone(dicts_.back())) return false;
            dicts_.pop_back();
        }
        return root;
    };
    for (;;) {
        SkipSpace();
        if (AtEnd()) break;
        if (data_[pos_] != '<') return false;
        ++pos_;
        if (AtEnd()) return false;
        bool handled = false;
        if (!Special(&handled)) return false;
        if (handled) continue;
        std::string name;
        bool empty = false;
        std::size_t length = 0;
        if (!Tag(&name, &empty, &length)) return false;
        if (name == "plist") {
            content = false;
            if (path.empty() && root) break;  // a second plist ends the reading
            if (empty) return false;
            path.push_back({'p'});
            continue;
        }
        if (name == "/plist") {
            if (!content || path.empty() || path.back().type != 'p') return false;
            path.pop_back();
            continue;
        }
        content = true;
        const bool closing = !name.empty() && name[0] == '/';
        const bool dict = name == "dict";
        const bool container = dict || name == "array";
        if (closing) {
            const char type = name == "/dict" ? 'd' : name == "/array" ? 'a' : 0;
            if (path.empty() || path.back().type != type || type == 0) return false;
            path.pop_back();
            if (type == 'd') {
                if (!DictDone(dicts_.back())) return false;
                dicts_.pop_back();
            }
            parents.pop_back();
            pending = false;
            if (parents.empty()) return finish();
            continue;
        }
        const bool inDict = !parents.empty() && parents.back() == 'd';
        if (name == "string" || name == "key") {
            // Only a key can become a dictionary's key: only its text is kept.
            std::string text;
            if (!empty && !Text(name, length, false, true, name == "key" ? &text : nullptr))
                return false;
            if (!empty && name == "key" && !pending && inDict) {
                pending = true;
                key = std::move(text);
                continue;
            }
        } else if (name == "integer" || name == "real" || name == "date" || name == "data" ||
                   name == "true" || name == "false") {
            if (!empty && !Text(name, length, true, false, nullptr)) return false;
        } else if (!container) {
            return false;
        }
        if (!AddNodes(1)) return false;
        if (!root) {
            root = true;
            if (!container) return finish();
        } else if (inDict) {
            if (!pending) return false;
            // libplist makes a node of the key as it adds the entry.
            if (!AddNodes(1)) return false;
            std::vector<std::string>& keys = dicts_.back().keys;
            if (keys.size() >= kPlistMaxKeys) return false;
            keys.push_back(std::move(key));
            key.clear();
        }
        if (container && (!empty || parents.empty())) {
            parents.push_back(dict ? 'd' : 'a');
            if (dict) dicts_.emplace_back();
            if (!empty) path.push_back({dict ? 'd' : 'a'});
            if (parents.size() > kPlistMaxDepth) return false;
        }
        pending = false;
    }
    // The end of the text inside an element that is still open.
    if (!path.empty()) return false;
    return finish();
}

// The steps libplist takes to add the dictionary's entries in order, as a repeated key replaces
// the value of its first occurrence, and the bytes its key comparisons may read.
bool XmlPlistCheck::DictDone(const Dict& dict) {
    const std::vector<std::string>& keys = dict.keys;
    const std::size_t n = keys.size();
    if (n == 0) return true;
    // The first occurrence of every key, through the keys in order.
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<std::size_t> first(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t e = order[i];
        first[e] = i > 0 && keys[order[i - 1]] == keys[e] ? first[order[i - 1]] : e;
    }
    std::vector<std::size_t> place(n);  // the position of each key among the distinct keys
    std::vector<std::uint32_t> slots;   // keys per hash slot, once libplist hashes
    std::size_t distinct = 0;
    std::uint64_t steps = 0;
    std::uint64_t bytes = 0;
    for (std::size_t e = 0; e < n; ++e) {
        const std::uint64_t compare = keys[e].size() + 1;
        const bool hashed = !slots.empty();
        const unsigned slot = hashed ? KeySlot(keys[e]) : 0;
        std::uint64_t looked;
        if (first[e] == e) {
            // A new key is compared with every key before it, or with those of its slot twice:
            // once to look it up, once to put it in.
            looked = hashed ? 2 * std::uint64_t(slots[slot]) : distinct;
            place[e] = distinct++;
            if (hashed) ++slots[slot];
            if (!hashed && distinct > kListedKeys) {
                // The table is made of the keys so far, each put at the end of its slot's list.
                slots.assign(4096, 0);
                for (std::size_t k = 0; k <= e; ++k) {
                    if (first[k] != k) continue;
                    std::uint32_t& chain = slots[KeySlot(keys[k])];
                    steps += 1 + chain;
                    bytes += chain * (keys[k].size() + 1);
                    ++chain;
                }
            }
        } else {
            // A repeated key is found, and its new value put where the first one stood: two walks
            // along the dictionary's nodes to that place.
            place[e] = place[first[e]];
            looked = hashed ? 2 * std::uint64_t(slots[slot]) : place[e] + 1;
            steps += 4 * place[e] + 2;
        }
        steps += looked;
        bytes += looked * compare;
    }
    dictSteps_ += steps;
    dictBytes_ += bytes;
    return dictSteps_ <= kPlistDictStepsPerNode * kPlistMaxNodes + kPlistDictStepAllowance &&
           dictBytes_ <= kPlistDictBytesPerByte * size_ + kPlistDictByteAllowance;
}

bool XmlPlistCheck::Text(const std::string& tag, std::size_t tagLength, bool skipSpace, bool decode,
                         std::string* key) {
    if (skipSpace) SkipSpace();
    std::vector<Part> parts;
    std::size_t p = pos_;
    std::size_t q = pos_;
    for (;;) {
        p = pos_;
        FindChar('<');
        if (pos_ >= size_) return false;
        q = pos_;
        ++pos_;
        if (pos_ >= size_) return false;
        if (data_[pos_] == '!') {
            ++pos_;
            if (Matches(pos_, "--")) {
                parts.push_back({p, q - p, false});
                pos_ += 2;
                if (!FindStr("-->", false)) return false;
                pos_ += 3;
            } else if (pos_ < size_ && data_[pos_] == '[') {
                ++pos_;
                if (pos_ + 8 >= size_ || !Matches(pos_, "CDATA[")) return false;
                if (q > p) parts.push_back({p, q - p, false});
                pos_ += 6;
                p = pos_;
                if (!FindStr("]]>", false)) return false;
                parts.push_back({p, pos_ - p, true});
                pos_ += 3;
            } else {
                return false;
            }
        } else if (data_[pos_] == '/') {
            break;
        } else {
            return false;
        }
    }
    ++pos_;
    if (pos_ + tagLength >= size_ || std::memcmp(data_ + pos_, tag.data(), tagLength) != 0)
        return false;
    pos_ += tagLength;
    SkipSpace();
    if (AtEnd() || data_[pos_] != '>') return false;
    ++pos_;
    if (q > p) parts.push_back({p, q - p, false});
    // libplist keeps every piece in a block of its own.
    if (parts.size() > 1 && !AddNodes(parts.size() - 1)) return false;
    if (!decode) return true;
    std::string whole;
    for (const Part& part : parts) {
        // Only a piece that holds a '&' (before a NUL) has entities; a string's other pieces
        // need not be looked at again.
        if (key == nullptr && !part.cdata) {
            const void* amp = std::memchr(data_ + part.begin, '&', part.length);
            if (amp == nullptr) continue;
            const void* nul = std::memchr(data_ + part.begin, 0, part.length);
            if (nul != nullptr && nul < amp) continue;
        }
        if (key == nullptr && part.cdata) continue;
        bool entity = false;
        if (key == nullptr) {
            // A string's piece is decoded straight into the copy, as CDATA.
            CdataSink sink{&StartRewrite(part), 0};
            sink.start = out_.size();
            if (!Decode(part, &sink, &entity)) return false;
            out_ += "]]>";
            nodes_ += sink.splits;
            continue;
        }
        std::string decoded;
        if (part.cdata) {
            // Copied up to a NUL, and zeros from there on.
            decoded.assign(data_ + part.begin, part.length);
            const std::size_t nul = decoded.find('\0');
            if (nul != std::string::npos) std::fill(decoded.begin() + nul, decoded.end(), '\0');
        } else {
            PlainSink sink{&decoded};
            if (!Decode(part, &sink, &entity)) return false;
        }
        if (entity) Rewrite(part, decoded);
        whole += decoded;
    }
    if (key != nullptr) {
        // The dictionary keeps a key up to its first NUL.
        const std::size_t nul = whole.find('\0');
        if (nul != std::string::npos) whole.resize(nul);
        *key = std::move(whole);
    }
    return true;
}

template <class Sink>
bool XmlPlistCheck::Decode(const Part& part, Sink* out, bool* hadEntity) const {
    const char* s = data_ + part.begin;
    const std::size_t len = part.length;
    // libplist copies the piece with strncpy: zeros from the first NUL on, and nothing there is
    // decoded.
    const void* nulAt = std::memchr(s, 0, len);
    const std::size_t end = nulAt != nullptr ? static_cast<const char*>(nulAt) - s : len;
    std::size_t i = 0;
    while (i < end) {
        // The text up to the next '&' as it stands; the last byte of a piece is never taken for
        // the start of an entity.
        const void* amp = std::memchr(s + i, '&', end - i);
        const std::size_t at = amp != nullptr ? static_cast<const char*>(amp) - s : end;
        if (at > i) out->Put(s + i, at - i);
        i = at;
        if (i >= end) break;
        if (i + 1 >= len) {
            out->Put('&');
            ++i;
            continue;
        }
        // The entity runs to the next ';' (libplist takes "&ampere;" for "&amp;": only the start
        // of the name counts).
        const char* ent = s + i + 1;
        std::size_t entLength = 0;
        while (i + 1 + entLength < end && ent[entLength] != ';' && entLength < 16) ++entLength;
        if (i + 1 + entLength >= end) return false;
        if (ent[entLength] != ';') {
            const void* semi = std::memchr(ent + entLength, ';', end - (i + 1 + entLength));
            if (semi == nullptr) return false;
            entLength = static_cast<std::size_t>(static_cast<const char*>(semi) - ent);
        }
        if (entLength == 0) return false;
        auto starts = [&](const char* name, std::size_t n) {
            return entLength >= n && std::memcmp(ent, name, n) == 0;
        };
        if (starts("amp", 3)) {
            out->Put('&');
        } else if (starts("apos", 4)) {
            out->Put('\'');
        } else if (starts("quot", 4)) {
            out->Put('"');
        } else if (starts("lt", 2)) {
            out->Put('<');
        } else if (starts("gt", 2)) {
            out->Put('>');
        } else if (ent[0] == '#') {
            if (entLength > 8) return false;
            // The number is read as libplist reads it, with strtoull, up to the ';'.
            char number[16] = {0};
            std::memcpy(number, ent, entLength + 1);
            char* parsedEnd = nullptr;
            std::uint64_t v;
            if (number[1] == 'x' || number[1] == 'X') {
                if (entLength < 3) return false;
                v = std::strtoull(number + 2, &parsedEnd, 16);
            } else {
                if (entLength < 2) return false;
                v = std::strtoull(number + 1, &parsedEnd, 10);
            }
            if (v == 0 || v > 0x10FFFF || static_cast<std::size_t>(parsedEnd - number) != entLength)
                return false;
            std::string utf8;
            AppendReferenceAsLibplist(&utf8, v);
            out->Put(utf8.data(), utf8.size());
        } else {
            return false;
        }
        *hadEntity = true;
        i += entLength + 2;
    }
    // What follows a NUL: zeros, as many as the piece holds.
    for (std::size_t k = end; k < len; ++k) out->Put('\0');
    return true;
}

// The piece of text in the copy handed to libplist: its decoded text as CDATA, split where the
// text itself holds the end of a CDATA section.
std::string& XmlPlistCheck::StartRewrite(const Part& part) {
    if (!rewritten_) {
        rewritten_ = true;
        out_.reserve(size_ + size_ / 8 + 64);
    }
    out_.append(data_ + copied_, part.begin - copied_);
    copied_ = part.begin + part.length;
    out_ += "<![CDATA[";
    return out_;
}

void XmlPlistCheck::Rewrite(const Part& part, const std::string& decoded) {
    CdataSink sink{&StartRewrite(part), 0};
    sink.start = out_.size();
    sink.Put(decoded.data(), decoded.size());
    out_ += "]]>";
    // Every split is one more piece for libplist.
    nodes_ += sink.splits;
}

}  // namespace ib
