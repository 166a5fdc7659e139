#include "ui/MessageBoxes.h"

#include "ui/DialogHost.h"

namespace autoplacer::ui {

void ShowError(const std::string& text) {
    if (sdk::IDialogHost* host = CurrentDialogHost()) {
        host->MessageBox(text.c_str(), "Error", sdk::MessageBoxKind::Error);
    }
}

bool AskYesNo(const std::string& text, const std::string& caption) {
    sdk::IDialogHost* host = CurrentDialogHost();
    return host != nullptr &&
           host->MessageBox(text.c_str(), caption.c_str(), sdk::MessageBoxKind::YesNoQuestion) == sdk::kModalYes;
}

}  // namespace autoplacer::ui
