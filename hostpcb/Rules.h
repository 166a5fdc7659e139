// Rule scopes and the choice of the governing rule for an object or a pair of objects.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "hostpcb/Board.h"

namespace hostpcb {

// An empty scope includes everything. Entries are alternatives: the scope includes the
// object when any entry does. Entry kinds: board (every object), net (the net itself or
// an object on it), net class, layer (entry value = layer number), component class and
// component (the component itself or one of its primitives).
bool ScopeIncludes(const std::vector<ScopeEntry>& scope, const Object& object);

// The enabled rule of the kind whose first scope includes the object, of the highest
// priority (lowest number; among equals the first in board order); nullptr when none.
Rule* DominantRule(const Object& object, uint8_t ruleKind);
// Likewise for a pair: scope 1 includes one object and scope 2 the other, in either order.
Rule* DominantRuleForPair(const Object& a, const Object& b, uint8_t ruleKind);

// "All" for an empty scope; otherwise entries as All, InNet('n'), InNetClass('n'),
// OnLayer('n'), InComponentClass('n'), InComponent('n'), joined by " or ".
std::string ScopeExpression(const std::vector<ScopeEntry>& scope);
// The inverse of ScopeExpression (case-insensitive keywords). False when not understood.
bool ParseScopeExpression(std::string_view text, std::vector<ScopeEntry>& scope);

}  // namespace hostpcb
