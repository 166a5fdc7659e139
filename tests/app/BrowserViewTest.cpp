// The browser view's server refusing what it must refuse, each case against the
// real "autoplacer edit BOARD" process over HTTP (cpp-httplib's client): no or a
// wrong token, another site's Host, a second page, a message from a page that
// does not hold the session, malformed messages, a footprint that does not
// exist, quitting with unsaved changes, and a board file changed on disk since
// it was loaded. After each refusal the session goes on and nothing is lost.
// Also the page's Stop button during a placement and Ctrl-C in the terminal.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/BinaryRun.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kBinDir = AUTOPLACER_BIN_DIR;
const std::string kBoard = std::string(AUTOPLACER_BOARDS_DIR) + "/uext-esp32-c3.kicad_pcb";

// "autoplacer edit BOARD" running, with the address it printed.
class EditProcess {
public:
    EditProcess(const fs::path& board, const fs::path& scratch) {
        int out[2];
        if (pipe(out) != 0) return;
        Pid = fork();
        if (Pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            const std::string errors = (scratch / "stderr.txt").string();
            freopen(errors.c_str(), "w", stderr);
            freopen("/dev/null", "r", stdin);
            close(out[0]);
            const std::string bin = kBinDir + "/autoplacer", registry = (scratch / "registry.json").string();
            const std::string output = (scratch / "out.kicad_pcb").string();
            execl(bin.c_str(), bin.c_str(), "edit", board.c_str(), "-o", output.c_str(), "--registry",
                  registry.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        std::string line;
        char c = 0;
        while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
        close(out[0]);
        const std::size_t at = line.find("http://127.0.0.1:");
        if (at == std::string::npos) return;
        const std::string rest = line.substr(at + 17);
        Port = std::stoi(rest);
        Token = rest.substr(rest.find("token=") + 6, 32);
    }
    ~EditProcess() {
        if (Pid > 0 && !Ended) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
    }
    // The exit status once the process ends within the time, -1 otherwise.
    int Wait(std::chrono::seconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(Pid, &status, WNOHANG) == Pid) {
                Ended = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }
    std::string Path(const std::string& path, const std::string& token) const { return path + "?token=" + token; }

    pid_t Pid = -1;
    int Port = 0;
    std::string Token;
    bool Ended = false;
};

// The page's event stream, read on a thread of its own.
class EventStream {
public:
    EventStream(int port, const std::string& token) : Client("127.0.0.1", port) {
        Reader = std::thread([this, token] {
            auto result = Client.Get(("/events?token=" + token).c_str(),
                                     [this](const char* data, std::size_t length) {
                                         std::lock_guard<std::mutex> guard(Lock);
                                         Buffer.append(data, length);
                                         Split();
                                         return true;
                                     });
            std::lock_guard<std::mutex> guard(Lock);
            Closed = true;
            Changed.notify_all();
        });
    }
    ~EventStream() {
        Client.stop();
        Reader.join();
    }
    // The first event of that name (from index from on) whose data satisfies test.
    std::optional<json> WaitFor(const std::string& name, const std::function<bool(const json&)>& test,
                                std::size_t from = 0) {
        std::unique_lock<std::mutex> guard(Lock);
        std::optional<json> found;
        Changed.wait_for(guard, std::chrono::seconds(20), [&] {
            for (std::size_t i = from; i < Events.size(); ++i) {
                if (Events[i].first == name && test(Events[i].second)) {
                    found = Events[i].second;
                    return true;
                }
            }
            return Closed;
        });
        return found;
    }
    std::size_t Count() {
        std::lock_guard<std::mutex> guard(Lock);
        return Events.size();
    }
    std::string Page() {
        const std::optional<json> hello = WaitFor("hello", [](const json&) { return true; });
        return hello ? (*hello)["page"].get<std::string>() : "";
    }

private:
    void Split() {
        for (std::size_t end; (end = Buffer.find("\n\n")) != std::string::npos;) {
            const std::string block = Buffer.substr(0, end);
            Buffer.erase(0, end + 2);
            std::string name, data;
            std::size_t start = 0;
            while (start < block.size()) {
                const std::size_t stop = std::min(block.find('\n', start), block.size());
                const std::string line = block.substr(start, stop - start);
                if (line.rfind("event: ", 0) == 0) name = line.substr(7);
                if (line.rfind("data: ", 0) == 0) data += line.substr(6);
                start = stop + 1;
            }
            if (!name.empty()) Events.emplace_back(name, json::parse(data));
        }
        Changed.notify_all();
    }

    httplib::Client Client;
    std::thread Reader;
    std::mutex Lock;
    std::condition_variable Changed;
    std::string Buffer;
    std::vector<std::pair<std::string, json>> Events;
    bool Closed = false;
};

class BrowserView : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "autoplacer-browser-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        scratch = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(scratch, ec);
    }
    // Posts a message as the page does; answers the status and the body.
    std::pair<int, std::string> Post(const EditProcess& edit, json message, const std::string& page, uint64_t seq) {
        message["page"] = page;
        message["seq"] = seq;
        return PostText(edit, message.dump());
    }
    std::pair<int, std::string> PostText(const EditProcess& edit, const std::string& body) {
        httplib::Client client("127.0.0.1", edit.Port);
        auto result = client.Post(("/message?token=" + edit.Token).c_str(), body, "application/json");
        return result ? std::make_pair(result->status, result->body) : std::make_pair(-1, std::string());
    }
    static std::function<bool(const json&)> StateAt(uint64_t seq) {
        return [seq](const json& state) { return state["seq"].get<uint64_t>() >= seq; };
    }
    // The id the page knows a footprint by, from the whole board the stream sent first.
    static std::string IdOf(EventStream& events, const std::string& reference) {
        const std::optional<json> full =
            events.WaitFor("state", [](const json& state) { return state.value("full", false); });
        if (!full) return {};
        for (const json& component : (*full)["scene"]["components"]) {
            if (component["ref"] == reference) return component["id"];
        }
        return {};
    }

    fs::path scratch;
};

TEST_F(BrowserView, RequestsWithoutTheTokenOrFromAnotherHostAreRefused) {
    EditProcess edit(kBoard, scratch);
    ASSERT_GT(edit.Port, 0) << apptest::ReadWholeFile(scratch / "stderr.txt");
    httplib::Client client("127.0.0.1", edit.Port);
    for (const std::string path : {"/", "/app.js", "/events", "/message"}) {
        auto plain = client.Get(path.c_str());
        ASSERT_TRUE(plain);
        EXPECT_EQ(plain->status, 403) << path;
        auto wrong = client.Get((path + "?token=" + std::string(32, '0')).c_str());
        ASSERT_TRUE(wrong);
        EXPECT_EQ(wrong->status, 403) << path;
    }
    // A page of another site whose name resolves to this machine sends its own Host.
    auto rebound = client.Get(("/?token=" + edit.Token).c_str(), {{"Host", "example.com:" + std::to_string(edit.Port)}});
    ASSERT_TRUE(rebound);
    EXPECT_EQ(rebound->status, 403);
    auto page = client.Get(("/?token=" + edit.Token).c_str());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("app.js?token=" + edit.Token), std::string::npos) << "the page names its script";
    EXPECT_EQ(PostText(edit, R"({"type":"quit","page":"x","seq":1})").first, 409) << "no page holds the session";
}

TEST_F(BrowserView, ASecondPageAndMessagesFromItAreRefused) {
    EditProcess edit(kBoard, scratch);
    ASSERT_GT(edit.Port, 0);
    EventStream first(edit.Port, edit.Token);
    const std::string page = first.Page();
    ASSERT_FALSE(page.empty());
    httplib::Client client("127.0.0.1", edit.Port);
    auto second = client.Get(("/events?token=" + edit.Token).c_str());
    ASSERT_TRUE(second);
    EXPECT_EQ(second->status, 409);
    EXPECT_NE(second->body.find("another page"), std::string::npos) << second->body;
    const auto [status, body] = Post(edit, {{"type", "quit"}}, "not-" + page, 1);
    EXPECT_EQ(status, 409) << body;
    // The first page still holds the session and ends it.
    EXPECT_EQ(Post(edit, {{"type", "quit"}}, page, 2).first, 200);
    EXPECT_EQ(edit.Wait(std::chrono::seconds(20)), 0);
}

TEST_F(BrowserView, MalformedMessagesAndUnknownFootprintsAreRefusedAndTheSessionGoesOn) {
    EditProcess edit(kBoard, scratch);
    ASSERT_GT(edit.Port, 0);
    EventStream events(edit.Port, edit.Token);
    const std::string page = events.Page();
    const std::string c1 = IdOf(events, "C1");
    ASSERT_FALSE(c1.empty());
    const std::vector<std::pair<std::string, std::string>> bad = {
        {R"({"type":"select","ids":[)", "not JSON"},
        {R"([1,2])", "a JSON object"},
        {json{{"type", "teleport"}, {"page", page}, {"seq", 1}}.dump(), "no message type"},
        {json{{"type", "select"}, {"page", page}}.dump(), "seq"},
        {json{{"type", "pick"}, {"x", "12"}, {"y", 3}, {"page", page}, {"seq", 1}}.dump(), "number of millimetres"},
        {json{{"type", "move"}, {"x", 1e9}, {"y", 3}, {"page", page}, {"seq", 1}}.dump(), "within"},
        {json{{"type", "key"}, {"key", 0}, {"page", page}, {"seq", 1}}.dump(), "character code"},
        {json{{"type", "run"}, {"command", "rm -rf"}, {"page", page}, {"seq", 1}}.dump(), "no command"},
        {json{{"type", "run"}, {"command", "AlignComponents"}, {"params", {{"A", "1|B=2"}}}, {"page", page}, {"seq", 1}}
             .dump(),
         "params"},
        {json{{"type", "select"}, {"ids", {"C1"}}, {"page", page}, {"seq", 1}}.dump(), "footprint ids"},
    };
    for (const auto& [body, why] : bad) {
        const auto [status, text] = PostText(edit, body);
        EXPECT_EQ(status, 400) << body;
        EXPECT_NE(text.find("malformed message"), std::string::npos) << text;
        EXPECT_NE(text.find(why), std::string::npos) << body << " -> " << text;
    }
    // A footprint id the board does not have: refused with its reason, the selection untouched.
    ASSERT_EQ(Post(edit, {{"type", "select"}, {"ids", {"12345"}}}, page, 5).first, 200);
    const std::optional<json> problem =
        events.WaitFor("problem", [](const json& p) { return p["seq"].get<uint64_t>() == 5; });
    ASSERT_TRUE(problem);
    EXPECT_NE((*problem)["text"].get<std::string>().find("no longer exists"), std::string::npos) << *problem;
    // An event that cannot happen now (no edit runs) is refused the same way.
    ASSERT_EQ(Post(edit, {{"type", "move"}, {"x", 150.0}, {"y", 90.0}}, page, 6).first, 200);
    EXPECT_TRUE(events.WaitFor("problem", [](const json& p) { return p["seq"].get<uint64_t>() == 6; }));
    // Then a good message is carried out.
    ASSERT_EQ(Post(edit, {{"type", "select"}, {"ids", {c1}}}, page, 7).first, 200);
    const std::optional<json> selected = events.WaitFor("state", [&c1](const json& state) {
        for (const json& c : state["scene"].value("components", json::array())) {
            if (c["id"] == c1 && c["selected"] == true) return true;
        }
        return false;
    });
    EXPECT_TRUE(selected) << "C1 is selected after the refusals";
    ASSERT_EQ(Post(edit, {{"type", "quit"}}, page, 8).first, 200);
    EXPECT_EQ(edit.Wait(std::chrono::seconds(20)), 0) << "a selection is no unsaved change";
}

TEST_F(BrowserView, UnsavedChangesAndABoardChangedOnDiskAreNeverLost) {
    const fs::path board = scratch / "board.kicad_pcb";
    fs::copy_file(kBoard, board);
    EditProcess edit(board, scratch);
    ASSERT_GT(edit.Port, 0);
    EventStream events(edit.Port, edit.Token);
    const std::string page = events.Page();
    const std::string c1 = IdOf(events, "C1"), c2 = IdOf(events, "C2");
    ASSERT_FALSE(c1.empty());
    ASSERT_FALSE(c2.empty());
    ASSERT_EQ(Post(edit, {{"type", "select"}, {"ids", {c1, c2}}}, page, 1).first, 200);
    ASSERT_EQ(Post(edit, {{"type", "run"}, {"command", "AlignComponents"}}, page, 2).first, 200);
    ASSERT_TRUE(events.WaitFor("dialog", [](const json& form) { return form["caption"] == "Align Components"; }));
    ASSERT_EQ(Post(edit, {{"type", "dialog"}, {"action", "set RadioGroupHorizontalAlignment Centre"}}, page, 3).first,
              200);
    ASSERT_EQ(Post(edit, {{"type", "dialog"}, {"action", "click OK"}}, page, 4).first, 200);
    ASSERT_TRUE(events.WaitFor("state", [](const json& s) { return s["state"] == "top" && s["dirty"] == true; }));

    // Quitting with the change unsaved is refused and asks.
    ASSERT_EQ(Post(edit, {{"type", "quit"}}, page, 5).first, 200);
    EXPECT_TRUE(events.WaitFor("confirm", [](const json& c) { return c["kind"] == "quit"; }));
    EXPECT_EQ(edit.Wait(std::chrono::seconds(1)), -1) << "still running";

    // The board file changes on disk: overwriting it is refused, the other program's file stays.
    {
        std::ofstream(board, std::ios::app) << "\n";
    }
    const std::string theirs = apptest::ReadWholeFile(board);
    ASSERT_EQ(Post(edit, {{"type", "save"}, {"board", true}, {"overwrite", true}}, page, 6).first, 200);
    const std::optional<json> refused =
        events.WaitFor("problem", [](const json& p) { return p["seq"].get<uint64_t>() == 6; });
    ASSERT_TRUE(refused);
    EXPECT_NE((*refused)["text"].get<std::string>().find("changed on disk"), std::string::npos) << *refused;
    EXPECT_EQ(apptest::ReadWholeFile(board), theirs);

    // Without --in-place the board file needs a confirmation first.
    const std::size_t before = events.Count();
    ASSERT_EQ(Post(edit, {{"type", "save"}, {"board", true}}, page, 7).first, 200);
    EXPECT_TRUE(events.WaitFor("confirm", [](const json& c) { return c["kind"] == "overwrite"; }, before));

    // Saving elsewhere keeps the change; then quitting needs no question.
    const fs::path elsewhere = scratch / "saved.kicad_pcb";
    ASSERT_EQ(Post(edit, {{"type", "save"}, {"path", elsewhere.string()}}, page, 8).first, 200);
    ASSERT_TRUE(events.WaitFor("saved", [](const json&) { return true; }));
    EXPECT_NE(apptest::ReadWholeFile(elsewhere), apptest::ReadWholeFile(kBoard));
    ASSERT_EQ(Post(edit, {{"type", "quit"}}, page, 9).first, 200);
    EXPECT_EQ(edit.Wait(std::chrono::seconds(20)), 0);
}

// Stop during a long placement: the plug-in's stop question comes to the page;
// answering it with the old positions restored leaves the board as it was.
TEST_F(BrowserView, StopDuringAPlacementAsksOnThePageAndRestores) {
    EditProcess edit(std::string(AUTOPLACER_BOARDS_DIR) + "/reform-keyboard.kicad_pcb", scratch);
    ASSERT_GT(edit.Port, 0);
    EventStream events(edit.Port, edit.Token);
    const std::string page = events.Page();
    ASSERT_EQ(Post(edit, {{"type", "run"}, {"command", "RunAutoPlacer"}}, page, 1).first, 200);
    ASSERT_TRUE(events.WaitFor("dialog", [](const json& form) { return form["caption"] == "Auto Place"; }));
    ASSERT_EQ(Post(edit, {{"type", "dialog"}, {"action", "click UseNewAutoPlacer_RadioButton"}}, page, 2).first, 200);
    ASSERT_EQ(Post(edit, {{"type", "dialog"}, {"action", "click OK_Button"}}, page, 3).first, 200);
    ASSERT_TRUE(events.WaitFor("progress", [](const json& p) { return p.value("done", 0) > 0; }))
        << "the placement shows its progress";
    ASSERT_EQ(Post(edit, {{"type", "stop"}}, page, 4).first, 200);
    const std::optional<json> question =
        events.WaitFor("dialog", [](const json& form) { return form["caption"] == "Confirm"; });
    ASSERT_TRUE(question) << "the stop question is shown on the page";
    ASSERT_EQ(Post(edit, {{"type", "dialog"}, {"action", "set Restore_CheckBox 1"}}, page, 5).first, 200);
    ASSERT_EQ(Post(edit, {{"type", "dialog"}, {"action", "click Yes_Button"}}, page, 6).first, 200);
    const std::optional<json> back = events.WaitFor(
        "state", [](const json& s) { return s["state"] == "top" && s["seq"].get<uint64_t>() >= 6; });
    ASSERT_TRUE(back) << "the placement ends";
    EXPECT_EQ((*back)["dirty"], false) << "every component is back where it was";
    EXPECT_EQ((*back)["canUndo"], false);
    ASSERT_EQ(Post(edit, {{"type", "quit"}}, page, 7).first, 200);
    EXPECT_EQ(edit.Wait(std::chrono::seconds(30)), 0);
}

// Ctrl-C in the terminal ends the session; with no terminal to ask, it says the
// changes were not saved, and writes nothing.
TEST_F(BrowserView, CtrlCEndsTheSessionAndSaysWhatWasNotSaved) {
    EditProcess edit(kBoard, scratch);
    ASSERT_GT(edit.Port, 0);
    EventStream events(edit.Port, edit.Token);
    const std::string page = events.Page();
    const std::string c1 = IdOf(events, "C1"), c2 = IdOf(events, "C2");
    ASSERT_EQ(Post(edit, {{"type", "select"}, {"ids", {c1, c2}}}, page, 1).first, 200);
    ASSERT_EQ(Post(edit, {{"type", "run"}, {"command", "AlignComponents"}}, page, 2).first, 200);
    ASSERT_TRUE(events.WaitFor("dialog", [](const json& form) { return form["caption"] == "Align Components"; }));
    ASSERT_EQ(Post(edit, {{"type", "dialog"}, {"action", "set RadioGroupHorizontalAlignment Centre"}}, page, 3).first,
              200);
    ASSERT_EQ(Post(edit, {{"type", "dialog"}, {"action", "click OK"}}, page, 4).first, 200);
    ASSERT_TRUE(events.WaitFor("state", [](const json& s) { return s["state"] == "top" && s["dirty"] == true; }));
    kill(edit.Pid, SIGINT);
    EXPECT_EQ(edit.Wait(std::chrono::seconds(20)), 0);
    const std::string errors = apptest::ReadWholeFile(scratch / "stderr.txt");
    EXPECT_NE(errors.find("the changes were not saved"), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(scratch / "out.kicad_pcb"));
    EXPECT_TRUE(events.WaitFor("bye", [](const json&) { return true; })) << "the page hears that the session ended";
}

}  // namespace
