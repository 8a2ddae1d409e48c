#include "mbdb/mbdb.h"

#include <gcrypt.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "ib/ib_util.h"
#include "util/big_endian_bit_converter.h"
#include "util/wz_tool.h"

namespace {

const unsigned char kHeader[6] = {0x6D, 0x62, 0x64, 0x62, 0x05, 0x00};
const int kFixedGroups[] = {2, 4, 4, 4, 4, 4, 4, 4, 8, 1, 1};
constexpr std::size_t kFixedSize = 40;

void InitCrypto() {
    static const bool ready = [] {
        if (!gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P)) {
            gcry_check_version(nullptr);
            gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
            gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        }
        return true;
    }();
    (void)ready;
}

// A bounded cursor over the manifest bytes; every read checks the end first.
class Reader {
  public:
    Reader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool AtEnd() const { return pos_ >= size_; }

    bool Bytes(std::size_t n, const unsigned char** out) {
        if (size_ - pos_ < n) return false;
        *out = data_ + pos_;
        pos_ += n;
        return true;
    }

    bool String(std::string* out) {
        const unsigned char* len = nullptr;
        if (!Bytes(2, &len)) return false;
        const std::uint16_t n = BigEndianBitConverter::ToUInt16(len, 2, 0);
        out->clear();
        if (n == 0xFFFF || n == 0) return true;
        const unsigned char* bytes = nullptr;
        if (!Bytes(n, &bytes)) return false;
        out->assign(reinterpret_cast<const char*>(bytes), n);
        return true;
    }

    // Printable values are kept as text; any other value becomes upper-case hex.
    bool HashString(std::string* out) {
        if (!String(out)) return false;
        bool printable = true;
        for (unsigned char c : *out) {
            if (c < 0x20 || c > 0x7F) {
                printable = false;
                break;
            }
        }
        if (!printable) {
            std::string hex;
            hex.reserve(out->size() * 2);
            for (unsigned char c : *out) {
                hex += HexDigitUpper(c >> 4);
                hex += HexDigitUpper(c);
            }
            out->swap(hex);
        }
        return true;
    }

  private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Reads the whole file into out; a read error ends the data where it stopped.
void ReadWholeFile(FILE* f, std::vector<unsigned char>* out) {
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0) out->reserve(static_cast<std::size_t>(size));
        std::rewind(f);
    }
    unsigned char chunk[65536];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
        out->insert(out->end(), chunk, chunk + n);
        if (n < sizeof chunk) return;
    }
}

void ToUtc(std::uint32_t seconds, struct tm* out) {
    const time_t t = static_cast<time_t>(seconds);
    if (gmtime_r(&t, out) == nullptr) std::memset(out, 0, sizeof *out);
}

std::string StoredFileName(const std::string& domain, const std::string& path) {
    InitCrypto();
    const std::string key = domain + "-" + path;
    const unsigned int dlen = gcry_md_get_algo_dlen(GCRY_MD_SHA1);
    unsigned char digest[64];
    gcry_md_hash_buffer(GCRY_MD_SHA1, digest, key.data(), key.size());
    std::string name;
    name.reserve(dlen * 2);
    for (unsigned int i = 0; i < dlen; ++i) {
        name += HexDigitLower(digest[i] >> 4);
        name += HexDigitLower(digest[i]);
    }
    return name;
}

// Reads one record; false when it is cut short (the record is then released).
bool ReadRecord(Reader& in, Mbdb::MBFileRecord* rec) {
    if (!in.String(&rec->domain) || !in.String(&rec->path) || !in.String(&rec->linkTarget) ||
        !in.HashString(&rec->dataHash) || !in.HashString(&rec->encryptionKey)) {
        return false;
    }
    const unsigned char* fixed = nullptr;
    if (!in.Bytes(kFixedSize, &fixed)) return false;
    rec->fixedFieldsHex =
        HexDump(fixed, kFixedSize, kFixedGroups, sizeof kFixedGroups / sizeof kFixedGroups[0]);
    rec->mode = BigEndianBitConverter::ToUInt16(fixed, kFixedSize, 0);
    rec->inodeHigh = BigEndianBitConverter::ToInt32(fixed, kFixedSize, 2);
    rec->inodeLow = BigEndianBitConverter::ToUInt32(fixed, kFixedSize, 6);
    rec->uid = BigEndianBitConverter::ToUInt32(fixed, kFixedSize, 10);
    rec->gid = BigEndianBitConverter::ToUInt32(fixed, kFixedSize, 14);
    ToUtc(BigEndianBitConverter::ToUInt32(fixed, kFixedSize, 18), &rec->mtime);
    ToUtc(BigEndianBitConverter::ToUInt32(fixed, kFixedSize, 22), &rec->atime);
    ToUtc(BigEndianBitConverter::ToUInt32(fixed, kFixedSize, 26), &rec->ctime);
    rec->size = static_cast<std::uint32_t>(BigEndianBitConverter::ToUInt64(fixed, kFixedSize, 30));
    rec->flags = fixed[38];
    rec->propertyCount = fixed[39];
    if (rec->propertyCount != 0) {
        rec->properties = new Mbdb::MBFileRecord::Property[rec->propertyCount];
        for (unsigned i = 0; i < rec->propertyCount; ++i) {
            if (!in.String(&rec->properties[i].name) || !in.HashString(&rec->properties[i].value)) {
                return false;
            }
        }
    }
    rec->fileName = StoredFileName(rec->domain, rec->path);
    return true;
}

void ReleaseRecord(Mbdb::MBFileRecord*& rec) {
    CheckedPtr(rec);
    if (rec->propertyCount != 0) TrackedDeleteArray("src/mbdb/mbdb.cpp", __LINE__, rec->properties);
    TrackedDelete("src/mbdb/mbdb.cpp", __LINE__, rec);
}

}  // namespace

Mbdb::Mbdb() : records(new RecordList) {}

Mbdb::~Mbdb() {
    for (MBFileRecord*& rec : *records) ReleaseRecord(rec);
    TrackedDelete("src/mbdb/mbdb.cpp", __LINE__, records);
}

bool Mbdb::Parse(const std::string& folder) {
    rootFolder += folder;
    const std::string file = folder + "Manifest.mbdb";
    FILE* f = WZfopen(file.c_str(), "rb");
    if (f == nullptr) return false;
    std::vector<unsigned char> bytes;
    ReadWholeFile(f, &bytes);
    std::fclose(f);
    if (bytes.size() < sizeof kHeader || std::memcmp(bytes.data(), kHeader, sizeof kHeader) != 0) {
        return false;
    }
    Reader in(bytes.data() + sizeof kHeader, bytes.size() - sizeof kHeader);
    while (!in.AtEnd()) {
        auto* rec = new MBFileRecord;
        if (!ReadRecord(in, rec)) {
            ReleaseRecord(rec);
            break;
        }
        records->push_back(rec);
        recordMap[std::string_view(rec->path)] = rec;
    }
    return true;
}

std::string Mbdb::FindStoredFile(const std::string& devicePath) const {
    for (MBFileRecord* rec : *records) {
        if (CheckedPtr(rec)->path == devicePath) return rootFolder + rec->fileName;
    }
    return std::string();
}

std::string Mbdb::FindMediaFile(const std::string& devicePath) const {
    auto it = recordMap.find(devicePath);
    if (it == recordMap.end()) return std::string();
    return rootFolder + CheckedPtr(it->second)->fileName;
}
