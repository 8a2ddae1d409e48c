#include "domain/http_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

typedef std::chrono::steady_clock Clock;

int MillisLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for events on fd until the deadline; true when they came.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const int left = MillisLeft(deadline);
        if (left <= 0) return false;
        pollfd p = {fd, events, 0};
        const int r = poll(&p, 1, left);
        if (r > 0) return true;
        if (r == 0) return false;
        if (errno != EINTR) return false;
    }
}

class Socket {
  public:
    ~Socket() {
        if (fd >= 0) close(fd);
    }
    int fd = -1;
};

// One name lookup, shared by the thread that runs it and the one that waits for it, so that
// whichever lets go last frees it (and the addresses found, when nobody took them).
struct Lookup {
    ~Lookup() {
        if (list != nullptr) freeaddrinfo(list);
    }
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;  // guarded by mutex, as list
    addrinfo* list = nullptr;
};

addrinfo StreamHints(int flags) {
    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    return hints;
}

// The addresses of host:service (freed with freeaddrinfo), or null: also when the lookup has not
// answered by the deadline. An address needs no lookup; a name is looked up on a thread of its
// own, since the system's resolver keeps to time limits of its own, which may be far longer.
addrinfo* Resolve(const std::string& host, const std::string& service, NameLookup lookup,
                  Clock::time_point deadline) {
    addrinfo* list = nullptr;
    const addrinfo numeric = StreamHints(AI_NUMERICHOST | AI_NUMERICSERV);
    if (getaddrinfo(host.c_str(), service.c_str(), &numeric, &list) == 0) return list;
    if (lookup == nullptr) lookup = &getaddrinfo;
    auto shared = std::make_shared<Lookup>();
    try {
        std::thread([shared, host, service, lookup] {
            const addrinfo hints = StreamHints(AI_NUMERICSERV);
            addrinfo* found = nullptr;
            if (lookup(host.c_str(), service.c_str(), &hints, &found) != 0) found = nullptr;
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->list = found;
            shared->done = true;
            shared->answered.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return nullptr;  // no thread to be had: the check fails as without an answer
    }
    std::unique_lock<std::mutex> lock(shared->mutex);
    if (!shared->answered.wait_until(lock, deadline, [&shared] { return shared->done; }))
        return nullptr;
    list = shared->list;
    shared->list = nullptr;
    return list;
}

// A non-blocking socket connected to one of the addresses of host:port, or -1.
int Connect(const std::string& host, int port, const HttpLimits& limits,
            Clock::time_point deadline) {
    Clock::time_point lookupEnd = Clock::now() + std::chrono::milliseconds(limits.connectMillis);
    if (lookupEnd > deadline) lookupEnd = deadline;
    addrinfo* list = Resolve(host, std::to_string(port), limits.lookup, lookupEnd);
    if (list == nullptr) return -1;

    int connected = -1;
    for (addrinfo* ai = list; ai != nullptr && connected < 0; ai = ai->ai_next) {
        if (MillisLeft(deadline) <= 0) break;
        const int fd =
            socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0) continue;
        int r = connect(fd, ai->ai_addr, ai->ai_addrlen);
        if (r != 0 && errno == EINPROGRESS) {
            Clock::time_point attemptEnd =
                Clock::now() + std::chrono::milliseconds(limits.connectMillis);
            if (attemptEnd > deadline) attemptEnd = deadline;
            if (WaitFor(fd, POLLOUT, attemptEnd)) {
                int error = 0;
                socklen_t length = sizeof error;
                if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) {
                    r = 0;
                }
            }
        }
        if (r == 0) {
            connected = fd;
        } else {
            close(fd);
        }
    }
    freeaddrinfo(list);
    return connected;
}

bool SendAll(int fd, const std::string& data, Clock::time_point deadline) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!WaitFor(fd, POLLOUT, deadline)) return false;
        } else {
            return false;
        }
    }
    return true;
}

bool HasUnsafeChar(const std::string& text) {
    for (unsigned char c : text) {
        if (c <= 0x20 || c == 0x7f) return true;
    }
    return false;
}

// Case-insensitive search of a header line "name: value" in the header block; the value
// trimmed, or empty.
std::string HeaderValue(const std::string& headers, const char* name) {
    const size_t nameLength = std::strlen(name);
    size_t start = headers.find('\n');  // skip the status line
    while (start != std::string::npos && start + 1 < headers.size()) {
        ++start;
        size_t end = headers.find('\n', start);
        if (end == std::string::npos) end = headers.size();
        const std::string line = headers.substr(start, end - start);
        if (line.size() > nameLength && line[nameLength] == ':' &&
            strncasecmp(line.c_str(), name, nameLength) == 0) {
            size_t b = nameLength + 1;
            size_t e = line.size();
            while (b < e && (line[b] == ' ' || line[b] == '\t')) ++b;
            while (e > b && (line[e - 1] == ' ' || line[e - 1] == '\t' || line[e - 1] == '\r')) {
                --e;
            }
            return line.substr(b, e - b);
        }
        start = end;
    }
    return std::string();
}

}  // namespace

bool HttpClient::Get(const std::string& host, int port, const std::string& path,
                     const HttpLimits& limits, std::string* body) {
    body->clear();
    if (host.empty() || port <= 0 || port > 65535) return false;
    std::string name = host;
    if (name.size() > 2 && name.front() == '[' && name.back() == ']') {
        name = name.substr(1, name.size() - 2);
    }
    const std::string target = path.empty() ? std::string("/") : path;
    // Text from the settings file goes into the request line and the Host header as it stands:
    // no white space or control characters that could end a line early.
    if (HasUnsafeChar(name) || HasUnsafeChar(target) || target[0] != '/') return false;

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits.totalMillis);
    Socket socket;
    socket.fd = Connect(name, port, limits, deadline);
    if (socket.fd < 0) return false;

    std::string hostHeader = host;
    if (port != 80) hostHeader += ":" + std::to_string(port);
    const std::string request = "GET " + target + " HTTP/1.0\r\nHost: " + hostHeader +
                                "\r\nAccept: */*\r\nConnection: close\r\n\r\n";
    if (!SendAll(socket.fd, request, deadline)) return false;

    // Read the whole answer, refusing anything beyond the header and body limits.
    std::string answer;
    size_t headerEnd = std::string::npos;
    size_t bodyStart = 0;
    long long contentLength = -1;
    char buffer[4096];
    for (;;) {
        if (headerEnd != std::string::npos && contentLength >= 0 &&
            answer.size() - bodyStart >= static_cast<size_t>(contentLength)) {
            break;
        }
        const ssize_t n = recv(socket.fd, buffer, sizeof buffer, 0);
        if (n == 0) break;  // the server closed: the answer is complete
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                if (!WaitFor(socket.fd, POLLIN, deadline)) return false;
                continue;
            }
            return false;
        }
        answer.append(buffer, static_cast<size_t>(n));
        if (headerEnd == std::string::npos) {
            size_t end = answer.find("\r\n\r\n");
            size_t skip = 4;
            const size_t lf = answer.find("\n\n");
            if (lf != std::string::npos && (end == std::string::npos || lf < end)) {
                end = lf;
                skip = 2;
            }
            if (end == std::string::npos) {
                if (answer.size() > limits.maxHeaderBytes) return false;
                continue;
            }
            if (end > limits.maxHeaderBytes) return false;
            headerEnd = end;
            bodyStart = end + skip;
            const std::string headers = answer.substr(0, headerEnd);
            // "HTTP/1.x 2xx ..."
            if (headers.compare(0, 5, "HTTP/") != 0) return false;
            const size_t space = headers.find(' ');
            if (space == std::string::npos || space + 3 >= headers.size() ||
                headers[space + 1] != '2') {
                return false;
            }
            if (!HeaderValue(headers, "Transfer-Encoding").empty()) return false;
            const std::string length = HeaderValue(headers, "Content-Length");
            if (!length.empty()) {
                char* endp = nullptr;
                errno = 0;
                const long long value = std::strtoll(length.c_str(), &endp, 10);
                if (errno != 0 || endp == length.c_str() || *endp != '\0' || value < 0) {
                    return false;
                }
                if (static_cast<unsigned long long>(value) > limits.maxBodyBytes) return false;
                contentLength = value;
            }
        }
        if (headerEnd != std::string::npos && answer.size() - bodyStart > limits.maxBodyBytes) {
            return false;
        }
    }
    if (headerEnd == std::string::npos) return false;
    if (contentLength >= 0) {
        if (answer.size() - bodyStart < static_cast<size_t>(contentLength)) return false;
        body->assign(answer, bodyStart, static_cast<size_t>(contentLength));
    } else {
        body->assign(answer, bodyStart, std::string::npos);
    }
    return true;
}
