// The choice between the fast forms of the placer's hot paths and the plain
// reference forms they must match. A run takes it once, when its context is
// built, and every engine and test reads it from there.
#pragma once

namespace autoplacer {

enum class TPlacerForms { Fast, Reference };

// The reference forms when the environment variable AUTOPLACER_REFERENCE is "1",
// so that a whole run can be compared with the fast forms from the outside.
TPlacerForms PlacerFormsFromEnvironment();

}  // namespace autoplacer
