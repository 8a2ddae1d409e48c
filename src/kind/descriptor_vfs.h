// An SQLite file system that reads a database through a descriptor opened before SQLite sees
// it, never through its name: a file swapped for another one, a FIFO or a link after it was
// checked can neither redirect the read nor block it. The descriptor travels in the URI
// parameter "fd"; SQLite gets a duplicate of it and closes that when the connection ends.
//
// It opens nothing else by name: journals, write-ahead logs and their index are neither looked
// for nor created, so nothing ever appears beside the database. Temporary files (sorting, DISTINCT)
// go to the system's temporary folder through the default file system.
#pragma once

#include <string>

namespace ib {

class DescriptorVfs {
  public:
    virtual ~DescriptorVfs() = default;

    // The registered name of the file system (registered once, on the first call), or null
    // when SQLite refused it.
    static const char* Name();

    // The URI that opens the database read-only and immutable through the open descriptor fd;
    // path only names it.
    static std::string Uri(const std::string& path, int fd);
};

}  // namespace ib
