// A plain HTTP/1.0 GET with every wait bounded: the update check runs on the GUI thread, so a
// dead, slow or hostile server must not hold it for long or fill memory.
#pragma once

#include <cstddef>
#include <string>

struct HttpLimits {
    int connectMillis = 5000;         // per connection attempt
    int totalMillis = 10000;          // the whole exchange, from the first connect to the last byte
    size_t maxBodyBytes = 64 * 1024;  // a longer answer is refused, not cut
    size_t maxHeaderBytes = 16 * 1024;
};

class HttpClient {
  public:
    virtual ~HttpClient() = default;

    // GETs path (with its query, already escaped; "/" when empty) from host:port. Returns true
    // and the body when the server answered with a 2xx status within the limits; false on any
    // failure (name not found, refused, timed out, malformed, too long, another status). host
    // may be a name, an IPv4 address or an IPv6 address in brackets.
    static bool Get(const std::string& host, int port, const std::string& path,
                    const HttpLimits& limits, std::string* body);
};
