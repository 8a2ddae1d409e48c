// libgcrypt wants one initialisation per process before its first use: the version check, no
// secure memory (only SHA-1 is used, of names that are no secret), then the end of the set-up.
// Every user of libgcrypt in this tree calls InitGcrypt first; the first call does the work.
#pragma once

#include <gcrypt.h>

inline void InitGcrypt() {
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
