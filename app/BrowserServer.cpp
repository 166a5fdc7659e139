#include "app/BrowserServer.h"

#include <httplib.h>

#include <cstdio>
#include <random>

#include "app/BrowserMessages.h"

namespace app {

namespace {

using nlohmann::json;

constexpr const char* kLoopback = "127.0.0.1";
constexpr std::size_t kLargestMessage = 1 << 20;
constexpr std::size_t kWorkers = 24;
// How often an idle event stream is written to, so that a closed page is noticed.
constexpr auto kKeepAlive = std::chrono::milliseconds(1000);

void Refuse(httplib::Response& response, int status, const std::string& why) {
    response.status = status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(why + "\n", "text/plain; charset=utf-8");
}

// Comparing every character, so the time taken says nothing about where a guess went wrong.
bool SameSecret(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

}  // namespace

std::string BrowserServer::RandomToken() {
    std::random_device random;  // the system's random source
    std::string token;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random()));
        token += part;
    }
    return token;
}

BrowserServer::BrowserServer(std::string token, std::vector<PageFile> files)
    : Token(std::move(token)), Files(std::move(files)), Http(std::make_unique<httplib::Server>()) {}

BrowserServer::~BrowserServer() {
    {
        // The last events (the session's goodbye) reach the page before the stream closes.
        std::unique_lock<std::mutex> guard(Lock);
        for (int i = 0; i < 50 && !Page.empty() && !Outbox.empty(); ++i) {
            guard.unlock();
            Outgoing.notify_all();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            guard.lock();
        }
        Stopping = true;
    }
    Outgoing.notify_all();
    Http->stop();
    if (Serving.joinable()) Serving.join();
}

bool BrowserServer::Authorised(const std::string& token, const std::string& host) const {
    // A page of another site that a name resolves to 127.0.0.1 sends its own Host: refused.
    const std::string port = ":" + std::to_string(BoundPort);
    return SameSecret(token, Token) && (host == kLoopback + port || host == "localhost" + port);
}

void BrowserServer::Route() {
    Http->set_payload_max_length(kLargestMessage);
    // Each kept-alive connection holds a worker: enough for a browser's six, the event stream
    // and a refused second page.
    Http->new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    Http->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (!Authorised(request.get_param_value("token"), request.get_header_value("Host"))) {
            Refuse(response, 403, "refused: this address needs the token that autoplacer printed");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    for (const PageFile& file : Files) {
        const std::string path = file.path;
        // The page names its script and style with the token, which only the server knows.
        std::string body = file.body;
        for (std::size_t at = 0; (at = body.find("__TOKEN__", at)) != std::string::npos; at += Token.size()) {
            body.replace(at, 9, Token);
        }
        Http->Get(path == "/index.html" ? "/" : path,
                  [body, type = std::string(file.type)](const httplib::Request&, httplib::Response& response) {
                      response.set_header("Cache-Control", "no-store");
                      response.set_header("Content-Security-Policy",
                                          "default-src 'self'; style-src 'self'; img-src 'self' data:");
                      response.set_content(body, type.c_str());
                  });
    }
    Http->Get("/events", [this](const httplib::Request&, httplib::Response& response) {
        std::string page;
        {
            std::lock_guard<std::mutex> guard(Lock);
            if (!Page.empty()) {
                Refuse(response, 409, "refused: another page already has this session open");
                return;
            }
            Page = page = RandomToken();
            Outbox.clear();
            Outbox += "event: hello\ndata: " + json{{"page", page}}.dump() + "\n\n";
            // The session answers with the whole board.
            Inbox.push_back({{"type", "sync"}, {"page", page}, {"seq", 0}});
        }
        Arrived.notify_all();
        response.set_header("Cache-Control", "no-store");
        response.set_chunked_content_provider(
            "text/event-stream",
            [this, page](std::size_t, httplib::DataSink& sink) {
                std::unique_lock<std::mutex> guard(Lock);
                Outgoing.wait_for(guard, kKeepAlive, [this] { return !Outbox.empty() || Stopping; });
                if (Stopping || Page != page) {
                    sink.done();
                    return true;
                }
                std::string chunk;
                chunk.swap(Outbox);
                guard.unlock();
                if (chunk.empty()) chunk = ": still here\n\n";
                return sink.write(chunk.data(), chunk.size());
            },
            [this, page](bool) {
                std::lock_guard<std::mutex> guard(Lock);
                if (Page == page) {
                    Page.clear();
                    Outbox.clear();
                }
            });
    });
    Http->Post("/message", [this](const httplib::Request& request, httplib::Response& response) {
        json message;
        try {
            message = json::parse(request.body);
        } catch (const json::exception& failure) {
            Refuse(response, 400, std::string("malformed message: not JSON (") + failure.what() + ")");
            return;
        }
        if (const std::string problem = CheckPageMessage(message); !problem.empty()) {
            Refuse(response, 400, "malformed message: " + problem);
            return;
        }
        {
            std::lock_guard<std::mutex> guard(Lock);
            if (Page.empty() || message["page"].get<std::string>() != Page) {
                Refuse(response, 409, "refused: this page does not hold the session (another page does, or none)");
                return;
            }
            Inbox.push_back(std::move(message));
        }
        Arrived.notify_all();
        response.set_header("Cache-Control", "no-store");
        response.set_content("{}", "application/json");
    });
}

bool BrowserServer::Start(std::string& problem) {
    Route();
    BoundPort = Http->bind_to_any_port(kLoopback);
    if (BoundPort <= 0) {
        problem = "cannot listen on 127.0.0.1";
        return false;
    }
    Serving = std::thread([this] { Http->listen_after_bind(); });
    return true;
}

std::string BrowserServer::Address() const {
    return std::string("http://") + kLoopback + ":" + std::to_string(BoundPort) + "/?token=" + Token;
}

std::optional<json> BrowserServer::NextMessage(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> guard(Lock);
    if (!Arrived.wait_for(guard, timeout, [this] { return !Inbox.empty(); })) return std::nullopt;
    json message = std::move(Inbox.front());
    Inbox.pop_front();
    return message;
}

void BrowserServer::Send(const std::string& event, const json& data) {
    {
        std::lock_guard<std::mutex> guard(Lock);
        if (Page.empty()) return;
        Outbox += "event: " + event + "\ndata: " + data.dump(-1, ' ', false, json::error_handler_t::replace) + "\n\n";
    }
    Outgoing.notify_all();
}

bool BrowserServer::PageConnected() const {
    std::lock_guard<std::mutex> guard(Lock);
    return !Page.empty();
}

}  // namespace app
