// Base of the nine kind readers of a backup.
#pragma once

#include <plist/plist.h>

#include "base/wz_base.h"

namespace ib {

class Mbdb;

class Kind : public WzBase {
  public:
    // Returns a new property list (an array of dictionaries) that the caller frees with
    // plist_free, or null. typeFilter is 1 or 0; only the calendar and photo readers use it.
    virtual plist_t GetData(Mbdb* mbdb, int typeFilter) = 0;
};

}  // namespace ib
