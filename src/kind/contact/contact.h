#pragma once

#include "kind/kind.h"

class Contact : public Kind {
public:
    plist_t GetData(Mbdb* mbdb, int typeFilter) override;

private:
};
