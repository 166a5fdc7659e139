#include "driver/AutoPlacerDriver.h"

namespace autoplacer {

TAutoPlacerDriver* CurrentDriver = nullptr;

}  // namespace autoplacer
