// The attachments of messages (KIND_SMS_ATTACHMENTS), each resolved to its stored file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/wz_base.h"
#include "kind/kind.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"

namespace ib {

class AttachmentAsset : public WzBase {
  public:
    // The device path: the stored filename without its home ("~/", "/var/mobile/"...); after
    // the lookup, the name as the manifest holds it.
    std::string relPath;
    std::string fullPath;  // the stored file in the backup folder; empty while not found
    std::uint64_t size = 0;
    std::int32_t type = 1;  // 0 an image, 1 anything else
};

class SmsAttachment : public Kind {
  public:
    // The queries the reader runs, each with the columns it selects.
    static std::vector<ReaderQuery> Queries();

    SmsAttachment() = default;
    ~SmsAttachment() override;
    SmsAttachment(const SmsAttachment&) = delete;
    SmsAttachment& operator=(const SmsAttachment&) = delete;

    // The attachments found in the manifest, or null when no attachment row was read. Read and
    // resolved once. The database of iOS 5 keeps those of iMessages in madrid_attachment and the
    // parts of MMS messages in msg_pieces: both are listed, numbered in one sequence.
    plist_t GetData(Mbdb* mbdb, int typeFilter) override;

    const std::vector<AttachmentAsset*>& Attachments() const { return attachments_; }

    // "IMG_<n><extension>" in at most 31 bytes, never cutting a UTF-8 character in two.
    static std::string FileName(std::size_t n, const std::string& relPath);

  private:
    // Reads the attachment rows; parts receives, for each MMS part of the older database, its
    // position in attachments_ and the name of its file without the extension.
    void Load(const std::string& path, std::vector<std::pair<std::size_t, std::string>>& parts);
    static int OnAttachmentRow(void* context, const SqliteDb::Row& row);
    plist_t ToPlist() const;

    std::vector<AttachmentAsset*> attachments_;
    Mbdb* mbdb_ = nullptr;
};

}  // namespace ib
