// The backup list and the kind dispatch behind the service table.
#pragma once

#include <cstdint>

#include "ib/wz_ib.h"

namespace ib {

// Lists the backups under the current user's backup root (see GetBackupRoot).
BackupInfo* ListBackups();
// Lists the backups under root, a folder path ending with '/'.
BackupInfo* ListBackupsIn(const char* root);
bool FreeBackupList(BackupInfo* head);
plist_t GetKindData(BackupInfo* backup, std::uint32_t kind);

// Fills deviceName, lastBackupDate, serialNumber and isEncrypted from the node's folder.
void ReadBackupProperties(BackupInfo* node);
// Creates the nine kind readers of a node.
void CreateKinds(BackupInfo* node);

}  // namespace ib
