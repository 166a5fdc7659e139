#include "editing/ClusterEditor.h"

#include <algorithm>

#include "editing/AutoAligner.h"
#include "editing/ComponentConflicts.h"
#include "engines/GroupPlacer.h"
#include "engines/RowPlacer.h"
#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "model/BoardQueries.h"
#include "model/PlacedComponent.h"
#include "model/ClusterAlignment.h"
#include "model/RunControl.h"

namespace autoplacer {

namespace {

PcbLayerSet BoardLayers() {
    PcbLayerSet layers{};
    for (int layer = 1; layer <= 75; ++layer) {
        layers.Bits[layer / 64] |= uint64_t{1} << (layer % 64);
    }
    return layers;
}

// Bit 3 of a pad's second flag byte: the pad belongs to a component the host lets the user pick.
constexpr uint8_t kPadOfPickableComponent = 8;

}  // namespace

TRect ReshapeTarget(TReshape shape, const TRect& b, int32_t m) {
    switch (shape) {
        case TReshape::Square: {
            const int64_t a = ((int64_t{RectWidth(b)} + RectHeight(b)) / 2) / 2;
            const int64_t cx = RectCentreX(b);
            const int64_t cy = RectCentreY(b);
            return Rect(ClampToInt32(cx - a), ClampToInt32(cy + a), ClampToInt32(cx + a), ClampToInt32(cy - a));
        }
        case TReshape::Wide:
            return int64_t{3} * m < RectHeight(b) ? InflateRectXY(b, m, -m) : b;
        case TReshape::Tall:
            return int64_t{3} * m < RectWidth(b) ? InflateRectXY(b, -m, m) : b;
    }
    return b;
}

TClusterEditor::TClusterEditor(const TPlacementContext& context, uint8_t editMode, const TPlacerOptions& options,
                               TCluster& cluster)
    : BoardRecord(context.Board), Context(context), Cluster(cluster), EditMode(editMode), Options(options) {
    StartEdit();
}

void TClusterEditor::StartEdit() {
    BoardRecord.Sync(PCB_READ);
    SavedPositions = std::make_unique<TListOfOldComponentPositions>(Context.Board);
    RefreshBoard();
    LastX = BoardRecord.XCursor;
    LastY = BoardRecord.YCursor;
    Accepted = false;
    Cancelled = false;
    FillComponentStore(ComponentStore, Context.Board);
    MaxClearance = MaxComponentClearanceGap(Context.Board);
    SystemOptions.Sync(PCB_READ);
    Cluster.RemovedFromBoard = false;
    Cluster.RemoveFromBoard(Context.Board, true);
    Cluster.ForEachHandle([](PcbHandle member) {
        PcbApi::PcbApi_QueryObjectGraphicallyInvalidate(member);
        ProcessPendingMessages();
    });
    Feedback = std::make_unique<TRectangleAsTracks>(Context.Board);
    Feedback->RemoveFromBoard();
}

TClusterEditor::~TClusterEditor() {
    // No exception may leave a destructor: a host that fails half-way leaves the
    // board as far as it got.
    try {
        Cluster.ReinsertIntoBoard(Context.Board, true);
        if (Cancelled) {
            AnalyzeAllNets(Context.Board);
        } else {
            CommitMoves();
        }
    } catch (...) {
    }
}

void TClusterEditor::CommitMoves() {
    TListOfOldComponentPositions now(Context.Board);
    const std::unique_ptr<TFastListOf<PcbHandle>> changed = SavedPositions->ChangedHandles();
    SavedPositions->Restore(false);
    TModificationBracket bracket(*changed, Context.Board);
    now.Restore(false);
    bracket.Close();
}

void TClusterEditor::RefreshBoard() { BoardRecord.Sync(PCB_READ); }

void TClusterEditor::Reinsert() { Cluster.ReinsertIntoBoard(Context.Board, true); }

void TClusterEditor::Lift() { Cluster.RemoveFromBoard(Context.Board, true); }

// ---------------------------------------------------------------------------
// Events.

bool TClusterEditor::OnReshapeWide() {
    const bool shift = ShiftDown();
    const bool control = ControlDown();
    if (shift && !control) {
        ExpandHorizontal();
    } else if (control && !shift) {
        ContractHorizontal();
    } else if (!shift && !control) {
        if (EditMode == kEditAutoSelect || AllSimilar()) {
            ArrangeInRow();
            CentreOnCursor();
        } else {
            Reshape(true, TReshape::Wide);
        }
    }
    return false;
}

bool TClusterEditor::OnReshapeTall() {
    const bool shift = ShiftDown();
    const bool control = ControlDown();
    if (shift && !control) {
        ExpandVertical();
    } else if (control && !shift) {
        ContractVertical();
    } else if (!shift && !control) {
        if (EditMode == kEditAutoSelect || AllSimilar()) {
            ArrangeInRow();
            Cluster.RotateGroups90(true);  // the row becomes a column
            CentreOnCursor();
        } else {
            Reshape(true, TReshape::Tall);
        }
    }
    return false;
}

bool TClusterEditor::OnReshapeSquare() {
    Reshape(true, TReshape::Square);
    return false;
}

bool TClusterEditor::OnFlip() {
    if (ShiftDown()) {
        Cluster.FlipVertical();
    } else {
        Cluster.FlipHorizontal();
    }
    return false;
}

bool TClusterEditor::OnRotate() {
    if (ShiftDown()) {
        Cluster.RotateGroups270(true);
    } else {
        Cluster.RotateGroups90(true);
    }
    return false;
}

bool TClusterEditor::OnCancel() {
    Cancelled = true;
    return false;
}

bool TClusterEditor::OnAccept() {
    Accepted = true;
    return false;
}

bool TClusterEditor::OnAcceptAlt() { return OnAccept(); }

bool TClusterEditor::OnCancelAlt() { return OnCancel(); }

bool TClusterEditor::OnDrawFeedback() {
    const auto invert = [](PcbHandle object) { PcbApi::PcbApi_InvertObject(object); };
    if (Cluster.ComponentCount() <= kMaxInvertedComponents && !PerformanceIsPoor()) {
        Cluster.ForEachHandle(invert);
        return false;
    }
    // The rectangle is drawn in the complement of the highlight colour on the top layer.
    RefreshBoard();
    const uint32_t topColour = BoardRecord.GetLayerColour(PCB_TOP_LAYER);
    BoardRecord.SetLayerColour(PCB_TOP_LAYER, ~BoardRecord.GetLayerColour(PCB_HIGHLIGHT_LAYER));
    BoardRecord.Sync(PCB_WRITE);
    Feedback->SetRect(Cluster.GetBoundingRect(kMovableGroups | kFixedGroups | kIncludeTexts));
    Feedback->ForEachTrack(invert);
    RefreshBoard();
    BoardRecord.SetLayerColour(PCB_TOP_LAYER, topColour);
    BoardRecord.Sync(PCB_WRITE);
    return false;
}

bool TClusterEditor::OnUpdate() {
    // The host stand-in has no screen outside its view, so a cursor on the board is
    // always inside it.
    if (Accepted || Cancelled) {
        return false;
    }
    FollowCursor();
    RefreshBoard();
    AutoSelect();
    AutoAlignStep();
    SystemOptions.Sync(PCB_READ);
    if (SystemOptions.HighlightComponentClearanceConflicts()) {
        HighlightConflicts();
    }
    return false;
}

bool TClusterEditor::OnFinishMove() {
    RefreshBoard();
    Cluster.OffsetGroups(BoardRecord.XCursor - LastX, BoardRecord.YCursor - LastY, true);
    LastX = BoardRecord.XCursor;
    LastY = BoardRecord.YCursor;
    Cluster.ForEachHandle([](PcbHandle member) { PcbApi::PcbApi_HideObject(member); });
    return false;
}

bool TClusterEditor::OnCancelMove() {
    Reinsert();
    SavedPositions->Restore(true);
    return false;
}

bool TClusterEditor::OnKey(int32_t key) {
    bool handled = true;
    switch (key) {
        case 'K':
        case 'k':
            LoseLastAutoSelected();
            break;
        case 'N':
        case 'n':
            Reinsert();
            AnalyzeAllNets(Context.Board);
            Lift();
            break;
        case 'P':
        case 'p': {
            Reinsert();
            const TFastListOf<PcbHandle> nets = Cluster.NetsOfComponents();
            for (PcbHandle net : nets) {
                if (net != nullptr) {
                    PcbApi::PcbApi_AnalyzeNet(net);
                }
            }
            Lift();
            break;
        }
        default:
            handled = false;
            break;
    }
    OnUpdate();
    return handled;
}

// ---------------------------------------------------------------------------
// The steps of an update.

void TClusterEditor::FollowCursor() {
    RefreshBoard();
    Cluster.OffsetGroups(BoardRecord.XCursor - LastX, BoardRecord.YCursor - LastY, true);
    LastX = BoardRecord.XCursor;
    LastY = BoardRecord.YCursor;
}

void TClusterEditor::AutoSelect() {
    if (EditMode != kEditAutoSelect || ControlDown()) {
        return;
    }
    const int32_t count0 = Cluster.ComponentCount();
    const TRect before = Cluster.GetBoundingRect(kMovableGroups | kFixedGroups);
    const PcbHandle seed = Cluster.LargestComponent(kMovableGroups | kFixedGroups);
    if (seed == nullptr) {
        return;
    }
    const TRect extent = ComponentExtentRect(seed);
    const int32_t w = RectWidth(extent);
    const int32_t h = RectHeight(extent);
    const int32_t a = static_cast<int32_t>((int64_t{w} + h) / 2);
    const int32_t x = BoardRecord.XCursor;
    const int32_t y = BoardRecord.YCursor;

    TFastListOf<PcbHandle> found;
    TSpatialIterator pads(Context.Board, ClampToInt32(int64_t{x} - a), ClampToInt32(int64_t{y} - a),
                          ClampToInt32(int64_t{x} + a), ClampToInt32(int64_t{y} + a), BoardLayers(),
                          KindSetOf({PCB_PAD}));
    for (PcbHandle pad = pads.First(); pad != nullptr; pad = pads.Next()) {
        if (found.Count() + Cluster.Count() - 1 >= kMaxAutoSelectGroups - 1) {
            break;
        }
        TPcbPad record(pad);
        record.Sync(PCB_READ);
        const PcbHandle component = record.GetComponent();
        if ((record.BitField2 & kPadOfPickableComponent) == 0 || component == nullptr || found.Contains(component) ||
            !SimilarComponents(seed, component, true)) {
            continue;
        }
        found.Add(component);
    }
    for (PcbHandle component : found) {
        PcbApi::PcbApi_DeleteObjectFromContainer(Context.Board, component);
        PcbApi::PcbApi_QueryObjectGraphicallyInvalidate(component);
        ProcessPendingMessages();
        Cluster.AddComponent(component);
    }
    if (Cluster.ComponentCount() == count0) {
        return;
    }
    const bool standUp = count0 == 1 ? w > h : RectWidth(before) < RectHeight(before);
    if (standUp) {
        OnReshapeTall();
    } else {
        OnReshapeWide();
    }
}

void TClusterEditor::AutoAlignStep() {
    if (EditMode != kEditAutoAlign || ControlDown() || PerformanceIsPoor()) {
        return;
    }
    Reinsert();
    AutoAlign(Cluster.LargestComponent(kMovableGroups | kFixedGroups), Context.Board, &Cluster);
    Lift();
}

void TClusterEditor::HighlightConflicts() {
    const std::unique_ptr<TFastListOf<PcbHandle>> moved = SavedPositions->ChangedHandles();
    TFastListOf<PcbHandle> old;
    for (PcbHandle handle : Conflicts) {
        old.Add(handle);
    }
    Conflicts.Clear();
    // Components moved by the edit (auto-align moves neighbours too) are indexed where they are now.
    ComponentStore.Purge();
    for (PcbHandle handle : *moved) {
        FindConflictingComponents(handle, ComponentStore, Conflicts, MaxClearance);
    }
    RemoveDuplicates(Conflicts);
    Cluster.ForEachHandle([this](PcbHandle member) { Conflicts.Remove(member); });
    for (PcbHandle handle : old) {
        if (!Conflicts.Contains(handle)) {
            PcbApi::PcbApi_ShowObject(handle);
        }
    }
    if (!BoardRecord.IsLayerShown(PCB_DRC_ERROR_LAYER)) {
        return;
    }
    for (PcbHandle component : Conflicts) {
        TObjectIterator(component, PCB_ANY_OBJECT, PCB_ITERATE_GROUP_PRIMITIVES).ForEach([](PcbHandle primitive) {
            PcbApi::PcbApi_ScreenDisplay(primitive, 2, 9);
        });
    }
}

// ---------------------------------------------------------------------------
// Shapes.

bool TClusterEditor::AllSimilar() const {
    const TFastListOf<PcbHandle> handles = Cluster.ComponentHandles();
    for (int32_t i = 0; i < handles.Count(); ++i) {
        for (int32_t j = i + 1; j < handles.Count(); ++j) {
            if (!SimilarComponents(handles[i], handles[j], true)) {
                return false;
            }
        }
    }
    return true;
}

void TClusterEditor::ArrangeInRow() {
    const TRect b = Cluster.GetBoundingRect(kMovableGroups | kFixedGroups);
    TRowPlacer row(Rect(b.Left, ExtentStartMin, ExtentStartMin, b.Bottom), Options);
    for (TGroupList* list : {static_cast<TGroupList*>(&Cluster), &Cluster.FixedGroups}) {
        for (TRectangularComponentGroup* group : *list) {
            for (TPlacedComponent* member : *group) {
                row.AddToRow(*member);
            }
        }
    }
    Cluster.RecomputeGroupRects();
}

void TClusterEditor::CentreOnCursor() {
    const TRect b = Cluster.GetBoundingRect(kMovableGroups | kFixedGroups);
    RefreshBoard();
    const int32_t dx = BoardRecord.XCursor - RectCentreX(b);
    const int32_t dy = BoardRecord.YCursor - RectCentreY(b);
    if (dx != 0 || dy != 0) {
        Cluster.OffsetGroups(dx, dy, true);
    }
}

void TClusterEditor::Reshape(bool retry, TReshape shape) {
    Cluster.RecomputeGroupRects();
    const int32_t m = Cluster.MinComponentSide();
    const TRect b = Cluster.GetBoundingRect(kMovableGroups | kFixedGroups);
    TRect target = ReshapeTarget(shape, b, m);
    const bool square = RectWidth(target) == RectHeight(target);
    const int32_t twoM = ClampToInt32(int64_t{2} * m);
    const int32_t dx = square || RectWidth(target) > RectHeight(target) ? twoM : twoM / 4;
    const int32_t dy = square || RectWidth(target) <= RectHeight(target) ? twoM : twoM / 4;
    Reinsert();
    for (int pass = 0; pass < kMaxReshapePasses; ++pass) {
        TGroupPlacer placer(Options, true, Context);
        placer.SetArea(target);
        for (TRectangularComponentGroup* group : Cluster.FixedGroups) {
            placer.PlaceGroup(group);
        }
        for (TRectangularComponentGroup* group : Cluster) {
            placer.PlaceGroup(group);
        }
        target = InflateRectXY(target, dx, dy);
        if (!placer.HasFailed() || !retry || (dx == 0 && dy == 0)) {
            break;
        }
    }
    Lift();
    CentreOnCursor();
}

void TClusterEditor::ShiftLines(bool columns, int32_t direction) {
    const int32_t step = Cluster.MinComponentSide() / 40;
    const std::unique_ptr<TCluster> lines = columns ? GroupIntoColumns(Cluster) : GroupIntoRows(Cluster);
    int32_t i = 0;
    for (TRectangularComponentGroup* line : *lines) {
        const int32_t shift = direction * i * step;
        line->Rect = columns ? OffsetRect(line->Rect, shift, 0) : OffsetRect(line->Rect, 0, shift);
        line->ApplyTransform();
        ++i;
    }
    Cluster.RecomputeGroupRects();
}

void TClusterEditor::LoseLastAutoSelected() {
    if (EditMode != kEditAutoSelect || Cluster.Count() <= 1) {
        return;
    }
    TRectangularComponentGroup* last = Cluster[Cluster.Count() - 1];
    if (last->Empty()) {
        return;
    }
    const PcbHandle member = (*last)[last->Count() - 1]->Handle;
    PcbApi::PcbApi_AddObjectToContainer(Context.Board, member);
    SavedPositions->RestoreOne(member, true);
    Cluster.RemoveComponent(member);
}

}  // namespace autoplacer
