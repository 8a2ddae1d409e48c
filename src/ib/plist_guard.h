// Every property list that the reader parses comes from a backup folder, that is from anyone.
// libplist 2.2 parses both forms by recursion without a depth limit, and in the binary form
// copies an object once for every reference to it. So the bytes are checked first, in one pass
// without recursion, and libplist only sees a file that stays within the limits below.
#pragma once

#include <plist/plist.h>

#include <cstddef>
#include <cstdint>

// Far above any real file: the device writes a handful of levels.
constexpr std::size_t kPlistMaxDepth = 256;
// Nodes of the parsed tree, counting an object once for every reference to it.
constexpr std::uint64_t kPlistMaxNodes = std::uint64_t(1) << 21;
// Bytes of the file, and bytes of text and data in the parsed tree.
constexpr std::uint64_t kPlistMaxBytes = std::uint64_t(64) << 20;

// True when libplist may parse the XML text: its elements nest at most kPlistMaxDepth deep and
// match their end tags, and there are at most kPlistMaxNodes of them.
bool XmlPlistIsSafe(const char* data, std::size_t size);

// True when libplist may parse the binary property list: its trailer, offset table and object
// references lie within the file, no object contains itself, no dictionary key is a UTF-16 text
// holding a NUL, and the tree that the references make stays within the depth, node and byte
// limits.
bool BinaryPlistIsSafe(const char* data, std::size_t size);

// The property list held in the bytes (binary when they start with "bplist00", else XML), or
// null when the bytes fail their form's check or do not parse. The caller frees it.
plist_t ParsePlistGuarded(const char* data, std::size_t size);

// The seconds since 2001-01-01 00:00:00 UTC of a date node. False for any other node, and for a
// date that plist_get_date_val cannot hand over (it gives 32-bit seconds, from 1932-12-13 to
// 2069-01-19): such a date must not be shown as the wrong one it would give.
bool PlistDateSeconds(plist_t node, std::int32_t* seconds);
