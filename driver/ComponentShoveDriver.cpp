#include "driver/ComponentShoveDriver.h"

#include "editing/ClusterEditor.h"
#include "engines/KeepOut.h"
#include "host/HostClient.h"
#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "host/PcbUnits.h"
#include "model/BoardQueries.h"
#include "model/PrimitivesList.h"
#include "ui/MessageBoxes.h"

namespace autoplacer {

TClusterEditor* ClusterEditor = nullptr;

namespace {

// Clears the host's prompt when a pick ends, however it ends.
class TPromptCleared {
public:
    TPromptCleared() = default;
    TPromptCleared(const TPromptCleared&) = delete;
    TPromptCleared& operator=(const TPromptCleared&) = delete;
    ~TPromptCleared() {
        if (Client != nullptr) {
            if (sdk::IMainFrame* frame = Client->GetMainFrame()) {
                frame->SetStatusText(-1, nullptr);
            }
        }
    }
};

// The global editor is set for exactly the life of one edit.
class TActiveEditor {
public:
    explicit TActiveEditor(TClusterEditor& editor) { ClusterEditor = &editor; }
    ~TActiveEditor() { ClusterEditor = nullptr; }
    TActiveEditor(const TActiveEditor&) = delete;
    TActiveEditor& operator=(const TActiveEditor&) = delete;
};

PcbLayerSet BoardLayers() {
    PcbLayerSet layers{};
    for (int layer = 1; layer <= 75; ++layer) {
        layers.Bits[layer / 64] |= uint64_t{1} << (layer % 64);
    }
    return layers;
}

}  // namespace

TPlacerOptions ShoveDriverOptions() {
    TPlacerOptions options;
    options.GuideCostWeight = 0;
    options.PadCostWeight = 0;
    options.ConnectionLengthCostWeight = 0;
    options.CrossOverCostWeight = 0;
    options.DirectionCostWeight = 0;
    options.StrictFloorPlanning = false;
    options.FixedNetTopology = true;
    options.TreeBasedRooms = false;
    options.DoPrePasses = true;
    options.ClusterScoreThreshold = 85;
    options.GridSize = MilsToCoord(50);
    return options;
}

void TComponentShoveDriver::Run() {
    const TPlacerOptions options = ShoveDriverOptions();
    TPrimitivesList keepOut(Board);
    TPlacementContext context;
    context.Board = Board;
    context.KeepOutPrimitives = &keepOut;
    static_cast<void>(ValidateKeepOut(context));  // the editor works with whatever it found
    const bool pickOne = EditMode < kEditPlain;
    for (;;) {
        std::unique_ptr<TCluster> cluster = pickOne ? PickComponent() : PickSelection();
        if (cluster == nullptr) {
            return;
        }
        {
            TClusterEditor editor(context, EditMode, options, *cluster);
            const TActiveEditor active(editor);
            editor.Run();
        }
        RedrawBoard();
    }
}

std::unique_ptr<TCluster> TComponentShoveDriver::PickComponent() {
    const TPromptCleared prompt;
    int32_t x = 0;
    int32_t y = 0;
    if (PcbApi::PcbApi_ChooseLocation(&x, &y, "Choose a component ...") == 0) {
        return nullptr;
    }
    const PcbHandle component = PcbApi::PcbApi_GetObjectAtXYAskUserIfAmbiguous(
        x, y, KindSetOf({PCB_COMPONENT}), BoardLayers(), PCB_PICK_ASK_USER);
    if (component == nullptr) {
        return nullptr;
    }
    if (!GetObjectMoveable(component) && !ui::AskYesNo("This component is locked. Continue?", "Confirm")) {
        return nullptr;
    }
    auto cluster = std::make_unique<TCluster>();
    cluster->AddComponent(component);
    return cluster;
}

std::unique_ptr<TCluster> TComponentShoveDriver::PickSelection() {
    int32_t x = 0;
    int32_t y = 0;
    const bool clicked = PcbApi::PcbApi_ChooseLocation(&x, &y, "Move Selection") != 0;
    auto cluster = std::make_unique<TCluster>();
    if (clicked) {
        TObjectIterator(Board, PCB_COMPONENT).ForEach([&](PcbHandle component) {
            TPcbComponent record(component);
            record.Sync(PCB_READ);
            if (record.IsSelected()) {
                cluster->AddComponent(component);
            }
        });
    }
    if (cluster->ComponentCount() == 0) {
        return nullptr;
    }
    if (!cluster->FixedGroups.Empty() &&
        !ui::AskYesNo("This selection contains locked components. Continue?", "Confirm")) {
        return nullptr;
    }
    return cluster;
}

}  // namespace autoplacer
