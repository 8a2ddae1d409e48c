// The backup's manifest, "Manifest.mbdb": which device path each stored file holds.
//
// A manifest may hold hundreds of thousands of records, so the records and their texts live in
// memory owned by the manifest: the file is read in pieces, the texts that the records keep are
// copied into the manifest's arena (a domain or property name that many records share, once),
// and the records are placed in the arena. Nothing else of the file is kept. Everything stays
// valid until the manifest is destroyed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/wz_base.h"

namespace ib {

// Bump allocator for the records of one manifest; released as a whole.
class MbdbArena {
  public:
    MbdbArena() = default;
    MbdbArena(const MbdbArena&) = delete;
    MbdbArena& operator=(const MbdbArena&) = delete;

    void* Allocate(std::size_t size, std::size_t align);
    // A copy of the bytes that lives as long as the arena.
    std::string_view Copy(const char* data, std::size_t size);
    // The bytes of every block taken so far.
    std::size_t ReservedBytes() const { return reserved_; }

  private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
    std::size_t reserved_ = 0;
};

class Mbdb : public WzBase {
  public:
    class MBFileRecord : public WzBase {
      public:
        class Property : public WzBase {
          public:
            std::string_view name;
            std::string_view value;  // hash text

            static void* operator new[](std::size_t size, MbdbArena& arena);
            // The memory belongs to the manifest's arena.
            static void operator delete[](void*) noexcept {}
            static void operator delete[](void*, MbdbArena&) noexcept {}
            static void* operator new(std::size_t) = delete;
            static void* operator new[](std::size_t) = delete;
        };

        // The stored-file name: SHA-1 of "domain-path" as 40 lower-case hex digits, written out
        // from the digest when asked (kept as text for every record, the name would add a fifth
        // to the manifest's memory).
        std::string fileName() const;
        // The name written to out, which holds 40 characters; returns out.
        const char* FileNameInto(char out[40]) const;
        std::string_view domain;
        std::string_view path;  // device path relative to the domain, '/' separated
        std::string_view linkTarget;
        std::string_view dataHash;       // hash text
        std::string_view encryptionKey;  // hash text
        std::uint16_t mode = 0;
        std::int32_t inodeHigh = 0;
        std::uint32_t inodeLow = 0;
        std::uint32_t uid = 0;
        std::uint32_t gid = 0;
        // The three time stamps as stored (Unix seconds); MTime, ATime and CTime give them as
        // broken-down UTC time.
        std::uint32_t mtimeSeconds = 0;
        std::uint32_t atimeSeconds = 0;
        std::uint32_t ctimeSeconds = 0;
        std::uint32_t size = 0;      // low 32 bits of the size field
        std::uint32_t sizeHigh = 0;  // its high 32 bits
        std::uint8_t flags = 0;
        std::uint8_t propertyCount = 0;
        Property* properties = nullptr;  // propertyCount elements, released by the owning Mbdb
        unsigned char digest[20] = {};   // SHA-1 of "domain-path"

        // The 40 fixed bytes as grouped upper-case hex ("81A4 00000001 ... 04 02"), worked out
        // from the fields when asked: kept for every record it would double the manifest's size.
        std::string fixedFieldsHex() const;

        struct tm MTime() const {
            return ToUtc(mtimeSeconds);
        }
        struct tm ATime() const {
            return ToUtc(atimeSeconds);
        }
        struct tm CTime() const {
            return ToUtc(ctimeSeconds);
        }
        // Unix seconds as broken-down UTC time, as gmtime gives it.
        static struct tm ToUtc(std::uint32_t seconds);

        // Records are made only by the manifest parse, in the manifest's arena.
        static void* operator new(std::size_t size, MbdbArena& arena);
        static void operator delete(void*) noexcept {}
        static void operator delete(void*, MbdbArena&) noexcept {}
        static void* operator new(std::size_t) = delete;
    };

    using RecordList = std::vector<MBFileRecord*>;
    // Keys view the path of the record they map to.
    using RecordMap = std::unordered_map<std::string_view, MBFileRecord*>;

    Mbdb();
    ~Mbdb() override;
    Mbdb(const Mbdb&) = delete;
    Mbdb& operator=(const Mbdb&) = delete;

    // What one manifest may hold. A manifest beyond either bound is damaged: it is refused whole
    // (no records), so that no file can make the listing cost more than a real manifest of the
    // largest size does (heavy phones have a few hundred thousand records, about 150 bytes each).
    struct Limits {
        std::uint64_t bytes = std::uint64_t(1) << 30;
        std::size_t records = 4000000;
    };

    // Reads folder + "Manifest.mbdb" (folder ends with '/'). False when the file cannot be opened,
    // its header is wrong or it exceeds the limits; a record cut short ends the parse and is
    // dropped.
    bool Parse(const std::string& folder);
    bool Parse(const std::string& folder, const Limits& limits);

    std::string GetRootFolder() const { return rootFolder; }
    // Every complete record in file order; owned by the manifest.
    const RecordList* GetRecords() const { return records; }
    // A new map from device path to the last record (in file order) with that path.
    RecordMap GetRecordMap() const;

    // The lookups of the phone's own files: only records of the domain the phone keeps
    // devicePath in count (PhoneFiles); a path the phone does not keep finds nothing.
    // The stored file of the first such record (in file order) with devicePath, or an empty text.
    std::string FindStoredFile(std::string_view devicePath) const;
    // The stored file of the last such record with devicePath, or an empty text.
    std::string FindMediaFile(std::string_view devicePath) const;
    // rootFolder followed by the record's stored-file name.
    std::string StoredPath(const MBFileRecord* record) const;
    // Whether the record is the phone's own file (its domain is the one the phone keeps its
    // path in), for the readers that walk the records.
    static bool IsPhoneFile(const MBFileRecord* record);

    // Index entries compared by the lookups so far: a lookup compares about log2 of the records,
    // however many records share its path.
    std::size_t IndexSteps() const { return indexSteps; }
    // The bytes that the records' memory has taken.
    std::size_t ArenaBytes() const { return arena->ReservedBytes(); }

  private:
    // The first or the last record (in file order) of devicePath among the phone's domains for
    // it, or null. The path index is built once per manifest, at its first use (listing a backup
    // does not need it): the record positions sorted by a hash of the path, then path, domain
    // and position. A lookup is a binary search per domain; it walks no run of records, so a
    // manifest of one path a million times costs what one of distinct paths does.
    const MBFileRecord* FindPhoneRecord(std::string_view devicePath, bool last) const;
    void BuildIndex() const;

    std::string rootFolder;
    RecordList* records;
    mutable std::vector<std::uint32_t> pathIndex;   // positions in records
    mutable std::vector<std::uint64_t> pathHashes;  // each entry's path hash
    mutable bool indexBuilt = false;
    mutable std::size_t indexSteps = 0;
    std::unique_ptr<MbdbArena> arena;
};

}  // namespace ib
