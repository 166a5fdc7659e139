// The dialogs as a user meets them: a fresh host board, the application's client
// with its scripted presenter standing for the user, and the settings file of
// the application in a folder of its own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "app/AppClient.h"
#include "app/FileRegistry.h"
#include "app/ScriptedDialogHost.h"
#include "hostpcb/Board.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "plugin/Main_AutoPlacer.h"
#include "settings/PlacerRegistry.h"

namespace autoplacer::test {

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("dialogs.kicad_pcb");
        folder = std::filesystem::temp_directory_path() /
                 ("autoplacer-dialogs-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        OpenRegistry();
        client.SetDialogHost(&presenter);
        Client = &client;
    }
    void TearDown() override {
        Client = nullptr;
        registry.reset();
        std::filesystem::remove_all(folder);
        hostpcb::Host::Instance().Reset();
    }

    // A new store on the same file, as the next program run sees it.
    void OpenRegistry() {
        registry = std::make_unique<app::FileRegistry>(folder / "registry.json", notices);
        client.SetRegistry(registry.get());
    }

    void Answer(const std::string& answer) { ASSERT_EQ(presenter.AddAnswer(answer), "") << answer; }

    // Every answer given was taken by a form.
    void ExpectAllAnswersUsed() {
        EXPECT_TRUE(presenter.UnusedAnswers().empty()) << notices.str();
        EXPECT_EQ(notices.str().find("autoplacer: answer"), std::string::npos) << notices.str();
    }

    std::optional<std::string> StoredString(const char* name) { return TPlacerRegistry(registry.get()).ReadString(name); }
    std::optional<int32_t> StoredInteger(const char* name) { return TPlacerRegistry(registry.get()).ReadInteger(name); }
    std::optional<bool> StoredBool(const char* name) { return TPlacerRegistry(registry.get()).ReadBool(name); }

    PcbHandle BoardHandle() const { return board->Handle(); }

    hostpcb::Board* board = nullptr;
    std::filesystem::path folder;
    std::ostringstream notices;
    app::ScriptedDialogHost presenter{notices};
    app::AppClient client;
    std::unique_ptr<app::FileRegistry> registry;
};

}  // namespace autoplacer::test

namespace autoplacer::test {

// Lines typed for the terminal presenter, through a pipe.
class TerminalInput {
public:
    TerminalInput() { EXPECT_EQ(pipe(Fds), 0); }
    ~TerminalInput() {
        close(Fds[0]);
        if (Fds[1] >= 0) {
            close(Fds[1]);
        }
    }
    TerminalInput(const TerminalInput&) = delete;
    TerminalInput& operator=(const TerminalInput&) = delete;
    void Type(const std::string& text) {
        ASSERT_EQ(write(Fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    int ReadEnd() const { return Fds[0]; }

private:
    int Fds[2] = {-1, -1};
};

}  // namespace autoplacer::test
