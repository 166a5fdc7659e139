#include "ui/DialogHost.h"

#include "plugin/Main_AutoPlacer.h"

namespace autoplacer::ui {

sdk::IDialogHost* CurrentDialogHost() { return Client != nullptr ? Client->GetDialogHost() : nullptr; }

}  // namespace autoplacer::ui
