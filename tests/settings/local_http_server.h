// A one-connection-at-a-time HTTP server on 127.0.0.1 for the update-check tests: answers every
// request with a fixed reply (optionally after a delay, in slow pieces, or not at all) and
// records the request line it received.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

class LocalHttpServer {
  public:
    enum class Mode {
        Reply,        // send the reply, close
        Silent,       // accept, read the request, send nothing until stopped
        CloseAtOnce,  // accept and close without a byte
        Dribble,      // send the reply one byte every dribbleMillis
        Endless,      // send the reply, then filler bytes until the client goes away
    };

    explicit LocalHttpServer(Mode mode, std::string reply = std::string(), int dribbleMillis = 50);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int Port() const { return port_; }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // The first line of the last request ("GET /x HTTP/1.0").
    std::string RequestLine();
    int Connections() const { return connections_.load(); }

    // A complete "200 OK" answer with the body.
    static std::string Ok(const std::string& body, bool withLength = true);

  private:
    void Serve();
    void Handle(int client);

    Mode mode_;
    std::string reply_;
    int dribbleMillis_;
    int listener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::mutex mutex_;
    std::string requestLine_;
    std::thread thread_;
};
