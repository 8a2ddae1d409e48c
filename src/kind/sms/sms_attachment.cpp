#include "kind/sms/sms_attachment.h"

#include <strings.h>
#include <utf8proc.h>

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "ib/ib_util.h"
#include "ib/kind_keys.h"
#include "kind/kind_util.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"
#include "kind/table_columns.h"
#include "mbdb/mbdb.h"
#include "util/wz_tool.h"

namespace ib {

namespace key = ib::keys::media;

namespace {

const char kFile[] = "src/kind/sms/sms_attachment";
const char kDevicePath[] = "Library/SMS/sms.db";
const char kAttachmentColumns[] =
    "attachment: filename mime_type; madrid_attachment: filename mime_type";
const char kPieceColumns[] = "msg_pieces: message_id part_id content_type";
struct AttachmentQuery {
    static constexpr char kSql[] = "select filename,mime_type from attachment";
    enum Column { kFilename, kMimeType, kCount };
    static constexpr const char* kNames[] = {"filename", "mime_type"};
};
// The older database (iOS 5): the attachments of iMessages, then the parts of MMS messages.
struct MadridAttachmentQuery : AttachmentQuery {
    static constexpr char kSql[] = "select filename,mime_type from madrid_attachment";
};
struct PieceQuery {
    static constexpr char kSql[] = "select message_id, part_id, content_type from msg_pieces";
    enum Column { kMessageId, kPartId, kContentType, kCount };
    static constexpr const char* kNames[] = {"message_id", "part_id", "content_type"};
};
// An MMS part's file: "Library/SMS/Parts/<xx>/<yy>/<message>-<part>.<extension>", the two
// folders not named in the database.
const char kPartsFolder[] = "Library/SMS/Parts/";
constexpr std::size_t kMaxFileName = 31;
// The folder of the attachments under the user's home, and the ways sms.db names that home: "~/"
// or the absolute "/var/mobile/" ("/private/var/mobile/" behind the link /var).
const char kAttachmentsFolder[] = "Library/SMS/Attachments/";
const char* const kHomePrefixes[] = {"~/", "/var/mobile/", "/private/var/mobile/"};

// What the part rows are read into: the attachments, and the file name stem of each part.
struct PieceRows {
    std::vector<AttachmentAsset*>* attachments;
    std::vector<std::pair<std::size_t, std::string>>* parts;
};

bool StartsWithNoCase(const char* text, const char* prefix) {
    return strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

int OnPieceRow(void* context, const SqliteDb::Row& row) {
    auto* rows = static_cast<PieceRows*>(context);
    const char* message = row.Text(PieceQuery::kMessageId);
    const char* part = row.Text(PieceQuery::kPartId);
    const char* type = row.Text(PieceQuery::kContentType);
    if (message == nullptr || part == nullptr) return 0;
    // The text of a message and its layout are no files.
    if (type != nullptr &&
        (StartsWithNoCase(type, "text/plain") || StartsWithNoCase(type, "application/smil")))
        return 0;
    auto* a = new AttachmentAsset;
    a->type = type != nullptr && std::strstr(type, "image") != nullptr ? 0 : 1;
    rows->parts->emplace_back(
        rows->attachments->size(),
        std::to_string(KindUtil::Number(message)) + "-" + std::to_string(KindUtil::Number(part)));
    rows->attachments->push_back(a);
    return 0;
}

// The device path of every MMS part file in the manifest, by its name without the extension
// ("874-1"); the first record of a name among the phone's own files wins, previews
// ("874-1-preview") are left out.
std::unordered_map<std::string_view, std::string_view> PartFiles(const Mbdb* manifest) {
    std::unordered_map<std::string_view, std::string_view> files;
    const Mbdb::RecordList* records = manifest->GetRecords();
    if (records == nullptr) return files;
    const std::string_view folder(kPartsFolder);
    for (const Mbdb::MBFileRecord* r : *records) {
        const std::string_view path = r->path;
        if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) continue;
        if (!Mbdb::IsPhoneFile(r)) continue;
        std::string_view name = path.substr(path.rfind('/') + 1);
        const std::size_t dot = name.rfind('.');
        if (dot != std::string_view::npos) name = name.substr(0, dot);
        if (name.empty() || name.find("-preview") != std::string_view::npos) continue;
        files.emplace(name, path);
    }
    return files;
}

// The device path of an attachment's stored filename: a file under the attachments folder of the
// home, however the home is written, is "Library/SMS/Attachments/..."; any other name is taken
// as it stands, without leading slashes.
std::string DevicePath(const char* filename) {
    for (const char* home : kHomePrefixes) {
        const std::size_t n = std::strlen(home);
        if (std::strncmp(filename, home, n) == 0 &&
            std::strncmp(filename + n, kAttachmentsFolder, std::strlen(kAttachmentsFolder)) == 0)
            return filename + n;
    }
    while (*filename == '/') ++filename;
    return filename;
}

// The text in Unicode normal form D, as the manifest keeps its names; empty for a text that is
// no UTF-8.
std::string Decomposed(const std::string& text) {
    utf8proc_uint8_t* nfd = utf8proc_NFD(reinterpret_cast<const utf8proc_uint8_t*>(text.c_str()));
    if (nfd == nullptr) return std::string();
    std::string out(reinterpret_cast<const char*>(nfd));
    std::free(nfd);
    return out;
}

}  // namespace

SmsAttachment::~SmsAttachment() {
    for (AttachmentAsset*& a : attachments_) TrackedDelete(kFile, __LINE__, a);
}

plist_t SmsAttachment::GetData(Mbdb* mbdb, int /*typeFilter*/) {
    if (!attachments_.empty()) return ToPlist();
    mbdb_ = mbdb;
    const std::string path = KindUtil::LocateFirst(mbdb, kDevicePath);
    std::vector<std::pair<std::size_t, std::string>> parts;
    if (!path.empty()) Load(path, parts);
    if (mbdb != nullptr && !attachments_.empty()) {
        const Mbdb* manifest = CheckedPtr(mbdb);
        if (!parts.empty()) {
            const auto files = PartFiles(manifest);
            for (const auto& part : parts) {
                auto it = files.find(part.second);
                if (it != files.end()) CheckedPtr(attachments_[part.first])->relPath = it->second;
            }
        }
        for (AttachmentAsset* a : attachments_) {
            CheckedPtr(a);
            // An empty device path names a domain's root folder, never an attachment.
            if (a->relPath.empty()) continue;
            a->fullPath = manifest->FindMediaFile(a->relPath);
            if (a->fullPath.empty()) {
                // sms.db may keep a name composed that the manifest keeps decomposed.
                std::string nfd = Decomposed(a->relPath);
                if (!nfd.empty() && nfd != a->relPath) {
                    a->fullPath = manifest->FindMediaFile(nfd);
                    if (!a->fullPath.empty()) a->relPath = std::move(nfd);
                }
            }
            if (!a->fullPath.empty()) a->size = WZGetFileSize(a->fullPath.c_str());
        }
    }
    return ToPlist();
}

void SmsAttachment::Load(const std::string& path,
                         std::vector<std::pair<std::size_t, std::string>>& parts) {
    SqliteDb db(path, {kAttachmentColumns, kPieceColumns});
    // The older database (iOS 5, and iOS 4 without iMessage) has no attachment table.
    const bool older =
        TableColumns(db, "madrid_attachment").Exists() || TableColumns(db, "msg_pieces").Exists();
    if (TableColumns(db, "attachment").Exists() || !older) {
        db.ExecRows(AttachmentQuery::kSql, &SmsAttachment::OnAttachmentRow, &attachments_);
        return;
    }
    // One sequence over both tables, each in row order.
    db.ExecRows(MadridAttachmentQuery::kSql, &SmsAttachment::OnAttachmentRow, &attachments_);
    PieceRows rows{&attachments_, &parts};
    db.ExecRows(PieceQuery::kSql, &OnPieceRow, &rows);
}

std::vector<ReaderQuery> SmsAttachment::Queries() {
    return {ReaderQuery::Fixed<AttachmentQuery>("AttachmentQuery", kDevicePath, kAttachmentColumns),
            ReaderQuery::Fixed<MadridAttachmentQuery>("MadridAttachmentQuery", kDevicePath,
                                                      kAttachmentColumns),
            ReaderQuery::Fixed<PieceQuery>("PieceQuery", kDevicePath, kPieceColumns)};
}

int SmsAttachment::OnAttachmentRow(void* context, const SqliteDb::Row& row) {
    auto* attachments = static_cast<std::vector<AttachmentAsset*>*>(context);
    const char* filename = row.Text(AttachmentQuery::kFilename);
    if (filename == nullptr) return 0;
    const char* mime = row.Text(AttachmentQuery::kMimeType);
    auto* a = new AttachmentAsset;
    a->relPath = DevicePath(filename);
    a->type = mime != nullptr && std::strstr(mime, "image") != nullptr ? 0 : 1;
    attachments->push_back(a);
    return 0;
}

std::string SmsAttachment::FileName(std::size_t n, const std::string& relPath) {
    const char* ext = GetExtension(relPath.c_str());
    std::string name = "IMG_" + std::to_string(n) + (ext ? ext : "");
    if (name.size() > kMaxFileName) {
        std::size_t cut = kMaxFileName;
        // Back off to the start of a character.
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    return name;
}

plist_t SmsAttachment::ToPlist() const {
    if (attachments_.empty()) return nullptr;
    plist_t array = plist_new_array();
    std::size_t n = 0;
    for (const AttachmentAsset* a : attachments_) {
        ++n;
        CheckedPtr(a);
        if (a->fullPath.empty()) continue;
        plist_t dict = plist_new_dict();
        DictInsertString(dict, key::kFileName, FileName(n, a->relPath).c_str());
        DictInsertString(dict, key::kPath, a->fullPath.c_str());
        plist_dict_set_item(dict, key::kSize, plist_new_uint(a->size));
        plist_dict_set_item(dict, key::kType, plist_new_uint(static_cast<std::uint32_t>(a->type)));
        DictInsertString(dict, key::kQueryPath, a->relPath.c_str());
        plist_array_append_item(array, dict);
    }
    return array;
}

}  // namespace ib
