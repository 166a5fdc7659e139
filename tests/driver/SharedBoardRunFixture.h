// One shared board read from its file, changed by the test, and the complete
// "RunAutoPlacer" command run on it in-process with its dialogs answered as
// "autoplacer place" answers them.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

#include "app/AppClient.h"
#include "app/PlaceCommand.h"
#include "app/ScriptedDialogHost.h"
#include "driver/DriverFixture.h"
#include "hostpcb/Board.h"
#include "hostpcb/Geometry.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "plugin/Main_AutoPlacer.h"
#include "sdk/plugin.h"

namespace autoplacer::drivertest {

class SharedBoardRun : public ::testing::Test {
protected:
    void TearDown() override {
        loaded.reset();
        Client = nullptr;
        hostpcb::Host::Instance().Reset();
        ResetRunFlags();
    }

    void Load(const std::string& name) {
        ResetRunFlags();
        hostpcb::Host::Instance().Reset();
        loaded = io::LoadBoardFile(std::string(AUTOPLACER_BOARDS_DIR) + "/" + name + ".kicad_pcb");
        ASSERT_NE(loaded, nullptr);
    }

    hostpcb::Board& Board() { return *loaded->board; }

    // The box of the outline (the board's own lines and arcs on the keep-out layer).
    hostpcb::Box OutlineBox() const {
        bool first = true;
        hostpcb::Box box;
        for (const hostpcb::Object* object : loaded->board->Objects()) {
            if (object->Layer() != PCB_KEEP_OUT_LAYER || object->ParentComponent() != nullptr) {
                continue;
            }
            box = first ? object->Bounds() : box.United(object->Bounds());
            first = false;
        }
        EXPECT_FALSE(first) << "the board has no outline";
        return box;
    }

    // The outline's box grown by a margin on every side.
    hostpcb::Box Around(double marginMm) const {
        const hostpcb::Box box = OutlineBox();
        const hostpcb::Coord margin = hostpcb::MmToUnits(marginMm);
        return {box.x1 - margin, box.y1 - margin, box.x2 + margin, box.y2 + margin};
    }

    // Runs the command; answers its result and keeps what it presented.
    int32_t Run(const app::PlaceOptions& options) {
        presented.clear();
        std::ostringstream notices;
        app::ScriptedDialogHost presenter(notices);
        for (const std::string& answer : app::PlacerDialogAnswers(options)) {
            EXPECT_EQ(presenter.AddAnswer(answer), "") << answer;
        }
        app::AppClient client;
        client.SetDialogHost(&presenter);
        sdk::IServerModule* module = nullptr;
        EXPECT_EQ(ServerFactory(&client, &module), sdk::kResultOk);
        if (module == nullptr) {
            return -1;
        }
        std::array<char, 512> parameters{};
        if (app::NeedsSetupDialog(options)) {
            std::strcpy(parameters.data(), "Test=True");
        }
        const int32_t result = module->GetCommandLauncher()->LaunchCommand(
            "RunAutoPlacer", parameters.data(), static_cast<int32_t>(parameters.size()), nullptr);
        module->Release();
        Client = nullptr;
        for (const auto& shown : presenter.History()) {
            presented.push_back(shown.Caption + ": " + shown.Text);
        }
        return result;
    }

    // Every component's reference point lies in the box.
    void ExpectEveryPartWithin(const hostpcb::Box& box) {
        for (const hostpcb::Component* part : Board().Components()) {
            EXPECT_TRUE(box.Contains(part->Position()))
                << part->Designator() << " at (" << part->Position().x << ", " << part->Position().y
                << ") outside (" << box.x1 << ", " << box.y1 << ") - (" << box.x2 << ", " << box.y2 << ")";
        }
    }

    std::unique_ptr<io::LoadedBoard> loaded;
    std::vector<std::string> presented;
};

}  // namespace autoplacer::drivertest
