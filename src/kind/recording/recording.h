#pragma once

#include "kind/kind.h"

class Recording : public Kind {
public:
    plist_t GetData(Mbdb* mbdb, int typeFilter) override;

private:
};
