#include "app/DialogCommands.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>
#include <vector>

namespace app {

using sdk::ControlKind;

namespace {

struct Token {
    std::string Text;
    std::size_t End = 0;  // offset just past the token in the action
};

// Splits on blanks; double quotes group a token with blanks.
std::vector<Token> Tokenize(const std::string& text) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
        if (i >= text.size()) {
            break;
        }
        Token token;
        if (text[i] == '"') {
            const std::size_t close = text.find('"', i + 1);
            const std::size_t end = close == std::string::npos ? text.size() : close;
            token.Text = text.substr(i + 1, end - i - 1);
            i = close == std::string::npos ? text.size() : close + 1;
        } else {
            const std::size_t start = i;
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) {
                ++i;
            }
            token.Text = text.substr(start, i - start);
        }
        token.End = i;
        tokens.push_back(std::move(token));
    }
    return tokens;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The rest of the action after a token, unquoted when it is one quoted string.
std::string RestAfter(const std::string& action, const Token& token) {
    std::string rest = Trim(action.substr(token.End));
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
        rest = rest.substr(1, rest.size() - 2);
    }
    return rest;
}

std::optional<int32_t> ParseInteger(const std::string& text) {
    int32_t value = 0;
    const std::string trimmed = Trim(text);
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    if (first != last && *first == '+') {
        ++first;
    }
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> ParseBool(const std::string& text) {
    const std::string value = Trim(text);
    for (const char* yes : {"1", "true", "yes", "on", "checked"}) {
        if (SameTextIgnoringCase(value, yes)) {
            return true;
        }
    }
    for (const char* no : {"0", "false", "no", "off", "unchecked"}) {
        if (SameTextIgnoringCase(value, no)) {
            return false;
        }
    }
    return std::nullopt;
}

bool HasItems(ControlKind kind) {
    return kind == ControlKind::ListBox || kind == ControlKind::RadioGroup || kind == ControlKind::PageControl;
}

std::string Quoted(const char* text) { return std::string("\"") + text + "\""; }

// The control named by a token, usable by a person: visible and enabled.
std::string Usable(sdk::IDialogForm& form, const std::string& name, sdk::IDialogControl*& control) {
    control = FindDialogControl(form, name);
    if (control == nullptr) {
        return "no control " + Quoted(name.c_str()) + " in " + Quoted(form.GetCaption());
    }
    if (!control->IsVisible()) {
        return Quoted(control->GetName()) + " is hidden";
    }
    if (!control->IsEnabled()) {
        return Quoted(control->GetName()) + " is disabled";
    }
    return {};
}

std::string SelectItem(sdk::IDialogControl& control, const std::string& item) {
    if (!HasItems(control.GetKind())) {
        return Quoted(control.GetName()) + " has no items";
    }
    const std::optional<int32_t> index = FindDialogItem(control, item);
    if (!index) {
        return "no item " + Quoted(item.c_str()) + " in " + Quoted(control.GetName());
    }
    control.SetItemIndex(*index);
    if (control.GetItemIndex() != *index) {
        return "item " + Quoted(item.c_str()) + " of " + Quoted(control.GetName()) + " cannot be selected";
    }
    return {};
}

std::string SetBox(sdk::IDialogControl& control, bool checked) {
    if (control.GetKind() == ControlKind::RadioButton && !checked) {
        return "a radio button is cleared by picking another one";
    }
    if (control.GetKind() != ControlKind::CheckBox && control.GetKind() != ControlKind::RadioButton) {
        return Quoted(control.GetName()) + " is not a check box or radio button";
    }
    control.SetChecked(checked);
    return {};
}

std::optional<int32_t> ParseModalResult(const std::string& text) {
    if (const auto number = ParseInteger(text)) {
        return *number;
    }
    const std::pair<const char*, int32_t> names[] = {
        {"ok", sdk::kModalOk}, {"cancel", sdk::kModalCancel}, {"yes", sdk::kModalYes}, {"no", sdk::kModalNo}};
    for (const auto& [name, result] : names) {
        if (SameTextIgnoringCase(text, name)) {
            return result;
        }
    }
    return std::nullopt;
}

constexpr const char* kVerbs[] = {"click", "check", "uncheck", "set", "select", "double", "drag"};

const char* KindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label: return "label";
        case ControlKind::Button: return "button";
        case ControlKind::CheckBox: return "check box";
        case ControlKind::RadioButton: return "radio button";
        case ControlKind::RadioGroup: return "radio group";
        case ControlKind::Edit: return "edit";
        case ControlKind::ListBox: return "list box";
        case ControlKind::GroupBox: return "group";
        case ControlKind::Panel: return "panel";
        case ControlKind::PageControl: return "pages";
        case ControlKind::TabSheet: return "page";
        case ControlKind::TrackBar: return "track bar";
    }
    return "control";
}

}  // namespace

std::string StripAccelerator(const std::string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            // "&&" stands for one ampersand.
            if (i + 1 < text.size() && text[i + 1] == '&') {
                result += '&';
                ++i;
            }
            continue;
        }
        result += text[i];
    }
    return result;
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

sdk::IDialogControl* FindDialogControl(sdk::IDialogForm& form, const std::string& nameOrCaption) {
    if (sdk::IDialogControl* exact = form.FindControl(nameOrCaption.c_str())) {
        return exact;
    }
    const std::string wanted = Trim(StripAccelerator(nameOrCaption));
    for (int pass = 0; pass < 2; ++pass) {
        for (int32_t i = 0; i < form.GetControlCount(); ++i) {
            sdk::IDialogControl* control = form.GetControl(i);
            const std::string text = pass == 0 ? control->GetName() : Trim(StripAccelerator(control->GetCaption()));
            if (!text.empty() && SameTextIgnoringCase(text, wanted)) {
                return control;
            }
        }
    }
    return nullptr;
}

std::optional<int32_t> FindDialogItem(const sdk::IDialogControl& control, const std::string& item) {
    if (const auto index = ParseInteger(item)) {
        if (*index >= 0 && *index < control.GetItemCount()) {
            return index;
        }
        return std::nullopt;
    }
    const std::string wanted = Trim(StripAccelerator(item));
    for (int32_t i = 0; i < control.GetItemCount(); ++i) {
        if (SameTextIgnoringCase(Trim(StripAccelerator(control.GetItem(i))), wanted)) {
            return i;
        }
    }
    return std::nullopt;
}

std::string SetDialogValue(sdk::IDialogForm&, sdk::IDialogControl& control, const std::string& value) {
    switch (control.GetKind()) {
        case ControlKind::Edit:
            control.SetText(value.c_str());
            return {};
        case ControlKind::TrackBar: {
            const auto position = ParseInteger(value);
            if (!position) {
                return "a track bar takes a whole number, not " + Quoted(value.c_str());
            }
            control.SetPosition(*position);
            return {};
        }
        case ControlKind::CheckBox:
        case ControlKind::RadioButton: {
            const auto checked = ParseBool(value);
            if (!checked) {
                return "a box takes 1 or 0, not " + Quoted(value.c_str());
            }
            return SetBox(control, *checked);
        }
        case ControlKind::ListBox:
        case ControlKind::RadioGroup:
        case ControlKind::PageControl:
            return SelectItem(control, value);
        case ControlKind::Button:
            control.Click();
            return {};
        default:
            return Quoted(control.GetName()) + " (" + KindName(control.GetKind()) + ") takes no value";
    }
}

std::string ApplyDialogAction(sdk::IDialogForm& form, const std::string& action) {
    const std::vector<Token> tokens = Tokenize(action);
    if (tokens.empty()) {
        return "empty action";
    }
    const std::string& verb = tokens[0].Text;
    const auto needs = [&](std::size_t count) { return tokens.size() >= count; };
    sdk::IDialogControl* control = nullptr;

    if (SameTextIgnoringCase(verb, "close")) {
        const auto result = tokens.size() > 1 ? ParseModalResult(tokens[1].Text) : sdk::kModalCancel;
        if (!result || *result == sdk::kModalNone) {
            return "close takes a modal result (ok, cancel, yes, no or a number)";
        }
        form.SetModalResult(*result);
        return {};
    }
    const bool known = std::any_of(std::begin(kVerbs), std::end(kVerbs),
                                   [&](const char* name) { return SameTextIgnoringCase(verb, name); });
    if (!known) {
        return "unknown action " + Quoted(verb.c_str());
    }
    if (!needs(2)) {
        return "missing control name after " + Quoted(verb.c_str());
    }
    if (std::string problem = Usable(form, tokens[1].Text, control); !problem.empty()) {
        return problem;
    }

    if (SameTextIgnoringCase(verb, "click")) {
        switch (control->GetKind()) {
            case ControlKind::Button:
                control->Click();
                return {};
            case ControlKind::CheckBox:
                return SetBox(*control, !control->GetChecked());
            case ControlKind::RadioButton:
                return SetBox(*control, true);
            default:
                return Quoted(control->GetName()) + " (" + KindName(control->GetKind()) + ") cannot be clicked";
        }
    }
    if (SameTextIgnoringCase(verb, "check") || SameTextIgnoringCase(verb, "uncheck")) {
        return SetBox(*control, SameTextIgnoringCase(verb, "check"));
    }
    if (SameTextIgnoringCase(verb, "set")) {
        return SetDialogValue(form, *control, RestAfter(action, tokens[1]));
    }
    if (SameTextIgnoringCase(verb, "select")) {
        if (!needs(3)) {
            return "select needs an item";
        }
        return SelectItem(*control, RestAfter(action, tokens[1]));
    }
    if (SameTextIgnoringCase(verb, "double")) {
        if (control->GetKind() != ControlKind::ListBox) {
            return Quoted(control->GetName()) + " is not a list box";
        }
        if (needs(3)) {
            if (std::string problem = SelectItem(*control, RestAfter(action, tokens[1])); !problem.empty()) {
                return problem;
            }
        }
        control->DoubleClick();
        return {};
    }
    if (SameTextIgnoringCase(verb, "drag")) {
        if (!needs(4)) {
            return "drag needs SOURCE ITEM TARGET [ITEM]";
        }
        const auto from = FindDialogItem(*control, tokens[2].Text);
        if (!from) {
            return "no item " + Quoted(tokens[2].Text.c_str()) + " in " + Quoted(control->GetName());
        }
        sdk::IDialogControl* target = nullptr;
        if (std::string problem = Usable(form, tokens[3].Text, target); !problem.empty()) {
            return problem;
        }
        int32_t to = -1;
        if (needs(5)) {
            const auto index = FindDialogItem(*target, tokens[4].Text);
            if (!index) {
                return "no item " + Quoted(tokens[4].Text.c_str()) + " in " + Quoted(target->GetName());
            }
            to = *index;
        }
        if (!target->DropFrom(control, *from, to)) {
            return Quoted(target->GetName()) + " does not accept a drop from " + Quoted(control->GetName());
        }
        return {};
    }
    return "unknown action " + Quoted(verb.c_str());
}

sdk::IDialogControl* DefaultButton(sdk::IDialogForm& form) {
    for (const int32_t wanted : {sdk::kModalOk, sdk::kModalYes}) {
        for (int32_t i = 0; i < form.GetControlCount(); ++i) {
            sdk::IDialogControl* control = form.GetControl(i);
            if (control->GetKind() == ControlKind::Button && control->GetModalResult() == wanted &&
                control->IsVisible() && control->IsEnabled()) {
                return control;
            }
        }
    }
    return nullptr;
}

void PrintDialogForm(sdk::IDialogForm& form, std::ostream& out) {
    out << "== " << StripAccelerator(form.GetCaption()) << " ==\n";
    for (int32_t i = 0; i < form.GetControlCount(); ++i) {
        sdk::IDialogControl* control = form.GetControl(i);
        if (!control->IsVisible()) {
            continue;
        }
        int depth = 1;
        for (int32_t parent = control->GetParentIndex(); parent >= 0;
             parent = form.GetControl(parent)->GetParentIndex()) {
            ++depth;
        }
        const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
        const std::string caption = StripAccelerator(control->GetCaption());
        const std::string name = std::string(" (") + control->GetName() + ")";
        const std::string disabled = control->IsEnabled() ? "" : " [disabled]";
        if (control->GetKind() == ControlKind::Panel && Trim(caption).empty()) {
            continue;  // a plain panel only arranges its children
        }
        out << indent;
        switch (control->GetKind()) {
            case ControlKind::Label:
                out << caption;
                break;
            case ControlKind::Button:
                out << "<" << caption << ">" << name;
                break;
            case ControlKind::CheckBox:
                out << (control->GetChecked() ? "[x] " : "[ ] ") << caption << name;
                break;
            case ControlKind::RadioButton:
                out << (control->GetChecked() ? "(*) " : "( ) ") << caption << name;
                break;
            case ControlKind::Edit:
                out << (caption.empty() ? "" : caption + ": ") << "[" << control->GetText() << "]" << name;
                break;
            case ControlKind::TrackBar:
                out << (caption.empty() ? "" : caption + ": ") << control->GetPosition() << " (" << control->GetMin()
                    << ".." << control->GetMax() << ")" << name;
                break;
            case ControlKind::RadioGroup:
            case ControlKind::ListBox:
            case ControlKind::PageControl:
                out << (caption.empty() ? KindName(control->GetKind()) : Trim(caption)) << name << ":";
                for (int32_t item = 0; item < control->GetItemCount(); ++item) {
                    const bool selected = item == control->GetItemIndex();
                    out << "\n" << indent << "  " << (selected ? "> " : "  ") << item << " "
                        << StripAccelerator(control->GetItem(item));
                }
                if (control->GetItemCount() == 0) {
                    out << " (empty)";
                }
                break;
            case ControlKind::GroupBox:
            case ControlKind::Panel:
            case ControlKind::TabSheet:
                out << "-- " << Trim(caption) << " --";
                break;
        }
        out << disabled << "\n";
    }
}

}  // namespace app
