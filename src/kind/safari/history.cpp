#include "kind/safari/history.h"

plist_t History::GetData(Mbdb* /*mbdb*/, int /*typeFilter*/) { return plist_new_array(); }
