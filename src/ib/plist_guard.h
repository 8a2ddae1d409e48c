// Every property list that the reader parses comes from a backup folder, that is from anyone.
// libplist 2.2 parses the binary form and frees every tree by recursion without a depth limit, in
// the binary form parses an object anew for every reference to it, and in the XML form takes time
// that grows with the square of a text's entities and of a dictionary's keys. So the bytes are
// checked first, in one pass without recursion, and libplist only sees a file whose tree costs no
// more to build than the limits below allow: nodes made (a shared object once for every reference
// to it), bytes of text and data, keys of a dictionary, depth, and the work of libplist's
// dictionaries and depth checks. What a file's size says is not a limit of its own: a binary list
// as CoreFoundation writes it names a node with one to three bytes, wherever a text or number
// recurs.
#pragma once

#include <plist/plist.h>

#include <cstddef>
#include <cstdint>

namespace ib {

// Far above any real file: the device writes a handful of levels.
constexpr std::size_t kPlistMaxDepth = 256;
// Nodes of the parsed tree, counting an object once for every reference to it (and, in XML, every
// dictionary key and every piece of a text broken by comments or CDATA sections). A Safari history
// item of WebKit takes 25 (a dictionary of six keys and their values, "D" of seven counts and "W"
// of five), so WebKit's 50,000 items take 1,250,000. libplist makes a node in about 100 bytes:
// a tree of this many, with the bytes below, stays under 300 MB.
constexpr std::uint64_t kPlistMaxNodes = 1500000;
// Bytes of the file, and bytes of text and data that libplist allocates for the parsed tree (a
// text's bytes and its end, four bytes a unit and four more for a UTF-16 text).
constexpr std::uint64_t kPlistMaxBytes = std::uint64_t(64) << 20;
// Entries of one dictionary.
constexpr std::size_t kPlistMaxKeys = 10000;
// The steps libplist's XML dictionaries take to look their keys up and to put a repeated key in
// place, and the bytes those key comparisons read. A step follows a pointer to a key that may lie
// anywhere in memory, so it costs about a third of a node: a real file takes under one step a
// node (a Safari history of four-key dictionaries two thirds of one), and one real dictionary of
// 500 keys some 32,000, for the first 250 keys libplist compares one by one.
constexpr std::uint64_t kPlistDictStepsPerNode = 2;
constexpr std::uint64_t kPlistDictStepAllowance = std::uint64_t(1) << 16;
constexpr std::uint64_t kPlistDictBytesPerByte = 4;
constexpr std::uint64_t kPlistDictByteAllowance = std::uint64_t(4) << 20;
// libplist's binary reader compares every object with those above it: the sum of the nodes'
// depths is held to a few levels per node and a fixed allowance.
constexpr std::uint64_t kPlistDepthStepsPerNode = 8;
constexpr std::uint64_t kPlistDepthStepAllowance = std::uint64_t(1) << 18;

// True when libplist may parse the binary property list: its trailer, offset table and object
// references lie within the file, no object contains itself, no dictionary key is a UTF-16 text
// holding a NUL, no dictionary holds more than kPlistMaxKeys entries, and the tree that the
// references make stays within the depth, node and byte limits. An object that several references
// share is parsed once for each of them, so shared objects may make the tree at most a quarter
// larger than the references of the file (plus 64 nodes): a writer shares texts and numbers,
// whose nodes the references count already, but never a dictionary or an array.
bool BinaryPlistIsSafe(const char* data, std::size_t size);

// The property list held in the bytes (binary when they start with "bplist00", else XML), or
// null when the bytes fail their form's check (BinaryPlistIsSafe, XmlPlistCheck) or do not
// parse. An XML text is handed to libplist as XmlPlistCheck rewrites it. The caller frees it.
plist_t ParsePlistGuarded(const char* data, std::size_t size);

// The seconds since 2001-01-01 00:00:00 UTC of a date node. False for any other node, and for a
// date that plist_get_date_val cannot hand over (it gives 32-bit seconds, from 1932-12-13 to
// 2069-01-19): such a date must not be shown as the wrong one it would give.
bool PlistDateSeconds(plist_t node, std::int32_t* seconds);

}  // namespace ib
