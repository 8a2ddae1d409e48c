// A dictionary of texts made in one pass, for keys that are known to differ from each other.
#pragma once

#include <plist/plist.h>

#include <string>
#include <vector>

namespace ib {

// A new dictionary holding, in order, keys[i] -> a string of values[i] (a null value gives the
// empty string). The keys must all differ. libplist's own insert first looks the new key up among
// those already there, in a table of 4096 slots: a few thousand keys that share a slot make every
// insert walk them all. Here the dictionary is written as a binary property list and parsed once;
// the parser attaches each entry in order, with no lookup, so the cost is linear in the texts.
plist_t NewTextDict(const std::vector<std::string>& keys, const std::vector<const char*>& values);

// The binary property list that NewTextDict parses (empty for no keys).
std::string TextDictBytes(const std::vector<std::string>& keys,
                          const std::vector<const char*>& values);

}  // namespace ib
