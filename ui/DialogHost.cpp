#include "ui/DialogHost.h"

#include "host/HostClient.h"

namespace autoplacer::ui {

sdk::IDialogHost* CurrentDialogHost() { return Client != nullptr ? Client->GetDialogHost() : nullptr; }

}  // namespace autoplacer::ui
