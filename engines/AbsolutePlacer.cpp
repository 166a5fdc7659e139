#include "engines/AbsolutePlacer.h"

#include <algorithm>

#include "engines/GroupPlacer.h"
#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRules.h"
#include "model/Cluster.h"
#include "model/ComponentGroup.h"
#include "model/PlacedComponent.h"
#include "model/RunControl.h"

namespace autoplacer {

namespace {

// Direction codes of the two outer layers when the board has no routing-layers rule.
constexpr uint8_t DefaultTopDirection = 1;
constexpr uint8_t DefaultBottomDirection = 2;

bool IsBoardWideRoutingRule(PcbHandle rule) {
    TPcbRuleExt record(rule);
    record.Sync(PCB_READ);
    return record.RuleKind == PCB_RULE_ROUTING_LAYERS && record.Scope1.Entries.size() == 1 &&
           record.Scope1.Entries.front().Kind == PCB_SCOPE_BOARD;
}

int32_t CountOf(const TClusterList* list) { return list != nullptr ? list->Count() : 0; }

// Where a group and its members stand, to be put back.
struct TGroupPlace {
    struct TMemberPlace {
        TPlacedComponent* Part = nullptr;
        int32_t X = 0;
        int32_t Y = 0;
        double Rotation = 0.0;
    };
    TRectangularComponentGroup* Group = nullptr;
    TRect Rect;
    TRect OldRect;
    double Rotation = 0.0;
    std::vector<TMemberPlace> Members;
};

TGroupPlace SavePlace(TRectangularComponentGroup& group) {
    TGroupPlace place{&group, group.Rect, group.OldRect, group.Rotation, {}};
    for (TPlacedComponent* member : group) {
        member->Sync(PCB_READ);
        place.Members.push_back({member, member->X, member->Y, member->Rotation});
    }
    return place;
}

void RestorePlace(const TGroupPlace& place) {
    for (const TGroupPlace::TMemberPlace& m : place.Members) {
        m.Part->Sync(PCB_READ);
        m.Part->X = m.X;
        m.Part->Y = m.Y;
        m.Part->Rotation = m.Rotation;
        m.Part->Sync(PCB_WRITE);
    }
    place.Group->Rect = place.Rect;
    place.Group->OldRect = place.OldRect;
    place.Group->Rotation = place.Rotation;
    DeselectMembers(*place.Group);  // it stood fitted there
}

}  // namespace

void FillLayerDirections(PcbHandle board, std::array<uint8_t, PCB_SIGNAL_LAYER_COUNT>& directions) {
    TObjectIterator rules(board, PCB_RULE);
    for (PcbHandle rule = rules.First(); rule != nullptr; rule = rules.Next()) {
        if (IsBoardWideRoutingRule(rule)) {
            ReadRoutingLayersRule(rule, directions);
            return;
        }
    }
    directions[PCB_TOP_LAYER - 1] = DefaultTopDirection;
    directions[PCB_BOTTOM_LAYER - 1] = DefaultBottomDirection;
    for (int layer = 2; layer <= 15; ++layer) {
        directions[static_cast<std::size_t>(layer - 1)] = 0;
    }
}

int64_t GroupSize(const TRectangularComponentGroup& group) {
    int64_t size = 0;
    for (const TPlacedComponent* member : group) {
        size += member->AreaMeasure();
    }
    return size;
}

TAbsolutePlacer::TAbsolutePlacer(const TPlacerOptions& options, const TPlacementContext& context)
    : Context(context), Options(options) {
    FillLayerDirections(Context.Board, Context.LayerDirections);
    Engine = std::make_unique<TGroupPlacer>(options, false, Context);
}

TAbsolutePlacer::~TAbsolutePlacer() { FreeJobs(); }

void TAbsolutePlacer::FreeJobs() {
    for (TAbsolutePlacementJob* job : Jobs) {
        delete job;
    }
    Jobs.Clear();
}

void TAbsolutePlacer::Run(const TClusterLists& lists) {
    Clusters = lists.Clusters;
    ICCapClusters = lists.ICCapClusters;
    SameFootprintClusters = lists.SameFootprintClusters;
    ConfinementClusters = lists.ConfinementClusters;
    if (CheckStopRequest()) {
        return;
    }
    ConfinementPhase();
    if (CheckStopRequest()) {
        return;
    }
    MakeJobs();
    if (CheckStopRequest()) {
        return;
    }
    JobPhase();
    if (CheckStopRequest()) {
        return;
    }
    RefitPhase();
}

void TAbsolutePlacer::ConfinementPhase() {
    bool areaChanged = false;
    {
        TProgressPhase progress(AbsolutePlacementProgressText, CountOf(ConfinementClusters));
        if (ConfinementClusters != nullptr) {
            for (TCluster* cluster : *ConfinementClusters) {
                if (cluster->RemovedFromBoard) {
                    // The confinement room is both the area and the target.
                    Engine->SetArea(cluster->Rect);
                    Engine->SetGuideRect(&cluster->Rect);
                    areaChanged = true;
                    for (TRectangularComponentGroup* group : *cluster) {
                        Engine->PlaceGroup(group);
                    }
                    for (TRectangularComponentGroup* group : cluster->FixedGroups) {
                        Engine->AddPlacedGroup(group);
                    }
                } else {
                    for (TRectangularComponentGroup* group : *cluster) {
                        Engine->AddPlacedGroup(group);
                    }
                }
                TProgressPhase::Step();
                if (CheckStopRequest()) {
                    break;
                }
            }
        }
    }
    // The jobs may go anywhere inside the keep-out, so the grids are laid over
    // the whole keep-out again, before the obstacles of the jobs are registered
    // (which takes their points out of the new grids). The last room stops
    // being the guide.
    Engine->SetGuideRect(nullptr);
    if (areaChanged) {
        Engine->SetArea(Context.KeepOutExtent);
    }
}

void TAbsolutePlacer::MakeJobs() {
    FreeJobs();
    for (TClusterList* list : {ICCapClusters, SameFootprintClusters, Clusters}) {
        if (list == nullptr) {
            continue;
        }
        for (TCluster* cluster : *list) {
            if (!cluster->RemovedFromBoard) {
                for (TRectangularComponentGroup* group : *cluster) {
                    Engine->AddPlacedGroup(group);
                }
                continue;
            }
            for (TRectangularComponentGroup* group : *cluster) {
                Jobs.Add(new TAbsolutePlacementJob{group, cluster->Rect, GroupSize(*group)});
            }
            for (TRectangularComponentGroup* group : cluster->FixedGroups) {
                Engine->AddPlacedGroup(group);
            }
        }
    }
    Jobs.Sort([](const TAbsolutePlacementJob* a, const TAbsolutePlacementJob* b) {
        return a->Size > b->Size ? -1 : (a->Size < b->Size ? 1 : 0);
    });
}

void TAbsolutePlacer::JobPhase() {
    TProgressPhase progress(AbsolutePlacementProgressText, Jobs.Count());
    Engine->LeaveCrowdedGroups = true;
    for (TAbsolutePlacementJob* job : Jobs) {
        PlaceAimingAt(job->Group, job->Room);
        if (Engine->LastGroupLeft && !CheckStopRequest()) {
            PlaceMembersOneByOne(*job->Group, job->Room);
        }
        TProgressPhase::Step();
        if (CheckStopRequest()) {
            break;
        }
    }
    Engine->LeaveCrowdedGroups = false;
}

void TAbsolutePlacer::PlaceAimingAt(TRectangularComponentGroup* group, const TRect& room) {
    Rooms[group] = room;
    Engine->SetGuideRect(&room);
    Engine->PlaceGroup(group);
    Engine->SetGuideRect(nullptr);
    if (Engine->LastGroupFailed) {
        Unfitted.push_back(TUnfittedGroup{group, room});
    }
}

void TAbsolutePlacer::PlaceMembersOneByOne(const TRectangularComponentGroup& group, const TRect& room) {
    std::vector<TRectangularComponentGroup*> singles;
    for (const TPlacedComponent* member : group) {
        auto single = std::make_unique<TRectangularComponentGroup>();
        single->AddComponent(member->Handle);
        singles.push_back(single.get());
        SplitGroups.push_back(std::move(single));
    }
    std::stable_sort(singles.begin(), singles.end(), [](const auto* a, const auto* b) {
        return GroupSize(*a) > GroupSize(*b);
    });
    for (TRectangularComponentGroup* single : singles) {
        PlaceAimingAt(single, room);
        if (CheckStopRequest()) {
            break;
        }
    }
}

std::vector<TAbsolutePlacer::TSlide> TAbsolutePlacer::CompactPlacedGroups(const std::vector<TUnfittedGroup>& left,
                                                                         int32_t round) {
    std::vector<const TRectangularComponentGroup*> unfitted;
    for (const TUnfittedGroup& u : left) {
        unfitted.push_back(u.Group);
    }
    // The groups the jobs placed (with the members of the groups they split).
    std::vector<TRectangularComponentGroup*> placed;
    for (TRectangularComponentGroup* group : Engine->GetPlacedGroups()) {
        if (IsJobGroup(group) && std::find(unfitted.begin(), unfitted.end(), group) == unfitted.end()) {
            placed.push_back(group);
        }
    }
    std::vector<TSlide> slides;
    for (TRectangularComponentGroup* group : placed) {
        slides.push_back(TSlide{group, group->Rect});
    }
    for (const bool alongX : {true, false}) {
        // Nearest the edge first, so that each slides up to one that already slid.
        // x toward lower, higher, lower, higher; y toward lower, higher, higher, lower.
        const bool towardLower = alongX ? round % 2 == 0 : (round % 4 == 0 || round % 4 == 3);
        std::stable_sort(placed.begin(), placed.end(), [alongX, towardLower](const auto* a, const auto* b) {
            if (towardLower) {
                return alongX ? a->Rect.Left < b->Rect.Left : a->Rect.Bottom < b->Rect.Bottom;
            }
            return alongX ? a->Rect.Right > b->Rect.Right : a->Rect.Top > b->Rect.Top;
        });
        for (TRectangularComponentGroup* group : placed) {
            Engine->SlidePlacedGroup(*group, alongX, towardLower, unfitted);
            if (CheckStopRequest()) {
                return slides;
            }
        }
    }
    return slides;
}

void TAbsolutePlacer::UndoSlides(const std::vector<TSlide>& slides) {
    for (const TSlide& slide : slides) {
        TGroupPlacer::MoveGroupTo(TGridPoint{slide.From.Left, slide.From.Bottom}, *slide.Group);
    }
}

std::vector<TAbsolutePlacer::TUnfittedGroup> TAbsolutePlacer::RefitGroups(const TPlacerOptions& fine,
                                                                         const std::vector<TUnfittedGroup>& groups) {
    TGroupPlacer refit(fine, false, Context);
    const auto refitted = [&groups](const TRectangularComponentGroup* group) {
        return std::any_of(groups.begin(), groups.end(), [group](const TUnfittedGroup& u) { return u.Group == group; });
    };
    for (TRectangularComponentGroup* group : Engine->GetPlacedGroups()) {
        if (!refitted(group)) {
            refit.AddPlacedGroup(group);
        }
    }
    std::vector<TUnfittedGroup> failed;
    for (const TUnfittedGroup& u : groups) {
        DeselectMembers(*u.Group);
        refit.SetGuideRect(&u.Room);
        refit.PlaceGroup(u.Group);
        refit.SetGuideRect(nullptr);
        if (refit.LastGroupFailed) {
            failed.push_back(u);
        }
        if (CheckStopRequest()) {
            break;
        }
    }
    return failed;
}

void TAbsolutePlacer::RefitPhase() {
    if (Unfitted.empty() || Unfitted.size() > RefitMaxGroups) {
        return;
    }
    TPlacerOptions fine = Options;
    fine.GridSize = std::max(Options.GridSize / RefitGridDivisor, std::min(Options.GridSize, MinRefitGridStep));
    if (fine.GridSize >= Options.GridSize) {
        return;  // no finer grid to try
    }
    std::stable_sort(Unfitted.begin(), Unfitted.end(), [](const TUnfittedGroup& a, const TUnfittedGroup& b) {
        return GroupSize(*a.Group) > GroupSize(*b.Group);
    });
    std::vector<TUnfittedGroup> left = RefitGroups(fine, Unfitted);
    // Rounds alternate between the lower and the upper edges; a round that fits
    // no more groups is undone, and two such rounds in a row end the sliding.
    int32_t misses = 0;
    for (int32_t round = 0; round < CompactionRounds && !left.empty() && misses < 2; ++round) {
        std::vector<TGroupPlace> fallbacks;
        for (const TUnfittedGroup& u : left) {
            fallbacks.push_back(SavePlace(*u.Group));
        }
        const std::vector<TSlide> slides = CompactPlacedGroups(left, round);
        if (CheckStopRequest()) {
            return;
        }
        std::vector<TUnfittedGroup> after = RefitGroups(fine, left);
        if (CheckStopRequest()) {
            return;
        }
        if (after.size() < left.size()) {
            left = std::move(after);
            misses = 0;
            continue;
        }
        // None found room: the slides are undone, and those left go back to
        // the fallback places they had among the groups as they stood.
        UndoSlides(slides);
        for (const TGroupPlace& place : fallbacks) {
            RestorePlace(place);
            SelectMembers(*place.Group);
        }
        ++misses;
    }
    // Groups moved to make room may open room for one tried before.
    bool moved = false;
    for (bool progress = true; progress && !left.empty() && !CheckStopRequest();) {
        progress = false;
        for (std::size_t i = 0; i < left.size() && !CheckStopRequest();) {
            if (MakeRoomFor(fine, left[i], left)) {
                left.erase(left.begin() + static_cast<std::ptrdiff_t>(i));
                progress = true;
                moved = true;
            } else {
                ++i;
            }
        }
    }
    if (moved && !left.empty() && !CheckStopRequest()) {
        RefitGroups(fine, left);  // the fallback places were found before the groups moved
    }
}

bool TAbsolutePlacer::IsJobGroup(const TRectangularComponentGroup* group) const {
    return Rooms.count(group) != 0;
}

bool TAbsolutePlacer::MakeRoomFor(const TPlacerOptions& fine, const TUnfittedGroup& u,
                                  const std::vector<TUnfittedGroup>& left) {
    std::vector<const TRectangularComponentGroup*> unfitted;
    for (const TUnfittedGroup& other : left) {
        unfitted.push_back(other.Group);
    }
    const std::vector<TGroupPlacer::TRoomMakingPlace> places = Engine->PlacesToMakeRoom(
        *u.Group, unfitted, [this](const TRectangularComponentGroup* g) { return IsJobGroup(g); },
        RoomMakingTries);
    const TGroupPlace fallback = SavePlace(*u.Group);
    for (const TGroupPlacer::TRoomMakingPlace& place : places) {
        if (CheckStopRequest()) {
            break;
        }
        TGroupPlacer::MoveToPlace(place, *u.Group);
        if (MakeWayAt(fine, u, unfitted)) {
            DeselectMembers(*u.Group);
            return true;
        }
        RestorePlace(fallback);
    }
    SelectMembers(*u.Group);  // still not fitted
    return false;
}

bool TAbsolutePlacer::MakeWayAt(const TPlacerOptions& fine, const TUnfittedGroup& u,
                                const std::vector<const TRectangularComponentGroup*>& unfitted) {
    std::vector<TRectangularComponentGroup*> inTheWay = Engine->GroupsInTheWay(*u.Group, unfitted);
    if (inTheWay.size() > MaxGroupsMadeWay) {
        return false;
    }
    std::vector<const TRectangularComponentGroup*> ignored = unfitted;
    for (const TRectangularComponentGroup* group : inTheWay) {
        if (!IsJobGroup(group)) {
            return false;  // fixed parts and confinement rooms stay
        }
        ignored.push_back(group);
    }
    if (!Engine->StandsClearAt(*u.Group, u.Group->Rect, ignored)) {
        return false;  // something besides them is in the way, or the place is off the area
    }
    std::vector<TGroupPlace> saved;
    for (TRectangularComponentGroup* group : inTheWay) {
        saved.push_back(SavePlace(*group));
    }
    // Members of a group in the way that finds no room as a whole are placed one
    // by one; they replace it among the placed groups only if all find room.
    std::vector<std::unique_ptr<TRectangularComponentGroup>> singles;
    std::vector<std::pair<TRectangularComponentGroup*, std::size_t>> splits;  // group, its first single
    TGroupPlacer refit(fine, false, Context);
    refit.LeaveCrowdedGroups = true;
    for (TRectangularComponentGroup* group : Engine->GetPlacedGroups()) {
        if (std::find(ignored.begin(), ignored.end(), group) == ignored.end() || group == u.Group) {
            refit.AddPlacedGroup(group);
        }
    }
    std::stable_sort(inTheWay.begin(), inTheWay.end(), [](const auto* a, const auto* b) {
        return GroupSize(*a) > GroupSize(*b);
    });
    const auto placeAimingAt = [&](TRectangularComponentGroup* group, const TRect& room) {
        refit.SetGuideRect(&room);
        refit.PlaceGroup(group);
        refit.SetGuideRect(nullptr);
        return !refit.LastGroupFailed && !refit.LastGroupLeft && !CheckStopRequest();
    };
    bool allFit = true;
    for (TRectangularComponentGroup* group : inTheWay) {
        const TRect room = Rooms[group];
        if (placeAimingAt(group, room)) {
            continue;
        }
        allFit = refit.LastGroupLeft && !CheckStopRequest();
        if (allFit) {
            splits.emplace_back(group, singles.size());
            std::vector<TRectangularComponentGroup*> members;
            for (const TPlacedComponent* member : *group) {
                singles.push_back(std::make_unique<TRectangularComponentGroup>());
                singles.back()->AddComponent(member->Handle);
                members.push_back(singles.back().get());
            }
            std::stable_sort(members.begin(), members.end(), [](const auto* a, const auto* b) {
                return GroupSize(*a) > GroupSize(*b);
            });
            for (TRectangularComponentGroup* single : members) {
                allFit = allFit && placeAimingAt(single, room);
            }
        }
        if (!allFit) {
            break;
        }
    }
    if (!allFit) {
        for (const TGroupPlace& place : saved) {
            RestorePlace(place);
        }
        return false;
    }
    for (std::size_t i = 0; i < splits.size(); ++i) {
        const std::size_t end = i + 1 < splits.size() ? splits[i + 1].second : singles.size();
        std::vector<TRectangularComponentGroup*> parts;
        for (std::size_t k = splits[i].second; k < end; ++k) {
            parts.push_back(singles[k].get());
            Rooms[singles[k].get()] = Rooms[splits[i].first];
        }
        Engine->ReplacePlacedGroup(splits[i].first, parts);
        Rooms.erase(splits[i].first);
    }
    for (auto& single : singles) {
        SplitGroups.push_back(std::move(single));
    }
    return true;
}

}  // namespace autoplacer
