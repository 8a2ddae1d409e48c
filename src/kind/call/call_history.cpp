#include "kind/call/call_history.h"

plist_t CallHistory::GetData(Mbdb* /*mbdb*/, int /*typeFilter*/) { return nullptr; }
