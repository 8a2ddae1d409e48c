#include "local_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

#include "support/test_support.h"

namespace {

// The server's wait for a request: the hang guard (a stop ends it at once).
const int kWaitMillis =
    static_cast<int>(std::chrono::milliseconds(testing_support::kHangGuard).count());

}  // namespace

LocalHttpServer::LocalHttpServer(Mode mode, std::string reply, int dribbleMillis)
    : mode_(mode), reply_(std::move(reply)), dribbleMillis_(dribbleMillis) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) throw std::runtime_error("socket");
    int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0) {
        throw std::runtime_error("bind/listen");
    }
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    thread_ = std::thread(&LocalHttpServer::Serve, this);
}

LocalHttpServer::~LocalHttpServer() {
    stopping_ = true;
    const char byte = 0;
    (void)!write(wakeWrite_, &byte, 1);
    thread_.join();
    close(listener_);
    close(wakeRead_);
    close(wakeWrite_);
}

std::string LocalHttpServer::RequestLine() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requestLine_;
}

std::string LocalHttpServer::Ok(const std::string& body, bool withLength) {
    std::string answer = "HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n";
    if (withLength) answer += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return answer + "\r\n" + body;
}

void LocalHttpServer::Serve() {
    while (!stopping_) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (poll(fds, 2, -1) <= 0) continue;
        if (fds[1].revents != 0) break;
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        ++connections_;
        Handle(client);
        close(client);
    }
}

void LocalHttpServer::Handle(int client) {
    if (mode_ == Mode::CloseAtOnce) return;
    // Read the request head (bounded wait, so that a client that sends nothing cannot hold us).
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        pollfd fds[2] = {{client, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (poll(fds, 2, kWaitMillis) <= 0 || fds[1].revents != 0) return;
        const ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, static_cast<size_t>(n));
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requestLine_ = request.substr(0, request.find("\r\n"));
    }
    // Waits up to millis for the stop request; true when it came.
    auto stopped = [this](int millis) {
        pollfd fd = {wakeRead_, POLLIN, 0};
        return poll(&fd, 1, millis) > 0;
    };
    switch (mode_) {
        case Mode::Reply:
            send(client, reply_.data(), reply_.size(), MSG_NOSIGNAL);
            break;
        case Mode::Silent:
            stopped(-1);
            break;
        case Mode::Dribble:
            for (char c : reply_) {
                if (send(client, &c, 1, MSG_NOSIGNAL) != 1 || stopped(dribbleMillis_)) break;
            }
            break;
        case Mode::Endless: {
            if (send(client, reply_.data(), reply_.size(), MSG_NOSIGNAL) < 0) break;
            const std::string filler(16384, 'A');
            while (!stopping_) {
                if (send(client, filler.data(), filler.size(), MSG_NOSIGNAL) < 0) break;
            }
            break;
        }
        case Mode::CloseAtOnce:
            break;
    }
}
