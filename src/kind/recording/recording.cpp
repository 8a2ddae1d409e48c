#include "kind/recording/recording.h"

plist_t Recording::GetData(Mbdb* /*mbdb*/, int /*typeFilter*/) { return nullptr; }
