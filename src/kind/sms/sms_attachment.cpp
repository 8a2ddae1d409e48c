#include "kind/sms/sms_attachment.h"

#include <cstring>

#include "ib/ib_util.h"
#include "kind/kind_util.h"
#include "kind/sqlite_db.h"
#include "mbdb/mbdb.h"
#include "util/wz_tool.h"

namespace {

const char kFile[] = "src/kind/sms/sms_attachment";
const char kDevicePath[] = "Library/SMS/sms.db";
const char kAttachmentSql[] = "select filename,mime_type from attachment";
constexpr std::size_t kMaxFileName = 31;

}  // namespace

SmsAttachment::~SmsAttachment() {
    for (AttachmentAsset*& a : attachments_) TrackedDelete(kFile, __LINE__, a);
}

plist_t SmsAttachment::GetData(Mbdb* mbdb, int /*typeFilter*/) {
    if (!attachments_.empty()) return ToPlist();
    mbdb_ = mbdb;
    const std::string path = KindUtil::LocateFirst(mbdb, kDevicePath);
    if (!path.empty()) Load(path);
    if (mbdb != nullptr && !attachments_.empty()) {
        const Mbdb* manifest = CheckedPtr(mbdb);
        for (AttachmentAsset* a : attachments_) {
            CheckedPtr(a);
            // An empty device path names a domain's root folder, never an attachment.
            if (a->relPath.empty()) continue;
            a->fullPath = manifest->FindMediaFile(a->relPath);
            if (!a->fullPath.empty()) a->size = WZGetFileSize(a->fullPath.c_str());
        }
    }
    return ToPlist();
}

void SmsAttachment::Load(const std::string& path) {
    SqliteDb db(path);
    db.Exec(kAttachmentSql, &SmsAttachment::OnAttachmentRow, &attachments_);
}

int SmsAttachment::OnAttachmentRow(void* context, int columns, char** values, char** /*names*/) {
    auto* attachments = static_cast<std::vector<AttachmentAsset*>*>(context);
    const char* filename = KindUtil::Column(columns, values, 0);
    if (filename == nullptr) return 0;
    const char* mime = KindUtil::Column(columns, values, 1);
    auto* a = new AttachmentAsset;
    a->relPath = std::strlen(filename) < 2 ? std::string() : std::string(filename + 2);
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
        DictInsertString(dict, "file_name", FileName(n, a->relPath).c_str());
        DictInsertString(dict, "path", a->fullPath.c_str());
        plist_dict_set_item(dict, "size", plist_new_uint(a->size));
        plist_dict_set_item(dict, "type", plist_new_uint(static_cast<std::uint32_t>(a->type)));
        DictInsertString(dict, "query_path", a->relPath.c_str());
        plist_array_append_item(array, dict);
    }
    return array;
}
