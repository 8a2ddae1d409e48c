#include "kind/calendar/calendar.h"

plist_t Calendar::GetData(Mbdb* /*mbdb*/, int /*typeFilter*/) { return nullptr; }
