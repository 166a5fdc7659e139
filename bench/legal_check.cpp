// Judges a placed KiCad board against the board it was placed from, as KiCad's
// design-rule check would (bench/LegalityJudge.h). A developer tool of
// bench/place_boards.sh.
//
//   legal_check ORIGINAL.kicad_pcb PLACED.kicad_pcb [--names] [--all]
//
// Prints "overlaps N outside M moved K"; with --names one line per offending pair or
// part. --all judges every part as if moved (the designer's own placement).
#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <exception>

#include "LegalityJudge.h"
#include "io/BoardFiles.h"

namespace {

bool Moved(const hostpcb::Component& before, const hostpcb::Component& after) {
    return before.Position() != after.Position() || std::fabs(before.Rotation() - after.Rotation()) > 1e-9 ||
           before.Layer() != after.Layer();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: legal_check ORIGINAL.kicad_pcb PLACED.kicad_pcb [--names] [--all]\n");
        return 2;
    }
    bool names = false, all = false;
    for (int i = 3; i < argc; ++i) {
        names = names || std::strcmp(argv[i], "--names") == 0;
        all = all || std::strcmp(argv[i], "--all") == 0;
    }
    try {
        io::LoadOptions options;
        options.readRules = false;
        const auto original = io::LoadBoardFile(argv[1], options);
        const auto placed = io::LoadBoardFile(argv[2], options);
        const auto& before = original->mapping.links;
        const auto& after = placed->mapping.links;
        if (before.size() != after.size()) {
            std::fprintf(stderr, "the boards hold different footprints\n");
            return 2;
        }
        std::vector<const hostpcb::Component*> components;
        std::vector<bool> moved;
        for (std::size_t i = 0; i < after.size(); ++i) {
            components.push_back(after[i].component);
            moved.push_back(all || Moved(*before[i].component, *after[i].component));
        }
        const legality::Verdict verdict = legality::Judge(*placed->board, components, moved);
        if (names) {
            for (const auto& [a, b] : verdict.overlaps) std::printf("overlap %s %s\n", a.c_str(), b.c_str());
            for (const auto& part : verdict.outside) std::printf("outside %s\n", part.c_str());
        }
        std::printf("overlaps %zu outside %zu moved %zu\n", verdict.overlaps.size(), verdict.outside.size(),
                    static_cast<std::size_t>(std::count(moved.begin(), moved.end(), true)));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "legal_check: %s\n", e.what());
        return 1;
    }
    return 0;
}
