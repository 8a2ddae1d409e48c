#include "kind/sms/sms.h"

plist_t Sms::GetData(Mbdb* /*mbdb*/, int /*typeFilter*/) { return plist_new_array(); }
