// The plug-in's modal message boxes, presented by the host's dialog host.
#pragma once

#include <string>

namespace autoplacer::ui {

// An error box: caption "Error", error symbol, one OK button.
void ShowError(const std::string& text);

// A question with Yes and No; True for Yes. Without a dialog host the answer is No.
bool AskYesNo(const std::string& text, const std::string& caption);

}  // namespace autoplacer::ui
