#include "io/KicadDesignRules.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "io/BoardFiles.h"
#include "io/SExpr.h"
#include "io/Units.h"

namespace io {

namespace {

bool WholeBoard(const std::vector<hostpcb::ScopeEntry>& scope) {
    return std::all_of(scope.begin(), scope.end(),
                       [](const hostpcb::ScopeEntry& e) { return e.kind == PCB_SCOPE_BOARD; });
}

// A KiCad rules value: a number with an optional unit (mm when none).
double LengthMm(const SNode& atom) {
    const std::string text = atom.value();
    std::size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        atom.fail("expected a length, found '" + text + "'");
    }
    const std::string unit = text.substr(used);
    if (unit.empty() || unit == "mm") return value;
    if (unit == "mil" || unit == "mils") return value * 0.0254;
    if (unit == "in") return value * 25.4;
    if (unit == "um") return value / 1000.0;
    atom.fail("unknown unit '" + unit + "' in '" + text + "'");
}

}  // namespace

std::string DesignRulesPath(const std::string& boardPath) {
    std::filesystem::path p(boardPath);
    p.replace_extension(".kicad_dru");
    return p.string();
}

std::optional<double> ParseCourtyardClearance(const std::string& text) {
    // The file is a sequence of lists; one outer list makes it a document.
    SParseOptions options;
    options.commentChar = '#';
    const std::unique_ptr<SExprDocument> doc = SExprDocument::parse("(kicad_dru " + text + "\n)", options);
    std::optional<double> clearance;
    for (const SNode* rule : doc->root().children()) {
        if (!rule->isList() || rule->head() != "rule" || rule->child("condition") != nullptr) continue;
        for (const SNode* constraint : rule->children()) {
            if (!constraint->isList() || constraint->head() != "constraint") continue;
            const SNode* kind = constraint->at(1);
            if (kind == nullptr || !kind->isAtom() || kind->value() != "courtyard_clearance") continue;
            const SNode* min = constraint->child("min");
            if (min != nullptr && min->at(1) != nullptr && min->at(1)->isAtom()) {
                clearance = std::max(0.0, LengthMm(*min->at(1)));
            }
        }
    }
    return clearance;
}

std::optional<double> ReadCourtyardClearance(const std::string& boardPath, std::string& warning) {
    const std::string path = DesignRulesPath(boardPath);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return std::nullopt;
    try {
        const std::optional<double> clearance = ParseCourtyardClearance(ReadInputFile(path));
        if (clearance && !FitsHostSize(*clearance)) {
            warning = path + ": a courtyard clearance of " + std::to_string(*clearance) +
                      " mm is larger than the host can hold; using 0";
            return std::nullopt;
        }
        return clearance;
    } catch (const SExprError& e) {
        warning = SExprError(e, path).what() + std::string("; courtyard clearance 0");
    } catch (const std::exception& e) {
        warning = path + ": " + e.what() + "; courtyard clearance 0";
    }
    return std::nullopt;
}

bool AddKicadComponentClearance(hostpcb::Board& board, double gapMm) {
    for (const hostpcb::Rule* rule : board.Rules()) {
        if (rule->ruleKind == PCB_RULE_COMPONENT_CLEARANCE && WholeBoard(rule->scope1) && WholeBoard(rule->scope2)) {
            return false;
        }
    }
    hostpcb::Rule& rule = board.AddRule(PCB_RULE_COMPONENT_CLEARANCE, "KiCadCourtyards");
    rule.gap = MmToHost(gapMm);
    rule.checkMode = kKicadClearanceMode;
    return true;
}

}  // namespace io
