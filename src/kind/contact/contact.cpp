#include "kind/contact/contact.h"

plist_t Contact::GetData(Mbdb* /*mbdb*/, int /*typeFilter*/) { return plist_new_array(); }
