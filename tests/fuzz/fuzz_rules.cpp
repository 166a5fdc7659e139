// Fuzz target: placement-rules text applied to a small board. Any input may be
// rejected with an SExprError; nothing else may happen to it, and an accepted file
// must leave only rules the host can hold.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "io/PlacerRules.h"
#include "io/Units.h"

namespace {

using hostpcb::MmToUnits;

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "fuzz_rules: %s\n", what);
    std::abort();
}

class ScratchBoard {
public:
    ScratchBoard() : board_(hostpcb::Host::Instance().CreateBoard("fuzz.kicad_pcb")) {
        hostpcb::BoardBuilder b(board_);
        b.RectOutline(MmToUnits(0), MmToUnits(0), MmToUnits(60), MmToUnits(40));
        b.Soic("U1", 8, {MmToUnits(20), MmToUnits(20)});
        b.Chip("C1", "0603", {MmToUnits(30), MmToUnits(20)});
        b.Header("J1", 4, 1, {MmToUnits(40), MmToUnits(20)});
        b.Connect("GND", {"U1.4", "C1.2", "J1.1"});
        b.Connect("+3V3", {"U1.8", "C1.1", "J1.2"});
        b.Connect("SDA", {"U1.5", "J1.3"});
    }
    ~ScratchBoard() { hostpcb::Host::Instance().DestroyBoard(board_); }
    ScratchBoard(const ScratchBoard&) = delete;
    ScratchBoard& operator=(const ScratchBoard&) = delete;
    hostpcb::Board& get() { return board_; }

private:
    hostpcb::Board& board_;
};

const std::map<std::string, hostpcb::LayerNumber> kCopperLayers = {
    {"F.Cu", PCB_TOP_LAYER}, {"In1.Cu", PCB_MID_LAYER_1}, {"In2.Cu", PCB_INTERNAL_PLANE_1}, {"B.Cu", PCB_BOTTOM_LAYER}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ScratchBoard board;
    try {
        io::ApplyPlacerRules(text, "fuzz.placer_rules", board.get(), kCopperLayers);
    } catch (const io::SExprError&) {
        return 0;
    }
    for (const hostpcb::Rule* rule : board.get().Rules()) {
        if (rule->gap < 0 || rule->gap > io::kMaxHostSize) Broken("a gap outside the host's range");
        if (rule->scope1.size() > PCB_SCOPE_CAPACITY || rule->scope2.size() > PCB_SCOPE_CAPACITY) {
            Broken("a scope larger than a rule record holds");
        }
    }
    return 0;
}
