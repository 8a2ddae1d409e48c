#include "mbdb/mbdb.h"

#include <gcrypt.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "ib/ib_util.h"
#include "mbdb/phone_files.h"
#include "util/big_endian_bit_converter.h"
#include "util/gcrypt_init.h"
#include "util/wz_tool.h"

namespace ib {

namespace {

const unsigned char kHeader[6] = {0x6D, 0x62, 0x64, 0x62, 0x05, 0x00};
const int kFixedGroups[] = {2, 4, 4, 4, 4, 4, 4, 4, 8, 1, 1};
constexpr std::size_t kFixedSize = 40;
// The arena's blocks start small and double up to the largest, so that the memory of a manifest
// follows its records: a backup of a few records takes a few kilobytes, not a megabyte.
constexpr std::size_t kFirstArenaBlock = 4 << 10;
constexpr std::size_t kArenaBlock = 1 << 20;
constexpr std::size_t kWindow = 1 << 18;

// The manifest read in pieces: only the texts that the records keep are copied into the arena,
// so the file itself is never held whole. Every read checks the end first.
class Reader {
  public:
    // window: the bytes read at a time (a small file needs no larger window); size: the bytes of
    // the file that were checked, the most that is read (a file that grows while it is read ends
    // where it was checked).
    Reader(FILE* file, MbdbArena& arena, std::size_t window, std::uint64_t size)
        : file_(file), arena_(arena), window_(window), left_(size) {}

    bool AtEnd() { return !Fill(1); }

    // n bytes, valid until the next read.
    bool Bytes(std::size_t n, const unsigned char** out) {
        if (!Fill(n)) return false;
        *out = window_.data() + pos_;
        pos_ += n;
        return true;
    }

    // Absent (0xFFFF) and empty (0) values both read as the empty text. A text that many records
    // share (a domain, a property name) is kept once.
    bool String(std::string_view* out, bool shared = false) {
        const unsigned char* bytes = nullptr;
        if (!Bytes(2, &bytes)) return false;
        const std::uint16_t n = BigEndianBitConverter::ToUInt16(bytes, 2, 0);
        *out = std::string_view();
        if (n == 0xFFFF || n == 0) return true;
        if (!Bytes(n, &bytes)) return false;
        const std::string_view text(reinterpret_cast<const char*>(bytes), n);
        if (!shared) {
            *out = arena_.Copy(text.data(), text.size());
            return true;
        }
        // Records of one domain come in runs: the text of the previous record is tried first.
        if (text == last_) {
            *out = last_;
            return true;
        }
        auto it = shared_.find(text);
        if (it == shared_.end()) it = shared_.insert(arena_.Copy(text.data(), text.size())).first;
        *out = *it;
        last_ = *it;
        return true;
    }

    // Printable values are kept as text; any other value becomes upper-case hex.
    bool HashString(std::string_view* out) {
        const unsigned char* bytes = nullptr;
        if (!Bytes(2, &bytes)) return false;
        const std::uint16_t n = BigEndianBitConverter::ToUInt16(bytes, 2, 0);
        *out = std::string_view();
        if (n == 0xFFFF || n == 0) return true;
        if (!Bytes(n, &bytes)) return false;
        bool printable = true;
        for (std::size_t i = 0; i < n; ++i) {
            if (bytes[i] < 0x20 || bytes[i] > 0x7F) {
                printable = false;
                break;
            }
        }
        if (printable) {
            *out = arena_.Copy(reinterpret_cast<const char*>(bytes), n);
            return true;
        }
        hex_.clear();
        for (std::size_t i = 0; i < n; ++i) {
            hex_ += HexDigitUpper(bytes[i] >> 4);
            hex_ += HexDigitUpper(bytes[i]);
        }
        *out = arena_.Copy(hex_.data(), hex_.size());
        return true;
    }

  private:
    // Makes n bytes available at pos_; false when the file ends (or fails) before them. A read
    // error ends the data where it stopped, like the end of the file.
    bool Fill(std::size_t n) {
        if (end_ - pos_ >= n) return true;
        if (eof_) return false;
        std::memmove(window_.data(), window_.data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        if (window_.size() < n) window_.resize(n);
        while (end_ < window_.size()) {
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::uint64_t>(window_.size() - end_, left_));
            const std::size_t got =
                want == 0 ? 0 : std::fread(window_.data() + end_, 1, want, file_);
            end_ += got;
            left_ -= got;
            if (got == 0) {
                eof_ = true;
                break;
            }
        }
        return end_ - pos_ >= n;
    }

    FILE* file_;
    MbdbArena& arena_;
    std::vector<unsigned char> window_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    std::uint64_t left_;
    std::string hex_;
    std::unordered_set<std::string_view> shared_;
    std::string_view last_;
};

class Parser {
  public:
    explicit Parser(MbdbArena& arena) : arena_(arena) { InitGcrypt(); }

    // Reads one record into rec; false when it is cut short.
    bool ReadRecord(Reader& in, Mbdb::MBFileRecord* rec) {
        if (!in.String(&rec->domain, true) || !in.String(&rec->path) ||
            !in.String(&rec->linkTarget) || !in.HashString(&rec->dataHash) ||
            !in.HashString(&rec->encryptionKey)) {
            return false;
        }
        const unsigned char* fixed = nullptr;
        if (!in.Bytes(kFixedSize, &fixed)) return false;
        rec->mode = BigEndianBitConverter::ToUInt16(fixed, kFixedSize, 0);
        rec->inodeHigh = BigEndianBitConverter::ToInt32(fixed, kFixedSize, 2);
        rec->inodeLow = BigEndianBitConverter::ToUInt32(fixed, kFixedSize, 6);
        rec->uid = BigEndianBitConverter::ToUInt32(fixed, kFixedSize, 10);
        rec->gid = BigEndianBitConverter::ToUInt32(fixed, kFixedSize, 14);
        rec->mtimeSeconds = BigEndianBitConverter::ToUInt32(fixed, kFixedSize, 18);
        rec->atimeSeconds = BigEndianBitConverter::ToUInt32(fixed, kFixedSize, 22);
        rec->ctimeSeconds = BigEndianBitConverter::ToUInt32(fixed, kFixedSize, 26);
        const std::uint64_t size = BigEndianBitConverter::ToUInt64(fixed, kFixedSize, 30);
        rec->size = static_cast<std::uint32_t>(size);
        rec->sizeHigh = static_cast<std::uint32_t>(size >> 32);
        rec->flags = fixed[38];
        rec->propertyCount = fixed[39];
        if (rec->propertyCount != 0) {
            rec->properties = new (arena_) Mbdb::MBFileRecord::Property[rec->propertyCount];
            for (unsigned i = 0; i < rec->propertyCount; ++i) {
                if (!in.String(&rec->properties[i].name, true) ||
                    !in.HashString(&rec->properties[i].value)) {
                    return false;
                }
            }
        }
        StoredFileDigest(rec->domain, rec->path, rec->digest);
        return true;
    }

  private:
    // SHA-1 of "domain-path", hashed from the texts where they lie.
    static void StoredFileDigest(std::string_view domain, std::string_view path,
                                 unsigned char digest[20]) {
        static const char kDash = '-';
        gcry_buffer_t parts[3] = {};
        parts[0].data = const_cast<char*>(domain.data());
        parts[0].len = domain.size();
        parts[1].data = const_cast<char*>(&kDash);
        parts[1].len = 1;
        parts[2].data = const_cast<char*>(path.data());
        parts[2].len = path.size();
        gcry_md_hash_buffers(GCRY_MD_SHA1, 0, digest, parts, 3);
    }

    MbdbArena& arena_;
};

void ReleaseRecord(Mbdb::MBFileRecord*& rec) {
    CheckedPtr(rec);
    if (rec->propertyCount != 0) {
        TrackedDeleteArray("src/mbdb/mbdb.cpp", __LINE__, rec->properties);
    }
    TrackedDelete("src/mbdb/mbdb.cpp", __LINE__, rec);
}

}  // namespace

struct tm Mbdb::MBFileRecord::ToUtc(std::uint32_t seconds) {
    struct tm t;
    std::memset(&t, 0, sizeof t);
    struct tm* out = &t;
    const std::int64_t days = seconds / 86400;
    const std::int64_t rest = seconds % 86400;
    out->tm_hour = static_cast<int>(rest / 3600);
    out->tm_min = static_cast<int>(rest % 3600 / 60);
    out->tm_sec = static_cast<int>(rest % 60);
    out->tm_wday = static_cast<int>((days + 4) % 7);  // 1970-01-01 was a Thursday
    // Civil date from a day count (the days-from-civil inverse, with eras of 400 years).
    const std::int64_t z = days + 719468;
    const std::int64_t era = z / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    out->tm_year = static_cast<int>(year - 1900);
    out->tm_mon = static_cast<int>(month - 1);
    out->tm_mday = static_cast<int>(day);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static const int kStart[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    out->tm_yday = kStart[month - 1] + static_cast<int>(day) - 1 + (leap && month > 2 ? 1 : 0);
    return t;
}

void* MbdbArena::Allocate(std::size_t size, std::size_t align) {
    std::size_t pad = reinterpret_cast<std::uintptr_t>(next_) % align;
    pad = pad ? align - pad : 0;
    if (next_ == nullptr || left_ < size + pad) {
        std::size_t block = std::min(std::max(kFirstArenaBlock, reserved_), kArenaBlock);
        block = std::max(block, size + align);
        blocks_.emplace_back(new char[block]);
        reserved_ += block;
        next_ = blocks_.back().get();
        left_ = block;
        pad = reinterpret_cast<std::uintptr_t>(next_) % align;
        pad = pad ? align - pad : 0;
    }
    char* out = next_ + pad;
    next_ = out + size;
    left_ -= size + pad;
    return out;
}

std::string_view MbdbArena::Copy(const char* data, std::size_t size) {
    if (size == 0) return std::string_view();
    char* out = static_cast<char*>(Allocate(size, 1));
    std::memcpy(out, data, size);
    return std::string_view(out, size);
}

void* Mbdb::MBFileRecord::operator new(std::size_t size, MbdbArena& arena) {
    return arena.Allocate(size, alignof(MBFileRecord));
}

void* Mbdb::MBFileRecord::Property::operator new[](std::size_t size, MbdbArena& arena) {
    return arena.Allocate(size, alignof(std::max_align_t));
}

Mbdb::Mbdb() : records(new RecordList), arena(new MbdbArena) {}

Mbdb::~Mbdb() {
    for (MBFileRecord*& rec : *records) ReleaseRecord(rec);
    TrackedDelete("src/mbdb/mbdb.cpp", __LINE__, records);
}

bool Mbdb::Parse(const std::string& folder) {
    return Parse(folder, Limits());
}

bool Mbdb::Parse(const std::string& folder, const Limits& limits) {
    rootFolder += folder;
    const std::string file = folder + "Manifest.mbdb";
    FILE* f = WZfopen(file.c_str(), "rb");
    if (f == nullptr) return false;
    // The size is checked before anything is read, and nothing is sized by it: a file may claim a
    // gigabyte and hold a few kilobytes (sparse), so memory follows the records actually read.
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || st.st_size < 0 ||
        static_cast<std::uint64_t>(st.st_size) > limits.bytes) {
        std::fclose(f);
        return false;
    }
    const std::size_t window = std::max<std::size_t>(
        std::min<std::size_t>(static_cast<std::size_t>(st.st_size), kWindow), sizeof kHeader);
    Reader in(f, *arena, window, static_cast<std::uint64_t>(st.st_size));
    const unsigned char* header = nullptr;
    if (!in.Bytes(sizeof kHeader, &header) || std::memcmp(header, kHeader, sizeof kHeader) != 0) {
        std::fclose(f);
        return false;
    }
    Parser parser(*arena);
    bool refused = false;
    while (!in.AtEnd()) {
        if (records->size() >= limits.records) {
            refused = true;
            break;
        }
        auto* rec = new (*arena) MBFileRecord;
        if (!parser.ReadRecord(in, rec)) {
            ReleaseRecord(rec);
            break;
        }
        records->push_back(rec);
    }
    std::fclose(f);
    indexBuilt = false;
    if (refused) {
        // Nothing of a damaged manifest is kept: its kinds find no files.
        for (MBFileRecord*& rec : *records) ReleaseRecord(rec);
        RecordList().swap(*records);
        arena.reset(new MbdbArena);
        return false;
    }
    return true;
}

const char* Mbdb::MBFileRecord::FileNameInto(char out[40]) const {
    for (std::size_t i = 0; i < sizeof digest; ++i) {
        out[2 * i] = HexDigitLower(digest[i] >> 4);
        out[2 * i + 1] = HexDigitLower(digest[i]);
    }
    return out;
}

std::string Mbdb::MBFileRecord::fileName() const {
    char name[40];
    return std::string(FileNameInto(name), sizeof name);
}

std::string Mbdb::MBFileRecord::fixedFieldsHex() const {
    // The 40 bytes as the file holds them, big-endian.
    unsigned char fixed[kFixedSize];
    auto put = [&fixed](std::size_t at, std::uint64_t v, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            fixed[at + i] = static_cast<unsigned char>(v >> (8 * (n - 1 - i)));
    };
    put(0, mode, 2);
    put(2, static_cast<std::uint32_t>(inodeHigh), 4);
    put(6, inodeLow, 4);
    put(10, uid, 4);
    put(14, gid, 4);
    put(18, mtimeSeconds, 4);
    put(22, atimeSeconds, 4);
    put(26, ctimeSeconds, 4);
    put(30, std::uint64_t(sizeHigh) << 32 | size, 8);
    fixed[38] = flags;
    fixed[39] = propertyCount;
    return HexDump(fixed, kFixedSize, kFixedGroups, sizeof kFixedGroups / sizeof kFixedGroups[0]);
}

Mbdb::RecordMap Mbdb::GetRecordMap() const {
    RecordMap map;
    map.reserve(records->size());
    // A later record with the same path replaces the earlier one.
    for (MBFileRecord* rec : *records) map[rec->path] = rec;
    return map;
}

namespace {

// A hash of a path, eight bytes at a time: the index orders the records by it first, so that
// nearly every comparison of the sort and of a lookup is one of two numbers (the paths of a
// phone share long beginnings, "Library/" and more, which a comparison of texts walks through).
std::uint64_t PathHash(std::string_view path) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = path.size() * kMultiplier;
    const char* p = path.data();
    std::size_t left = path.size();
    for (; left >= 8; p += 8, left -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        h = (h ^ word) * kMultiplier;
        h ^= h >> 32;
    }
    std::uint64_t word = 0;
    if (left != 0) std::memcpy(&word, p, left);  // an empty path may have no bytes at all
    h = (h ^ word) * kMultiplier;
    return h ^ (h >> 29);
}

}  // namespace

void Mbdb::BuildIndex() const {
    const RecordList& list = *records;
    const std::size_t n = list.size();
    // The hashes spread the records evenly: they are dealt into buckets by their top bits (about
    // one bucket per record), in file order, and only the few records of a bucket are sorted.
    int bits = 4;
    while (bits < 20 && (std::size_t(1) << bits) < n) ++bits;
    const int shift = 64 - bits;
    std::vector<std::uint64_t> hashes(n);
    std::vector<std::uint32_t> starts((std::size_t(1) << bits) + 1, 0);
    for (std::size_t i = 0; i < n; ++i) {
        hashes[i] = PathHash(CheckedPtr(list[i])->path);
        ++starts[(hashes[i] >> shift) + 1];
    }
    for (std::size_t b = 1; b < starts.size(); ++b) starts[b] += starts[b - 1];
    std::vector<std::uint32_t> index(n);
    {
        std::vector<std::uint32_t> next(starts.begin(), starts.end() - 1);
        for (std::size_t i = 0; i < n; ++i) {
            index[next[hashes[i] >> shift]++] = static_cast<std::uint32_t>(i);
        }
    }
    const auto before = [&list, &hashes](std::uint32_t a, std::uint32_t b) {
        if (hashes[a] != hashes[b]) return hashes[a] < hashes[b];
        const MBFileRecord* ra = list[a];
        const MBFileRecord* rb = list[b];
        if (const int c = ra->path.compare(rb->path)) return c < 0;
        if (const int c = ra->domain.compare(rb->domain)) return c < 0;
        return a < b;
    };
    for (std::size_t b = 0; b + 1 < starts.size(); ++b) {
        if (starts[b + 1] - starts[b] > 1) {
            std::sort(index.begin() + starts[b], index.begin() + starts[b + 1], before);
        }
    }
    // Each entry's hash beside the index, so that a lookup finds its path's entries in one
    // contiguous array of numbers and compares texts only among them.
    std::vector<std::uint64_t> sortedHashes(n);
    for (std::size_t k = 0; k < n; ++k) sortedHashes[k] = hashes[index[k]];
    pathIndex.swap(index);
    pathHashes.swap(sortedHashes);
    indexBuilt = true;
}

const Mbdb::MBFileRecord* Mbdb::FindPhoneRecord(std::string_view devicePath, bool last) const {
    std::string_view domains[PhoneFiles::kMaxDomains];
    const std::size_t count = PhoneFiles::DomainsOf(devicePath, domains);
    if (count == 0) return nullptr;
    if (!indexBuilt) BuildIndex();
    const RecordList& list = *records;
    // Among the entries of the path's hash (as a rule the path's own records only), orders an
    // entry against (path, domain), as the index is sorted.
    auto order = [this, &list](std::uint32_t position, std::string_view path,
                               std::string_view domain) {
        ++indexSteps;
        const MBFileRecord* rec = list[position];
        if (const int c = rec->path.compare(path)) return c;
        return rec->domain.compare(domain);
    };
    const MBFileRecord* found = nullptr;
    std::uint32_t foundAt = 0;
    const auto hashes = std::equal_range(pathHashes.begin(), pathHashes.end(), PathHash(devicePath),
                                         [this](std::uint64_t a, std::uint64_t b) {
                                             ++indexSteps;
                                             return a < b;
                                         });
    const auto first = pathIndex.begin() + (hashes.first - pathHashes.begin());
    const auto past = pathIndex.begin() + (hashes.second - pathHashes.begin());
    for (std::size_t d = 0; d < count; ++d) {
        const std::string_view domain = domains[d];
        // The records of (path, domain) are one range of the index, in file order.
        const auto begin = std::lower_bound(first, past, 0, [&](std::uint32_t position, int) {
            return order(position, devicePath, domain) < 0;
        });
        const auto end = std::upper_bound(begin, past, 0, [&](int, std::uint32_t position) {
            return order(position, devicePath, domain) > 0;
        });
        if (begin == end) continue;
        const std::uint32_t at = last ? *(end - 1) : *begin;
        if (found == nullptr || (last ? at > foundAt : at < foundAt)) {
            found = CheckedPtr(list[at]);
            foundAt = at;
        }
    }
    return found;
}

bool Mbdb::IsPhoneFile(const MBFileRecord* record) {
    return PhoneFiles::Holds(CheckedPtr(record)->domain, record->path);
}

std::string Mbdb::StoredPath(const MBFileRecord* record) const {
    char name[40];
    std::string path;
    path.reserve(rootFolder.size() + sizeof name);
    path = rootFolder;
    path.append(record->FileNameInto(name), sizeof name);
    return path;
}

std::string Mbdb::FindStoredFile(std::string_view devicePath) const {
    const MBFileRecord* rec = FindPhoneRecord(devicePath, false);
    return rec != nullptr ? StoredPath(rec) : std::string();
}

std::string Mbdb::FindMediaFile(std::string_view devicePath) const {
    const MBFileRecord* rec = FindPhoneRecord(devicePath, true);
    return rec != nullptr ? StoredPath(rec) : std::string();
}

}  // namespace ib
