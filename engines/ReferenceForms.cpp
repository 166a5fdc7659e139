#include "engines/ReferenceForms.h"

#include <cstdlib>
#include <cstring>

namespace autoplacer {

namespace {

bool ReferenceFromEnvironment() {
    const char* value = std::getenv("AUTOPLACER_REFERENCE");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

// Initialised at the first question, so that the environment of the process
// that loaded the plug-in decides.
bool& ReferenceChoice() {
    static bool reference = ReferenceFromEnvironment();
    return reference;
}

}  // namespace

bool UseReferenceForms() { return ReferenceChoice(); }

void SetReferenceForms(bool reference) { ReferenceChoice() = reference; }

}  // namespace autoplacer
