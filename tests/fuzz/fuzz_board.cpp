// Fuzz target: board text -> S-expression tree -> board view -> host board -> writer.
//
// Any input may be rejected with an SExprError; nothing else may happen to it. An
// accepted board must write back byte for byte when untouched, and after every
// footprint was turned, flipped and written it must read back as a board with each
// footprint where the writer put it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "hostpcb/Host.h"
#include "io/KicadBoard.h"
#include "io/KicadToHost.h"
#include "io/KicadWriter.h"
#include "io/Units.h"

namespace {

[[noreturn]] void Broken(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "fuzz_board: %s %s\n", what, detail.c_str());
    std::abort();
}

// Host boards are destroyed with the input, whatever happens.
class ScratchBoard {
public:
    ScratchBoard() : board_(hostpcb::Host::Instance().CreateBoard("fuzz.kicad_pcb")) {}
    ~ScratchBoard() { hostpcb::Host::Instance().DestroyBoard(board_); }
    ScratchBoard(const ScratchBoard&) = delete;
    ScratchBoard& operator=(const ScratchBoard&) = delete;
    hostpcb::Board& get() { return board_; }

private:
    hostpcb::Board& board_;
};

// Turning a component moves its primitives about its origin; only components small
// enough to stay inside the host's range after any turn are turned.
bool SafeToTurn(const hostpcb::Component& c) {
    constexpr double kReach = double(io::kMaxHostSize);
    const hostpcb::Box b = c.Bounds();
    const hostpcb::Point o = c.Position();
    return std::fabs(double(b.x1) - o.x) < kReach && std::fabs(double(b.x2) - o.x) < kReach &&
           std::fabs(double(b.y1) - o.y) < kReach && std::fabs(double(b.y2) - o.y) < kReach;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<io::KicadBoard> kicad;
    try {
        kicad = io::KicadBoard::fromDocument(io::SExprDocument::parse(text));
    } catch (const io::SExprError&) {
        return 0;
    }
    if (kicad->document().write() != text) Broken("an untouched board did not write back byte for byte");

    ScratchBoard board;
    io::HostMapping mapping;
    try {
        mapping = io::BuildHostBoard(*kicad, board.get(), 0.2);
    } catch (const io::SExprError&) {
        return 0;  // a value the host cannot hold
    }

    // Turn and flip every component that can be turned, then write the placements.
    std::vector<io::KFootprint> before;
    std::vector<size_t> moved;
    std::vector<io::FootprintPlacement> placements;
    for (const io::FootprintLink& link : mapping.links) {
        hostpcb::Component& c = *link.component;
        if (!SafeToTurn(c)) continue;
        c.SetRotation(c.Rotation() + 90.0);
        c.SetLayer(c.Layer() == PCB_TOP_LAYER ? PCB_BOTTOM_LAYER : PCB_TOP_LAYER);
        io::FootprintPlacement placement;
        placement.back = c.Layer() == PCB_BOTTOM_LAYER;
        placement.at = io::ToKicad(c.Position());
        placement.angle = io::KicadAngle(c.Rotation(), placement.back);
        before.push_back(kicad->footprints().at(link.footprint));
        try {
            io::PlaceFootprint(*kicad, link.footprint, placement);
        } catch (const io::SExprError& e) {
            // The reader refuses what the writer cannot move, so this is the writer's fault.
            Broken("the writer could not move an accepted footprint:", e.what());
        }
        moved.push_back(link.footprint);
        placements.push_back(placement);
    }
    io::RemoveStaleRouting(*kicad, before, moved);
    const std::string written = kicad->document().write();

    std::unique_ptr<io::KicadBoard> again;
    try {
        again = io::KicadBoard::fromDocument(io::SExprDocument::parse(written));
    } catch (const io::SExprError& e) {
        Broken("the written board does not read back:", e.what());
    }
    if (again->footprints().size() != kicad->footprints().size()) Broken("footprints were lost in writing");
    for (size_t i = 0; i < moved.size(); ++i) {
        const io::KFootprint& fp = again->footprints()[moved[i]];
        const io::FootprintPlacement& p = placements[i];
        if (std::fabs(fp.at.x - p.at.x) > 1e-5 || std::fabs(fp.at.y - p.at.y) > 1e-5 || fp.back != p.back) {
            Broken("a written footprint reads back elsewhere:", fp.reference);
        }
    }
    return 0;
}
