// The library's two exported functions.
#include <cstdlib>

#include "ib/backup_list.h"
#include "ib/wz_ib.h"

WZ_IB_API DataRecoveryService* CreateDataRecoveryService() {
    auto* service = static_cast<DataRecoveryService*>(std::malloc(sizeof(DataRecoveryService)));
    if (service == nullptr) return nullptr;
    service->ListBackups = &ib::ListBackups;
    service->FreeBackupList = &ib::FreeBackupList;
    service->GetKindData = &ib::GetKindData;
    return service;
}

WZ_IB_API void FreeiDeviceBackupService(DataRecoveryService* service) {
    std::free(service);
}
