#pragma once

#include "kind/kind.h"

class Contact;

class Sms : public Kind {
public:
    void SetContact(Contact* contact) { contact_ = contact; }
    plist_t GetData(Mbdb* mbdb, int typeFilter) override;

private:
    Contact* contact_ = nullptr;
};
