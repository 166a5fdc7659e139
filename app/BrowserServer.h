// The browser view's web server (cpp-httplib): it serves the page and its files,
// takes the page's messages as POSTs and pushes the session's changes to the page
// as server-sent events. It listens on 127.0.0.1 only, on a free port, and runs
// on its own threads; it never touches the board. Every request must carry the
// session's random token (?token=) and name this machine's loopback address as
// its Host. One page at a time: while a page holds the event stream, a second
// page is refused (status 409), and messages must name the page that holds it.
// The page's messages are checked for their form here (status 400 with the
// reason otherwise) and queued for the session's thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

namespace httplib {
class Server;
}

namespace app {

struct PageFile {
    const char* path;  // "/app.js"
    const char* type;  // "text/javascript"
    const char* body;
};

class BrowserServer {
public:
    BrowserServer(std::string token, std::vector<PageFile> files);
    // Stops serving and joins the server's thread.
    ~BrowserServer();
    BrowserServer(const BrowserServer&) = delete;
    BrowserServer& operator=(const BrowserServer&) = delete;

    // Binds 127.0.0.1 at a free port and starts serving; false with the reason.
    bool Start(std::string& problem);
    int Port() const { return BoundPort; }
    // The page's address with the token.
    std::string Address() const;

    // The next message of the page, waiting at most timeout; nullopt when none came.
    std::optional<nlohmann::json> NextMessage(std::chrono::milliseconds timeout);
    // Sends an event to the page that holds the stream (dropped when none does).
    void Send(const std::string& event, const nlohmann::json& data);
    bool PageConnected() const;

    // 32 hexadecimal digits from the system's random source.
    static std::string RandomToken();

private:
    void Route();
    bool Authorised(const std::string& token, const std::string& host) const;

    const std::string Token;
    const std::vector<PageFile> Files;
    std::unique_ptr<httplib::Server> Http;
    std::thread Serving;
    int BoundPort = 0;

    mutable std::mutex Lock;
    std::condition_variable Arrived;   // a message for the session
    std::condition_variable Outgoing;  // an event for the page, or the end
    std::deque<nlohmann::json> Inbox;
    std::string Outbox;  // events written out, waiting for the stream
    std::string Page;    // the id of the page holding the stream; empty when none
    bool Stopping = false;
};

}  // namespace app
