// The host client of the loaded plug-in: the one way lower layers reach the
// host application (message processing, dialogs, the registry, host commands).
#pragma once

#include "sdk/plugin.h"

namespace autoplacer {

// Handed to ServerFactory and kept for the life of the server module; nil
// before that and after the host lets the module go. The plug-in frame sets it.
extern sdk::IClient* Client;

}  // namespace autoplacer
