// A plain HTTP/1.0 GET with every wait bounded: the update check runs on the GUI thread, so a
// dead, slow or hostile server must not hold it for long or fill memory.
#pragma once

#include <cstddef>
#include <string>

struct addrinfo;

// Finds the addresses of a name, as getaddrinfo does (the list is freed with freeaddrinfo).
using NameLookup = int (*)(const char* name, const char* service, const addrinfo* hints,
                           addrinfo** list);

struct HttpLimits {
    // The name lookup and each connection attempt; the lookup counts against the whole
    // exchange too.
    int connectMillis = 5000;
    int totalMillis = 10000;          // the whole exchange, from the lookup to the last byte
    size_t maxBodyBytes = 64 * 1024;  // a longer answer is refused, not cut
    size_t maxHeaderBytes = 16 * 1024;
    // How a name is looked up: null for the system's getaddrinfo (tests stand in a resolver of
    // their own). It runs on a thread of its own: one that has not answered within the limits
    // is left to end by itself, and its answer is then dropped.
    NameLookup lookup = nullptr;
};

class HttpClient {
  public:
    virtual ~HttpClient() = default;

    // GETs path (with its query, already escaped; "/" when empty) from host:port. Returns true
    // and the body when the server answered with a 2xx status within the limits; false on any
    // failure (name not found or not in time, refused, timed out, malformed, too long, another
    // status). host may be a name, an IPv4 address or an IPv6 address in brackets; an address
    // is taken as it is, without a lookup.
    static bool Get(const std::string& host, int port, const std::string& path,
                    const HttpLimits& limits, std::string* body);
};
