// Where the plug-in's forms and message boxes are presented.
#pragma once

#include "sdk/dialogs.h"

namespace autoplacer::ui {

// The host client's dialog host; nil when there is no client or the host has none.
sdk::IDialogHost* CurrentDialogHost();

}  // namespace autoplacer::ui
