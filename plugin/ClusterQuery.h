// "QueryClusters": a developer query outside the seven user commands. It forms
// the clusters a placement run would form on the current board as it stands
// (pre-passes, pair tree, cut at the threshold), moves nothing, and answers the
// membership in the parameter buffer, so that the application can colour its
// pictures without a second copy of the placer.
//
// In:  "Threshold=85|PrePasses=True" (these are the defaults).
// Out: "Result=True|Count=N|1=KIND:H,H,...|2=..." with KIND one of Confinement,
//      ICCap, SameFootprint, Plain and H the members' host handles in decimal,
//      clusters in that kind order; "Result=False|Needed=BYTES" when the buffer
//      is too small; "Result=False" when the board has no usable outline or no
//      board is current.
#pragma once

#include <cstdint>

namespace autoplacer {

void QueryClustersCommand(void* context, char* parameters, int32_t bufferSize);

}  // namespace autoplacer
