#include "mbdb/mbdb.h"

#include <gcrypt.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "ib/ib_util.h"
#include "util/big_endian_bit_converter.h"
#include "util/gcrypt_init.h"
#include "util/wz_tool.h"

namespace {

const unsigned char kHeader[6] = {0x6D, 0x62, 0x64, 0x62, 0x05, 0x00};
const int kFixedGroups[] = {2, 4, 4, 4, 4, 4, 4, 4, 8, 1, 1};
constexpr std::size_t kFixedSize = 40;
constexpr std::size_t kArenaBlock = 1 << 20;
constexpr std::size_t kWindow = 1 << 18;

// The manifest read in pieces: only the texts that the records keep are copied into the arena,
// so the file itself is never held whole. Every read checks the end first.
class Reader {
  public:
    Reader(FILE* file, MbdbArena& arena) : file_(file), arena_(arena) {}

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
            const std::size_t got =
                std::fread(window_.data() + end_, 1, window_.size() - end_, file_);
            end_ += got;
            if (got == 0) {
                eof_ = true;
                break;
            }
        }
        return end_ - pos_ >= n;
    }

    FILE* file_;
    MbdbArena& arena_;
    std::vector<unsigned char> window_ = std::vector<unsigned char>(kWindow);
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
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
        const std::size_t block = size + align > kArenaBlock ? size + align : kArenaBlock;
        blocks_.emplace_back(new char[block]);
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
    rootFolder += folder;
    const std::string file = folder + "Manifest.mbdb";
    FILE* f = WZfopen(file.c_str(), "rb");
    if (f == nullptr) return false;
    Reader in(f, *arena);
    const unsigned char* header = nullptr;
    if (!in.Bytes(sizeof kHeader, &header) || std::memcmp(header, kHeader, sizeof kHeader) != 0) {
        std::fclose(f);
        return false;
    }
    // Records are at least 50 bytes long; real ones about 100 to 200.
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && st.st_size > 0)
        records->reserve(static_cast<std::size_t>(st.st_size) / 100);
    Parser parser(*arena);
    while (!in.AtEnd()) {
        auto* rec = new (*arena) MBFileRecord;
        if (!parser.ReadRecord(in, rec)) {
            ReleaseRecord(rec);
            break;
        }
        records->push_back(rec);
    }
    std::fclose(f);
    indexBuilt = false;
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

std::uint32_t Mbdb::PathHash(std::string_view path) {
    // Eight bytes at a time, each word mixed in by a multiplication; a final mix folds the upper
    // half, where every byte has reached, into the 32 bits that the index keeps.
    const std::uint64_t k = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = path.size() * k;
    const char* p = path.data();
    std::size_t n = path.size();
    for (; n >= 8; n -= 8, p += 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ w) * k;
        h ^= h >> 32;
    }
    if (n > 0) {
        std::uint64_t w = 0;
        std::memcpy(&w, p, n);
        h = (h ^ w) * k;
    }
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return static_cast<std::uint32_t>(h);
}

void Mbdb::BuildIndex() const {
    const RecordList& list = *records;
    const std::size_t n = list.size();
    std::vector<IndexEntry> sorted(n);
    // The counts of each byte of the hashes, for the four passes below, as the hashes are made.
    std::vector<std::size_t> start(4 * 257, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t h = PathHash(CheckedPtr(list[i])->path);
        sorted[i] = {h, static_cast<std::uint32_t>(i)};
        for (unsigned pass = 0; pass < 4; ++pass)
            ++start[pass * 257 + ((h >> (8 * pass)) & 0xFF) + 1];
    }
    // Least significant byte first, each pass stable: records of one hash stay in file order.
    std::vector<IndexEntry> other(n);
    for (unsigned pass = 0; pass < 4; ++pass) {
        std::size_t* at = &start[pass * 257];
        for (std::size_t b = 1; b < 257; ++b) at[b] += at[b - 1];
        const unsigned shift = 8 * pass;
        for (const IndexEntry& e : sorted) other[at[(e.hash >> shift) & 0xFF]++] = e;
        sorted.swap(other);
    }
    other = std::vector<IndexEntry>();
    // Runs of one hash: where they hold more than one path, by path, file order kept within each.
    for (std::size_t begin = 0; begin < n;) {
        std::size_t end = begin + 1;
        bool onePath = true;
        while (end < n && sorted[end].hash == sorted[begin].hash) {
            onePath =
                onePath && list[sorted[end].position]->path == list[sorted[begin].position]->path;
            ++end;
        }
        if (!onePath) {
            std::stable_sort(sorted.begin() + static_cast<std::ptrdiff_t>(begin),
                             sorted.begin() + static_cast<std::ptrdiff_t>(end),
                             [&list](const IndexEntry& a, const IndexEntry& b) {
                                 return list[a.position]->path < list[b.position]->path;
                             });
        }
        begin = end;
    }
    pathIndex.swap(sorted);
    indexBuilt = true;
}

const Mbdb::MBFileRecord* Mbdb::FindLast(std::string_view devicePath) const {
    if (!indexBuilt) BuildIndex();
    const RecordList& list = *records;
    const std::uint32_t hash = PathHash(devicePath);
    const auto first =
        std::lower_bound(pathIndex.begin(), pathIndex.end(), hash,
                         [](const IndexEntry& e, std::uint32_t h) { return e.hash < h; });
    auto last = first;
    while (last != pathIndex.end() && last->hash == hash) ++last;
    // The end of the run of records with devicePath; a later record with the same path wins.
    const auto end = std::upper_bound(first, last, devicePath,
                                      [&list](std::string_view path, const IndexEntry& e) {
                                          return path < list[e.position]->path;
                                      });
    if (end == first) return nullptr;
    const MBFileRecord* rec = CheckedPtr(list[(end - 1)->position]);
    return rec->path == devicePath ? rec : nullptr;
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
    for (MBFileRecord* rec : *records) {
        if (CheckedPtr(rec)->path == devicePath) return StoredPath(rec);
    }
    return std::string();
}

std::string Mbdb::FindMediaFile(std::string_view devicePath) const {
    const MBFileRecord* rec = FindLast(devicePath);
    return rec != nullptr ? StoredPath(rec) : std::string();
}
