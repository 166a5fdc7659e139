#include "driver/AutoPlacerDriver.h"

#include <algorithm>
#include <string>

#include "clustering/ClusterExtractor.h"
#include "clustering/PairGenerator.h"
#include "clustering/PreClusterAnalyzer.h"
#include "engines/AbsolutePlacer.h"
#include "engines/KeepOut.h"
#include "engines/RelativePlacer.h"
#include "engines/RoomPlacer.h"
#include "engines/TreeBasedPlacer.h"
#include "host/HostClient.h"
#include "host/HostCommands.h"
#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "host/PcbRules.h"
#include "host/PcbUnits.h"
#include "model/BoardQueries.h"
#include "model/Cluster.h"
#include "model/ConnectionDragger.h"
#include "model/OldComponentPositions.h"
#include "model/PlacedComponent.h"
#include "model/PrimitivesList.h"
#include "model/RunControl.h"
#include "settings/NewPlacerInterface.h"
#include "settings/PlacerDialog.h"
#include "ui/MessageBoxes.h"

namespace autoplacer {

TAutoPlacerDriver* CurrentDriver = nullptr;

namespace {

TPlacerStepObserver StepObserver = nullptr;
void* StepObserverData = nullptr;

void StepBegins(TPlacerStep step) {
    if (StepObserver != nullptr) {
        StepObserver(StepObserverData, step);
    }
}

// The largest area measure over the members of the cluster's movable groups.
int64_t BiggestComponentArea(const TCluster* cluster) {
    int64_t biggest = 0;
    for (const TRectangularComponentGroup* group : *cluster) {
        for (const TPlacedComponent* member : *group) {
            biggest = std::max(biggest, ComponentAreaMeasure(member->Handle));
        }
    }
    return biggest;
}

void ShowWaitCursor(bool busy) {
    if (Client != nullptr) {
        if (sdk::IDialogHost* host = Client->GetDialogHost()) {
            host->SetWaitCursor(busy);
        }
    }
}

template <typename Visit>
void ForEachClusterList(TClusterLists& lists, Visit visit) {
    for (TClusterList* list :
         {lists.Clusters, lists.ICCapClusters, lists.SameFootprintClusters, lists.ConfinementClusters}) {
        if (list != nullptr) {
            visit(*list, list == lists.ConfinementClusters);
        }
    }
}

// A rectangle of the given size centred on the centre of around, moved into the
// area when it fits there.
TRect CentredRectInside(const TRect& around, int32_t width, int32_t height, const TRect& area) {
    const int64_t left = static_cast<int64_t>(RectCentreX(around)) - width / 2;
    const int64_t bottom = static_cast<int64_t>(RectCentreY(around)) - height / 2;
    int64_t x = left;
    int64_t y = bottom;
    if (width <= RectWidth(area)) {
        x = std::clamp<int64_t>(x, area.Left, static_cast<int64_t>(area.Right) - width);
    }
    if (height <= RectHeight(area)) {
        y = std::clamp<int64_t>(y, area.Bottom, static_cast<int64_t>(area.Top) - height);
    }
    return Rect(static_cast<int32_t>(x), static_cast<int32_t>(y + height), static_cast<int32_t>(x + width),
                static_cast<int32_t>(y));
}

}  // namespace

const char* PlacerStepName(TPlacerStep step) {
    switch (step) {
        case TPlacerStep::EnforcePermittedLayers: return "permitted layers";
        case TPlacerStep::ValidateKeepOut: return "keep-out check";
        case TPlacerStep::PrepareBoardView: return "board view";
        case TPlacerStep::BeginModify: return "begin modification";
        case TPlacerStep::InitialPairTree: return "initial pair tree";
        case TPlacerStep::InitialSpread: return "initial spread";
        case TPlacerStep::AnalyzeNets: return "net analysis";
        case TPlacerStep::ClusterRectsFromBounds: return "cluster rectangles";
        case TPlacerStep::ConnectionDragger: return "connection dragger";
        case TPlacerStep::PrePasses: return "pre-passes";
        case TPlacerStep::PairTree: return "pair tree";
        case TPlacerStep::ExtractClusters: return "cluster extraction";
        case TPlacerStep::RelativePlacement: return "relative placement";
        case TPlacerStep::SortClusters: return "cluster sort";
        case TPlacerStep::RoomPlacement: return "room placement";
        case TPlacerStep::AbsolutePlacement: return "absolute placement";
        case TPlacerStep::EndModify: return "end modification";
        case TPlacerStep::RestorePositions: return "restore";
        case TPlacerStep::FinishBoardView: return "redraw";
    }
    return "";
}

void SetPlacerStepObserver(TPlacerStepObserver observer, void* data) {
    StepObserver = observer;
    StepObserverData = data;
}

TAutoPlacerDriver::TAutoPlacerDriver(PcbHandle board, bool testMode) : TestMode(testMode) {
    Options = TPlacerOptions{};
    Options.GridSize = MilsToCoord(50);
    Context.Board = board;
    OwnedPowerNets = FindPowerNets(board);
    Context.PowerNets = OwnedPowerNets.get();
    OwnedKeepOutPrimitives = std::make_unique<TPrimitivesList>(board);
    Context.KeepOutPrimitives = OwnedKeepOutPrimitives.get();
    Context.ConnectionDragger = nullptr;
    Context.Forms = PlacerFormsFromEnvironment();
    SavedPositions = std::make_unique<TListOfOldComponentPositions>(board);
}

TAutoPlacerDriver::~TAutoPlacerDriver() {
    FreeClusterLists();
    FreePairTree(PairTree);
    PairTree = nullptr;
}

void TAutoPlacerDriver::FreeClusterLists() {
    FreeClusterListAndClusters(ClusterLists.Clusters);
    FreeClusterListAndClusters(ClusterLists.ICCapClusters);
    FreeClusterListAndClusters(ClusterLists.SameFootprintClusters);
    FreeClusterListAndClusters(ClusterLists.ConfinementClusters);
    ClusterLists = TClusterLists{};
}

void TAutoPlacerDriver::ReplacePairTree(TPair* tree) {
    FreePairTree(PairTree);
    PairTree = tree;
}

bool TAutoPlacerDriver::IsPowerNet(PcbHandle net) const {
    return Context.PowerNets != nullptr && Context.PowerNets->Contains(net);
}

void TAutoPlacerDriver::TakeBoardFramesAsKeepOut() {
    BoardFrames.clear();
    TObjectIterator iterator(Context.Board, PCB_COMPONENT);
    for (PcbHandle component = iterator.First(); component != nullptr; component = iterator.Next()) {
        if (IsBoardFrame(component, Context.KeepOutExtent)) {
            BoardFrames.push_back(component);
        }
    }
    if (BoardFrames.empty()) {
        return;
    }
    // A fresh list, so that a second run on this driver does not add the pads twice.
    OwnedKeepOutPrimitives = std::make_unique<TPrimitivesList>(Context.Board);
    for (PcbHandle frame : BoardFrames) {
        OwnedKeepOutPrimitives->AddPadsOf(frame);
    }
    Context.KeepOutPrimitives = OwnedKeepOutPrimitives.get();
    Context.KeepOutIsRectangular = KeepOutIsRectangularTest(Context);
}

std::unique_ptr<TComponentHandleList> TAutoPlacerDriver::PlaceableComponentsSortedByDesignator() const {
    auto components = std::make_unique<TComponentHandleList>();
    TObjectIterator iterator(Context.Board, PCB_COMPONENT);
    for (PcbHandle component = iterator.First(); component != nullptr; component = iterator.Next()) {
        // A part without arc, pad or track (a logo, a panel tab, a bare marker)
        // gives the placer nothing to fit: it is left where the designer put it,
        // and pairs, clusters and rooms never see it.
        const bool frame = std::find(BoardFrames.begin(), BoardFrames.end(), component) != BoardFrames.end();
        if (ComponentHasExtent(component) && !frame) {
            components->Add(component);
        }
        if (CheckStopRequest()) {
            break;
        }
    }
    // Designators are read once; the comparison is the placer's own: greater
    // byte strings first, equal strings equal.
    std::unordered_map<PcbHandle, std::string> designators;
    for (PcbHandle component : *components) {
        GetComponentDesignator(component, designators[component]);
    }
    components->Sort([&](PcbHandle a, PcbHandle b) {
        const std::string& da = designators[a];
        const std::string& db = designators[b];
        if (da == db) {
            return 0;
        }
        return da > db ? -1 : 1;
    });
    return components;
}

void SortClusterListsBySize(TClusterLists lists) {
    ForEachClusterList(lists, [](TClusterList& list, bool) {
        std::unordered_map<const TCluster*, int64_t> keys;
        for (const TCluster* cluster : list) {
            keys[cluster] = BiggestComponentArea(cluster);
        }
        list.Sort([&](TCluster* a, TCluster* b) {
            const int64_t difference = keys[b] - keys[a];
            return difference > 0 ? 1 : (difference < 0 ? -1 : 0);
        });
    });
}

void TAutoPlacerDriver::SortClustersBySize() {
    if (CheckStopRequest()) {
        return;
    }
    StepBegins(TPlacerStep::SortClusters);
    const TProgressPhase progress("Sorting clusters by component size ...", 1);
    ShowWaitCursor(true);
    SortClusterListsBySize(ClusterLists);
    ShowWaitCursor(false);
}

void TAutoPlacerDriver::SetClusterRectsFromBounds() {
    ForEachClusterList(ClusterLists, [](TClusterList& list, bool confinement) {
        if (confinement) {
            return;  // a confinement cluster's room is its rule's
        }
        for (TCluster* cluster : list) {
            cluster->Rect = cluster->GetBoundingRect(kMovableGroups);
        }
    });
}

void TAutoPlacerDriver::RecordSpreadRooms() {
    SetClusterRectsFromBounds();
    SpreadRooms.clear();
    ForEachClusterList(ClusterLists, [this](TClusterList& list, bool confinement) {
        if (!confinement) {
            for (const TCluster* cluster : list) {
                SpreadRooms[cluster] = cluster->Rect;
            }
        }
    });
}

void TAutoPlacerDriver::FitSpreadRoomsToArrangements() {
    const TRect area = Context.KeepOutExtent;
    ForEachClusterList(ClusterLists, [&](TClusterList& list, bool confinement) {
        if (confinement) {
            return;
        }
        for (TCluster* cluster : list) {
            const auto spread = SpreadRooms.find(cluster);
            if (spread == SpreadRooms.end()) {
                continue;
            }
            // The room lies where the spread put the members and is at least as
            // large as their compact arrangement.
            const TRect arranged = cluster->GetBoundingRect(kMovableGroups);
            const int32_t width = std::max(RectWidth(spread->second), RectWidth(arranged));
            const int32_t height = std::max(RectHeight(spread->second), RectHeight(arranged));
            cluster->Rect = CentredRectInside(spread->second, width, height, area);
        }
    });
}

void TAutoPlacerDriver::PrepareBoardView() {
    const TRect& e = Context.KeepOutExtent;
    ZoomArea(CoordToUserX(e.Left, Context.Board), CoordToUserY(e.Bottom, Context.Board),
             CoordToUserX(e.Right, Context.Board), CoordToUserY(e.Top, Context.Board));
    TObjectIterator objects(Context.Board, PCB_ANY_OBJECT);
    objects.ForEach([](PcbHandle object) {
        if (GetObjectId(object) == PCB_COMPONENT) {
            TPcbComponent component(object);
            component.Sync(PCB_READ);
            if (component.NameText != nullptr) {
                PcbApi::PcbApi_HideObject(component.NameText);
            }
            if (component.CommentText != nullptr) {
                PcbApi::PcbApi_HideObject(component.CommentText);
            }
        }
        PcbApi::PcbApi_HideObject(object);
    });
}

void TAutoPlacerDriver::FinishBoardView() {
    const TRect& e = Context.KeepOutExtent;
    ZoomArea(CoordToUserX(e.Left, Context.Board), CoordToUserY(e.Bottom, Context.Board),
             CoordToUserX(e.Right, Context.Board), CoordToUserY(e.Top, Context.Board));
    OptimizeAllConnections();
    ZoomRedraw();
}

int32_t TAutoPlacerDriver::DefaultPlacementGap() const {
    int32_t componentGap = -1;
    int32_t plainGap = -1;
    const auto boardWide = [](const TPcbScope& scope) {
        return scope.Entries.size() == 1 && scope.Entries[0].Kind == PCB_SCOPE_BOARD;
    };
    TObjectIterator rules(Context.Board, PCB_RULE);
    rules.ForEach([&](PcbHandle handle) {
        TPcbRuleExt rule(handle);
        rule.Sync(PCB_READ);
        if (!boardWide(rule.Scope1) || !boardWide(rule.Scope2)) {
            return;
        }
        if (rule.RuleKind == PCB_RULE_COMPONENT_CLEARANCE) {
            int32_t gap = 0;
            uint8_t mode = 0;
            if (ReadComponentClearanceRule(handle, gap, mode)) {
                componentGap = gap;
            }
        } else if (rule.RuleKind == PCB_RULE_CLEARANCE) {
            int32_t gap = 0;
            if (ReadClearanceRule(handle, gap)) {
                plainGap = gap;
            }
        }
    });
    if (componentGap > 0) {
        return componentGap;
    }
    if (plainGap > 0) {
        return plainGap;
    }
    return MilsToCoord(50);
}

void TAutoPlacerDriver::Run() {
    if (TestMode) {
        if (ShowSetupDialog()) {
            RunClusterPlacer();
        }
        return;
    }
    TNewPlacerInterface_Form choice(Context.Board);
    if (choice.ShowModal() != sdk::kModalOk) {
        return;
    }
    if (choice.ClusterPlacerSelected()) {
        Options.StrictFloorPlanning = choice.QuickPlacement();
        RunClusterPlacer();
    } else if (choice.UseGlobalPlacer_RadioButton->GetChecked()) {
        RunStatisticalPlacer(choice.AutomaticUpdate());
    }
}

bool TAutoPlacerDriver::ShowSetupDialog() {
    // The dialog's power-net list replaces the driver's own list in place.
    return ShowPlacerSetupDialog(Options, Context);
}

void TAutoPlacerDriver::RunStatisticalPlacer(bool automaticUpdate) {
    PcbPlacerOptionsData options{};
    PcbPlacerOptionsExtData extended{};
    PcbApi::PcbApi_QueryBoardAdvancedPlacerOptions(Context.Board, PCB_READ, &options);
    PcbApi::PcbApi_QueryBoardAdvancedPlacerOptionsExt(Context.Board, PCB_READ, &extended);
    const int32_t gap = DefaultPlacementGap();
    extended.Value1 = gap;
    extended.Value2 = Round(0.4 * gap);
    PcbApi::PcbApi_QueryBoardAdvancedPlacerOptions(Context.Board, PCB_WRITE, &options);
    PcbApi::PcbApi_QueryBoardAdvancedPlacerOptionsExt(Context.Board, PCB_WRITE, &extended);
    RunHostStatisticalPlacer(automaticUpdate);
}

namespace {

// Makes the host draw the board again when an engine fails after the board was
// hidden for the run, so a failed run never leaves the board invisible.
class TBoardViewGuard {
public:
    explicit TBoardViewGuard(TAutoPlacerDriver& driver) : Driver(driver) {}
    ~TBoardViewGuard() {
        if (Open) {
            try {
                Driver.FinishBoardView();
            } catch (...) {
                // Already unwinding from an engine's failure; that error is the one reported.
            }
        }
    }
    TBoardViewGuard(const TBoardViewGuard&) = delete;
    TBoardViewGuard& operator=(const TBoardViewGuard&) = delete;
    void Finish() {
        Open = false;
        Driver.FinishBoardView();
    }

private:
    TAutoPlacerDriver& Driver;
    bool Open = true;
};

}  // namespace

void TAutoPlacerDriver::RunClusterPlacer() {
    const PcbHandle board = Context.Board;

    StepBegins(TPlacerStep::EnforcePermittedLayers);
    SavedPositions->EnforcePermittedLayers();

    StepBegins(TPlacerStep::ValidateKeepOut);
    if (!ValidateKeepOut(Context)) {
        ui::ShowError(kNoValidKeepOutMessage);
        return;
    }
    TakeBoardFramesAsKeepOut();

    StepBegins(TPlacerStep::PrepareBoardView);
    PrepareBoardView();
    TBoardViewGuard view(*this);

    StepBegins(TPlacerStep::BeginModify);
    const std::unique_ptr<TComponentHandleList> handles = SavedPositions->Handles();
    TModificationBracket bracket(*handles, board);

    if (!CheckStopRequest()) {
        StepBegins(TPlacerStep::InitialPairTree);
        const auto components = PlaceableComponentsSortedByDesignator();
        TPairGenerator generator(Context, *components);
        ReplacePairTree(generator.BuildTree());
    }

    if (!CheckStopRequest()) {
        StepBegins(TPlacerStep::InitialSpread);
        TTreeBasedPlacer spread(ClusterLists.Clusters, board, Context.KeepOutExtent, PairTree);
        spread.Run();
    }

    StepBegins(TPlacerStep::AnalyzeNets);
    AnalyzeAllNets(board);

    if (Options.TreeBasedRooms) {
        // No cluster exists yet; the rooms are taken from the spread once the
        // clusters are formed (after extraction below).
        StepBegins(TPlacerStep::ClusterRectsFromBounds);
        SetClusterRectsFromBounds();
    }

    if (Options.FixedNetTopology) {
        StepBegins(TPlacerStep::ConnectionDragger);
        OwnedConnectionDragger = std::make_unique<TConnectionDragger>(
            board, [](void* owner, PcbHandle net) { return static_cast<TAutoPlacerDriver*>(owner)->IsPowerNet(net); },
            this, nullptr);
        Context.ConnectionDragger = OwnedConnectionDragger.get();
    }

    if (Options.DoPrePasses) {
        if (!CheckStopRequest()) {
            StepBegins(TPlacerStep::PrePasses);
            auto components = PlaceableComponentsSortedByDesignator();
            TPreClusterAnalyzer analyzer(Context, Options, *components);
            TComponentHandleList* remaining = nullptr;
            analyzer.Run(ClusterLists, remaining);
            // The analyzer hands back the list it was given, now without the
            // components it clustered.
            ComponentList = std::move(components);
        }
    } else {
        ComponentList = PlaceableComponentsSortedByDesignator();
        ClusterLists.ICCapClusters = new TClusterList();
        ClusterLists.SameFootprintClusters = new TClusterList();
        ClusterLists.ConfinementClusters = new TClusterList();
    }

    if (!CheckStopRequest()) {
        StepBegins(TPlacerStep::PairTree);
        const TComponentHandleList none;
        TPairGenerator generator(Context, ComponentList != nullptr ? *ComponentList : none);
        ReplacePairTree(generator.BuildTree());
    }

    if (!CheckStopRequest()) {
        StepBegins(TPlacerStep::ExtractClusters);
        TClusterExtractor extractor(Options);
        TPair* tree = PairTree;
        PairTree = nullptr;  // the extractor consumes the tree
        ClusterLists.Clusters = extractor.Extract(tree);
        if (Options.TreeBasedRooms) {
            RecordSpreadRooms();
        }
    }

    if (!CheckStopRequest()) {
        StepBegins(TPlacerStep::RelativePlacement);
        TRelativePlacer relative(Context);
        relative.Run(ClusterLists, Options);
        if (Options.TreeBasedRooms) {
            FitSpreadRoomsToArrangements();
        }
    }

    SortClustersBySize();

    if (!Options.TreeBasedRooms && !CheckStopRequest()) {
        StepBegins(TPlacerStep::RoomPlacement);
        TRoomPlacer rooms(Context, Options);
        rooms.Run(ClusterLists);
    }

    if (!Options.StrictFloorPlanning && !CheckStopRequest()) {
        StepBegins(TPlacerStep::AbsolutePlacement);
        TAbsolutePlacer absolute(Options, Context);
        absolute.Run(ClusterLists);
    }

    StepBegins(TPlacerStep::EndModify);
    bracket.Close();

    if (CheckStopRequest() && RestoreOnStop) {
        StepBegins(TPlacerStep::RestorePositions);
        SavedPositions->Restore(false);
    }

    StepBegins(TPlacerStep::FinishBoardView);
    view.Finish();
}

}  // namespace autoplacer
