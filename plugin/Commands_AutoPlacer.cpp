#include "plugin/Commands_AutoPlacer.h"

#include <array>
#include <exception>
#include <string>

#include "driver/AutoPlacerDriver.h"
#include "driver/ComponentShoveDriver.h"
#include "editing/ClusterEditor.h"
#include "editing/ComponentAlignment.h"
#include "host/PcbApi.h"
#include "host/PcbBoard.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "host/Parameters.h"
#include "plugin/Main_AutoPlacer.h"
#include "ui/MessageBoxes.h"

namespace autoplacer {

namespace {

// True while "EnterInteractiveComponentEditingMode" runs, between edits too: the
// mode's picks let the host deliver commands, and a second mode must not start.
bool EditingModeRunning = false;

class TEditingModeFlag {
public:
    TEditingModeFlag() { EditingModeRunning = true; }
    ~TEditingModeFlag() { EditingModeRunning = false; }
    TEditingModeFlag(const TEditingModeFlag&) = delete;
    TEditingModeFlag& operator=(const TEditingModeFlag&) = delete;
};

}  // namespace

void ShowErrorMessage(const char* text) { ui::ShowError(text); }

int EditingModeFromParameters(const char* parameters) {
    std::string mode;
    if (GetParameter(parameters, "Mode", mode)) {
        if (SameParameterValue(mode, "AutoAlign")) {
            return 0;
        }
        if (SameParameterValue(mode, "AutoSelect")) {
            return 1;
        }
    }
    return 2;
}

int FeatureFromParameters(const char* parameters) {
    static constexpr std::array<const char*, 9> kFeatures = {
        "RemouldSquare",      "RemouldWide",        "RemouldTall",    "ExpandHorizontal", "ExpandVertical",
        "ContractHorizontal", "ContractVertical",   "FlipHorizontal", "FlipVertical"};
    std::string feature;
    if (GetParameter(parameters, "Feature", feature)) {
        for (std::size_t i = 0; i < kFeatures.size(); ++i) {
            if (SameParameterValue(feature, kFeatures[i])) {
                return static_cast<int>(i) + 1;
            }
        }
    }
    return 0;
}

namespace {

// Clears the run-control flags and the current driver however the run ends, so
// that a run that failed (a setup value that is not a number, a host that
// refused the modification bracket) leaves the next run a clean start.
class TRunControlReset {
public:
    TRunControlReset() = default;
    TRunControlReset(const TRunControlReset&) = delete;
    TRunControlReset& operator=(const TRunControlReset&) = delete;
    ~TRunControlReset() {
        CurrentDriver = nullptr;
        StopConfirmed = false;
        StopRequested = false;
        PlacementRunning = false;
    }
};

}  // namespace

void RunAutoPlacerCommand(void*, char* parameters, int32_t bufferSize) {
    const PcbHandle board = PcbApi::PcbApi_GetCurrentBoardHandle();
    if (board == nullptr) {
        ShowErrorMessage("No board is current.");
        return;
    }
    TRunControlReset reset;
    PlacementRunning = true;
    const bool testMode = bufferSize > 0 && ParameterIsTrue(parameters, "Test");
    try {
        TAutoPlacerDriver driver(board, testMode);
        CurrentDriver = &driver;
        driver.Run();
    } catch (const std::exception& error) {
        // The command ends with the error; the user learns why.
        CurrentDriver = nullptr;
        ShowErrorMessage(error.what());
        throw;
    }
}

void StopAutoPlacerCommand(void*, char*, int32_t) { StopRequested = true; }

void AutoPlacerQueryCommand(void*, char* parameters, int32_t bufferSize) {
    if (parameters == nullptr || bufferSize <= 0) {
        return;
    }
    std::string action;
    if (!GetParameter(parameters, "Action", action) || !SameParameterValue(action, "IsRunning")) {
        return;
    }
    parameters[0] = '\0';
    if (CurrentDriver != nullptr && CurrentDriver->GetBoard() != nullptr) {
        TPcbBoard board(CurrentDriver->GetBoard());
        board.Sync(PCB_READ);
        // A file name too long for the host's buffer is left out; the answer still fits.
        SetParameter(parameters, bufferSize, "BoardFileName", board.FileName);
    }
    SetParameter(parameters, bufferSize, "Result", PlacementRunning ? "True" : "False");
}

void EnterEditingModeCommand(void*, char* parameters, int32_t bufferSize) {
    if (ClusterEditor != nullptr || EditingModeRunning) {
        return;
    }
    const PcbHandle board = PcbApi::PcbApi_GetCurrentBoardHandle();
    if (board == nullptr) {
        ShowErrorMessage("No board is current");
        return;
    }
    const TEditingModeFlag running;
    TComponentShoveDriver driver(board,
                                 static_cast<uint8_t>(EditingModeFromParameters(bufferSize > 0 ? parameters : nullptr)));
    driver.Run();
}

void ExecuteFeatureCommand(void*, char* parameters, int32_t bufferSize) {
    TClusterEditor* editor = ClusterEditor;
    if (editor == nullptr) {
        return;
    }
    switch (FeatureFromParameters(bufferSize > 0 ? parameters : nullptr)) {
        case 1: editor->Reshape(true, TReshape::Square); break;
        case 2: editor->OnReshapeWide(); break;
        case 3: editor->OnReshapeTall(); break;
        case 4: editor->ExpandHorizontal(); break;
        case 5: editor->ExpandVertical(); break;
        case 6: editor->ContractHorizontal(); break;
        case 7: editor->ContractVertical(); break;
        case 8: editor->GetCluster().FlipHorizontal(); break;
        case 9: editor->GetCluster().FlipVertical(); break;
        default: break;
    }
}

void LoseLastAutoSelectedCommand(void*, char*, int32_t) {
    if (ClusterEditor != nullptr) {
        ClusterEditor->LoseLastAutoSelected();
    }
}

void AlignComponentsCommand(void*, char*, int32_t) {
    const PcbHandle board = PcbApi::PcbApi_GetCurrentBoardHandle();
    if (board == nullptr) {
        ShowErrorMessage("No board is open");
        return;
    }
    AlignSelection(board);
}

}  // namespace autoplacer
