#include "kind/photo/photo.h"

plist_t Photo::GetData(Mbdb* /*mbdb*/, int /*typeFilter*/) { return nullptr; }
