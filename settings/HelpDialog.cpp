#include "settings/HelpDialog.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "host/HostCommands.h"

namespace autoplacer {

namespace {

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

TDialog::TDialog(std::string name, std::string caption) : ui::TForm(std::move(name), std::move(caption)) {}

void TDialog::BindHelp() {
    for (const auto& control : Controls()) {
        if (auto* button = dynamic_cast<ui::TButton*>(control.get()); button != nullptr && HelpButton == nullptr) {
            const std::string caption = UpperCase(button->Caption);
            if (caption == "HELP" || caption == "&HELP") {
                HelpButton = button;
            }
        }
        if (auto* pages = dynamic_cast<ui::TPageControl*>(control.get()); pages != nullptr && Pages == nullptr) {
            Pages = pages;
        }
    }
    if (HelpButton != nullptr) {
        HelpButton->OnClick = [this] { RunHelpTopic(HelpCommandText()); };
    }
}

std::string TDialog::HelpTopic() const {
    std::string topic = TrimBlanks(Caption);
    if (Pages != nullptr && Pages->ActivePage() != nullptr) {
        topic += Pages->ActivePage()->Caption;
    }
    // Every listed character goes, also where two of them stand side by side.
    constexpr std::string_view kLeftOut = " $(),-/?";
    std::erase_if(topic, [&](char c) { return kLeftOut.find(c) != std::string_view::npos; });
    return topic;
}

std::string TDialog::HelpCommandText() const { return "FileName = " + HelpFileName + " | Topic = " + HelpTopic(); }

}  // namespace autoplacer
