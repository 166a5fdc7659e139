#include "model/PlacerForms.h"

#include <cstdlib>
#include <cstring>

namespace autoplacer {

TPlacerForms PlacerFormsFromEnvironment() {
    const char* value = std::getenv("AUTOPLACER_REFERENCE");
    return value != nullptr && std::strcmp(value, "1") == 0 ? TPlacerForms::Reference : TPlacerForms::Fast;
}

}  // namespace autoplacer
