#include "gen/backup_gen.h"

#include <gcrypt.h>
#include <plist/plist.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "util/gcrypt_init.h"

namespace gen {

namespace {

void PutU16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v & 0xFF);
}
void PutU32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}
void PutU64(std::string& out, std::uint64_t v) {
    for (int shift = 56; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

std::string Hex(const unsigned char* bytes, std::size_t n) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0xF];
    }
    return out;
}

std::string Sha1(const std::string& data) {
    InitGcrypt();
    unsigned char digest[20];
    gcry_md_hash_buffer(GCRY_MD_SHA1, digest, data.data(), data.size());
    return std::string(reinterpret_cast<const char*>(digest), 20);
}

std::string PlistToString(plist_t node, bool binary) {
    char* data = nullptr;
    uint32_t len = 0;
    if (binary) {
        plist_to_bin(node, &data, &len);
    } else {
        plist_to_xml(node, &data, &len);
    }
    std::string out(data ? data : "", len);
    std::free(data);
    return out;
}

// Seconds since 2001-01-01 for libplist dates.
constexpr std::int64_t kAppleEpochOffset = 978307200;

}  // namespace

std::string EncodeMbdbHeader() {
    return std::string("mbdb\x05\x00", 6);
}

std::string EncodeMbdbString(const std::string& value, bool absent) {
    std::string out;
    if (absent) {
        PutU16(out, 0xFFFF);
        return out;
    }
    PutU16(out, static_cast<std::uint16_t>(value.size()));
    out += value;
    return out;
}

std::string EncodeMbdbRecord(const MbdbRecord& r) {
    std::string out;
    out += EncodeMbdbString(r.domain);
    out += EncodeMbdbString(r.path);
    out += EncodeMbdbString(r.linkTarget, r.linkTarget.empty());
    out += EncodeMbdbString(r.dataHash, r.dataHash.empty());
    out += EncodeMbdbString(r.encryptionKey, r.encryptionKey.empty());
    PutU16(out, r.mode);
    PutU64(out, r.inode);
    PutU32(out, r.uid);
    PutU32(out, r.gid);
    PutU32(out, r.mtime);
    PutU32(out, r.atime);
    PutU32(out, r.ctime);
    PutU64(out, r.size);
    out += static_cast<char>(r.flags);
    out += static_cast<char>(r.properties.size());
    for (const auto& p : r.properties) {
        out += EncodeMbdbString(p.first);
        out += EncodeMbdbString(p.second);
    }
    return out;
}

std::string EncodeMbdb(const std::vector<MbdbRecord>& records) {
    std::string out = EncodeMbdbHeader();
    for (const auto& r : records) out += EncodeMbdbRecord(r);
    return out;
}

std::string StoredName(const std::string& domain, const std::string& path) {
    const std::string digest = Sha1(domain + "-" + path);
    return Hex(reinterpret_cast<const unsigned char*>(digest.data()), digest.size());
}

void WriteFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void MakeDirs(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) throw std::runtime_error("cannot create " + path + ": " + ec.message());
}

void RemoveTree(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

BackupBuilder::BackupBuilder(std::string folder, std::uint32_t seed)
    : folder_(std::move(folder)), rng_(seed) {
    if (folder_.empty() || folder_.back() != '/') folder_ += '/';
    MakeDirs(folder_);
}

MbdbRecord BackupBuilder::NewRecord(const std::string& domain, const std::string& path) {
    MbdbRecord r;
    r.domain = domain;
    r.path = path;
    r.inode = nextInode_++;
    // Time stamps between 2012 and 2014; a few lie in the future.
    std::uniform_int_distribution<std::uint32_t> when(1325376000u, 1420070400u);
    r.mtime = when(rng_);
    r.atime = r.mtime + 60;
    r.ctime = r.mtime;
    if (rng_() % 97 == 0) r.mtime = 2200000000u;
    return r;
}

std::string BackupBuilder::AddFile(const std::string& domain, const std::string& path,
                                   const std::string& contents, bool inManifest, bool stored) {
    if (inManifest) {
        MbdbRecord r = NewRecord(domain, path);
        r.mode = 0x81A4;
        r.size = contents.size();
        // Real manifests carry a data hash on few records.
        if (rng_() % 50 == 0) r.dataHash = Sha1(contents);
        records_.push_back(std::move(r));
    }
    const std::string full = folder_ + StoredName(domain, path);
    if (stored) WriteFile(full, contents);
    return full;
}

void BackupBuilder::AddRecord(const MbdbRecord& record) {
    records_.push_back(record);
}

void BackupBuilder::AddDomainRoot(const std::string& domain) {
    MbdbRecord r = NewRecord(domain, "");
    r.mode = 0x41ED;
    records_.push_back(std::move(r));
}

void BackupBuilder::AddDirectory(const std::string& domain, const std::string& path) {
    MbdbRecord r = NewRecord(domain, path);
    r.mode = 0x41ED;
    records_.push_back(std::move(r));
}

void BackupBuilder::AddSymlink(const std::string& domain, const std::string& path,
                               const std::string& target) {
    MbdbRecord r = NewRecord(domain, path);
    r.mode = 0xA1ED;
    r.linkTarget = target;
    records_.push_back(std::move(r));
}

void BackupBuilder::AddFiller(std::size_t count) {
    static const char* const kApps[] = {"com.apple.mobilesafari", "com.facebook.Facebook",
                                        "net.whatsapp.WhatsApp",  "com.spotify.client",
                                        "com.google.Maps",        "com.skype.skype",
                                        "com.apple.iBooks",       "com.dropbox.Dropbox"};
    static const char* const kDirs[] = {"Library",
                                        "Library/Caches",
                                        "Library/Preferences",
                                        "Documents",
                                        "Library/Application Support",
                                        "tmp"};
    // "Café" with a decomposed accent, as the device writes names.
    static const std::string kNfd = "Cafe\xCC\x81";
    std::size_t added = 0;
    std::size_t serial = 0;
    while (added < count) {
        const std::string domain =
            std::string("AppDomain-") + kApps[rng_() % (sizeof kApps / sizeof kApps[0])];
        const std::string dir = kDirs[rng_() % (sizeof kDirs / sizeof kDirs[0])];
        const unsigned pick = rng_() % 20;
        ++serial;
        if (pick == 0) {
            AddDomainRoot(domain);
        } else if (pick < 4) {
            AddDirectory(domain, dir + "/folder" + std::to_string(serial));
        } else if (pick == 4) {
            AddSymlink(domain, dir + "/link" + std::to_string(serial), "/var/mobile/" + dir);
        } else {
            const std::string name = dir + "/" + (pick == 5 ? kNfd + " " : "") + "item" +
                                     std::to_string(serial) + ".plist";
            std::string body = "filler " + std::to_string(serial);
            MbdbRecord r = NewRecord(domain, name);
            r.size = body.size();
            if (pick == 6) {
                r.properties.emplace_back("com.apple.assetsd.UUID",
                                          std::string("\x8f\x10\x02\xfe\x33\x44", 6));
            }
            if (rng_() % 50 == 0) r.dataHash = Sha1(body);
            if (serial % 10 == 0) WriteFile(folder_ + StoredName(domain, name), body);
            records_.push_back(std::move(r));
        }
        ++added;
    }
}

void BackupBuilder::Write() {
    plist_t info = plist_new_dict();
    plist_dict_set_item(info, "Build Version", plist_new_string("11D257"));
    plist_dict_set_item(info, "Device Name", plist_new_string(info_.deviceName.c_str()));
    plist_dict_set_item(info, "Display Name", plist_new_string(info_.deviceName.c_str()));
    plist_dict_set_item(info, "GUID", plist_new_string("5F8C0A1B2C3D4E5F60718293A4B5C6D7"));
    plist_dict_set_item(info, "ICCID", plist_new_string("89014104255555555555"));
    plist_dict_set_item(info, "IMEI", plist_new_string("013330001234567"));
    if (info_.hasLastBackup) {
        plist_dict_set_item(
            info, "Last Backup Date",
            plist_new_date(static_cast<int32_t>(info_.lastBackup - kAppleEpochOffset), 0));
    }
    plist_dict_set_item(info, "Phone Number", plist_new_string("+1 (555) 010-4477"));
    plist_dict_set_item(info, "Product Name", plist_new_string("iPhone 5"));
    plist_dict_set_item(info, "Product Type", plist_new_string(info_.productType.c_str()));
    plist_dict_set_item(info, "Product Version", plist_new_string(info_.productVersion.c_str()));
    plist_dict_set_item(info, "Serial Number", plist_new_string(info_.serialNumber.c_str()));
    plist_dict_set_item(info, "Target Identifier",
                        plist_new_string("0f3a9c2be1d4a5b6c7d8e9f00112233445566778"));
    plist_dict_set_item(info, "Target Type", plist_new_string("Device"));
    plist_dict_set_item(info, "Unique Identifier",
                        plist_new_string("0F3A9C2BE1D4A5B6C7D8E9F00112233445566778"));
    plist_dict_set_item(info, "iTunes Version", plist_new_string("11.2.2"));
    WriteFile(folder_ + "Info.plist", PlistToString(info, info_.binaryInfo));
    plist_free(info);

    plist_t manifest = plist_new_dict();
    plist_t apps = plist_new_dict();
    plist_t app = plist_new_dict();
    plist_dict_set_item(app, "CFBundleIdentifier", plist_new_string("net.whatsapp.WhatsApp"));
    plist_dict_set_item(app, "CFBundleVersion", plist_new_string("2.11.8"));
    plist_dict_set_item(apps, "net.whatsapp.WhatsApp", app);
    plist_dict_set_item(manifest, "Applications", apps);
    const char keybag[] =
        "VERS\x00\x00\x00\x04\x00\x00\x00\x03TYPE\x00\x00\x00\x04\x00\x00\x00\x01";
    plist_dict_set_item(manifest, "BackupKeyBag", plist_new_data(keybag, sizeof keybag - 1));
    plist_dict_set_item(
        manifest, "Date",
        plist_new_date(static_cast<int32_t>(info_.lastBackup - kAppleEpochOffset), 0));
    plist_dict_set_item(manifest, "IsEncrypted", plist_new_bool(info_.encrypted ? 1 : 0));
    plist_t lockdown = plist_new_dict();
    plist_dict_set_item(lockdown, "DeviceName", plist_new_string(info_.deviceName.c_str()));
    plist_dict_set_item(lockdown, "ProductVersion", plist_new_string(info_.productVersion.c_str()));
    plist_dict_set_item(lockdown, "SerialNumber", plist_new_string(info_.serialNumber.c_str()));
    plist_dict_set_item(manifest, "Lockdown", lockdown);
    plist_dict_set_item(manifest, "Version", plist_new_string("9.1"));
    plist_dict_set_item(manifest, "WasPasscodeSet", plist_new_bool(0));
    WriteFile(folder_ + "Manifest.plist", PlistToString(manifest, true));
    plist_free(manifest);

    WriteFile(folder_ + "Manifest.mbdb", EncodeMbdb(records_));
}

}  // namespace gen
