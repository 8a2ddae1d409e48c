#pragma once

#include "kind/kind.h"

class Calendar : public Kind {
public:
    plist_t GetData(Mbdb* mbdb, int typeFilter) override;

private:
};
