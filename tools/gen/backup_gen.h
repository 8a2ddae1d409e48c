// Synthetic iTunes backups for tests, benchmarks and the demo: a backup folder with Info.plist,
// Manifest.plist, a Manifest.mbdb that looks like a real one, and stored files named by SHA-1.
// Everything is deterministic from a seed.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace gen {

// One manifest record, as Manifest.mbdb stores it.
struct MbdbRecord {
    std::string domain;
    std::string path;
    std::string linkTarget;
    std::string dataHash;       // raw bytes; empty is written as absent (0xFFFF)
    std::string encryptionKey;  // raw bytes; empty is written as absent (0xFFFF)
    std::uint16_t mode = 0x81A4;
    std::uint64_t inode = 0;
    std::uint32_t uid = 501;
    std::uint32_t gid = 501;
    std::uint32_t mtime = 0;
    std::uint32_t atime = 0;
    std::uint32_t ctime = 0;
    std::uint64_t size = 0;
    std::uint8_t flags = 4;
    std::vector<std::pair<std::string, std::string>> properties;
};

// Encoders of the manifest format, also used by tests to build damaged files.
std::string EncodeMbdbHeader();
std::string EncodeMbdbString(const std::string& value, bool absent = false);
std::string EncodeMbdbRecord(const MbdbRecord& record);
std::string EncodeMbdb(const std::vector<MbdbRecord>& records);

// SHA-1 of "domain-path" as 40 lower-case hex digits: the stored file's name.
std::string StoredName(const std::string& domain, const std::string& path);

// Writes a whole file; throws std::runtime_error on failure.
void WriteFile(const std::string& path, const std::string& contents);
std::string ReadFile(const std::string& path);
// Creates a folder and its parents.
void MakeDirs(const std::string& path);
// Removes a folder and everything in it (for test teardown).
void RemoveTree(const std::string& path);

struct DeviceInfo {
    std::string deviceName = "Ann's iPhone";
    std::string serialNumber = "C39KX0QZDTC1";
    // Unix seconds of the last backup.
    std::int64_t lastBackup = 1370336587;  // 2013-06-04 09:03:07 UTC
    bool hasLastBackup = true;
    std::string productType = "iPhone5,2";
    std::string productVersion = "7.1.2";
    bool binaryInfo = false;  // real backups write Info.plist as XML
    bool encrypted = false;
};

class BackupBuilder {
  public:
    // folder: the backup folder to create (ending or not with '/').
    BackupBuilder(std::string folder, std::uint32_t seed = 1);

    const std::string& Folder() const { return folder_; }
    DeviceInfo& Info() { return info_; }
    std::mt19937& Rng() { return rng_; }

    // A file of the device: a manifest record (unless inManifest is false) and the stored file
    // (unless stored is false). Returns the stored file's full path.
    std::string AddFile(const std::string& domain, const std::string& path,
                        const std::string& contents, bool inManifest = true, bool stored = true);
    // A record without a stored file.
    void AddRecord(const MbdbRecord& record);
    void AddDomainRoot(const std::string& domain);
    void AddDirectory(const std::string& domain, const std::string& path);
    void AddSymlink(const std::string& domain, const std::string& path, const std::string& target);
    // Realistic records of other apps and domains (directories, symlinks, files, properties,
    // decomposed accents), with stored files for every tenth file record.
    void AddFiller(std::size_t count);

    std::size_t RecordCount() const { return records_.size(); }
    std::vector<MbdbRecord>& Records() { return records_; }

    // Writes Info.plist, Manifest.plist and Manifest.mbdb.
    void Write();

  private:
    MbdbRecord NewRecord(const std::string& domain, const std::string& path);

    std::string folder_;
    std::mt19937 rng_;
    DeviceInfo info_;
    std::vector<MbdbRecord> records_;
    std::uint64_t nextInode_ = 100000;
};

}  // namespace gen
