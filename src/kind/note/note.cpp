#include "kind/note/note.h"

plist_t Note::GetData(Mbdb* /*mbdb*/, int /*typeFilter*/) { return plist_new_array(); }
