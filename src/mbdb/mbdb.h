// The backup's manifest, "Manifest.mbdb": which device path each stored file holds.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/wz_base.h"

class Mbdb : public WzBase {
  public:
    class MBFileRecord : public WzBase {
      public:
        class Property : public WzBase {
          public:
            std::string name;
            std::string value;  // hash text
        };

        std::string fileName;  // stored-file name: SHA-1 of "domain-path", 40 lower-case hex digits
        std::string domain;
        std::string path;  // device path relative to the domain, '/' separated
        std::string linkTarget;
        std::string dataHash;        // hash text
        std::string encryptionKey;   // hash text
        std::string fixedFieldsHex;  // the 40 fixed bytes as grouped upper-case hex
        std::uint16_t mode = 0;
        std::int32_t inodeHigh = 0;
        std::uint32_t inodeLow = 0;
        std::uint32_t uid = 0;
        std::uint32_t gid = 0;
        struct tm mtime {};
        struct tm atime {};
        struct tm ctime {};
        std::uint32_t size = 0;  // low 32 bits of the size field
        std::uint8_t flags = 0;
        std::uint8_t propertyCount = 0;
        Property* properties = nullptr;  // propertyCount elements, released by the owning Mbdb
    };

    using RecordList = std::vector<MBFileRecord*>;
    // Keys view the path of the record they map to; they live as long as the records.
    using RecordMap = std::unordered_map<std::string_view, MBFileRecord*>;

    Mbdb();
    ~Mbdb() override;
    Mbdb(const Mbdb&) = delete;
    Mbdb& operator=(const Mbdb&) = delete;

    // Reads folder + "Manifest.mbdb" (folder ends with '/'). False only when the file cannot be
    // opened or its header is wrong; a record cut short ends the parse and is dropped.
    bool Parse(const std::string& folder);

    std::string GetRootFolder() const { return rootFolder; }
    // Every complete record in file order; owned by the manifest.
    const RecordList* GetRecords() const { return records; }
    // A copy of the map from device path to the last record with that path.
    RecordMap GetRecordMap() const { return recordMap; }
    // The map itself, for callers that only look up.
    const RecordMap& RecordMapRef() const { return recordMap; }

    // The stored file of the first record (in file order) whose path equals devicePath, or an
    // empty text when no record has it.
    std::string FindStoredFile(const std::string& devicePath) const;
    // The stored file of the last record with that path (the map lookup), or an empty text.
    std::string FindMediaFile(const std::string& devicePath) const;

  private:
    std::string rootFolder;
    RecordList* records;
    RecordMap recordMap;
};
