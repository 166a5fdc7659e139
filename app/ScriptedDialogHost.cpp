#include "app/ScriptedDialogHost.h"

#include <algorithm>
#include <fstream>
#include <ostream>

#include "app/DialogCommands.h"
#include "app/Interrupts.h"

namespace app {

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool NamesForm(const std::string& wanted, const std::string& name, const std::string& caption) {
    const std::string target = Trim(StripAccelerator(wanted));
    return SameTextIgnoringCase(target, name) || SameTextIgnoringCase(target, Trim(StripAccelerator(caption)));
}

// The modal result a message box answer stands for; 0 when it names none.
int32_t MessageBoxResult(const std::string& answer, sdk::MessageBoxKind kind) {
    const std::string text = Trim(StripAccelerator(answer));
    if (kind == sdk::MessageBoxKind::YesNoQuestion) {
        if (SameTextIgnoringCase(text, "yes") || text == "6" || text == "1") {
            return sdk::kModalYes;
        }
        if (SameTextIgnoringCase(text, "no") || text == "7" || text == "0") {
            return sdk::kModalNo;
        }
        return 0;
    }
    return SameTextIgnoringCase(text, "ok") || text == "1" ? sdk::kModalOk : 0;
}

std::string ButtonCaption(sdk::IDialogControl& button) { return Trim(StripAccelerator(button.GetCaption())); }

}  // namespace

void AnswerDialogInterrupt(sdk::IDialogForm& form) {
    sdk::IDialogControl* yes = FindDialogControl(form, "Yes");
    if (yes == nullptr) {
        yes = FindDialogControl(form, "Yes_Button");
    }
    if (yes != nullptr && yes->GetKind() == sdk::ControlKind::Button && yes->IsVisible() && yes->IsEnabled()) {
        yes->Click();
    }
    if (form.GetModalResult() == sdk::kModalNone) {
        form.SetModalResult(sdk::kModalCancel);
    }
}

ScriptedDialogHost::ScriptedDialogHost(std::ostream& notices) : Notices(notices) {}

std::string ScriptedDialogHost::AddAnswer(const std::string& answer) {
    const std::string text = Trim(answer);
    const std::size_t separator = text.find_first_of(":=");
    if (separator == std::string::npos || separator == 0) {
        return "answer \"" + answer + "\" is not FORM.CONTROL=VALUE, FORM=BUTTON or FORM: ACTION";
    }
    Answer parsed;
    parsed.Original = answer;
    if (text[separator] == ':') {
        parsed.Form = Trim(text.substr(0, separator));
        parsed.Action = Trim(text.substr(separator + 1));
        if (parsed.Action.empty()) {
            return "answer \"" + answer + "\" has no action";
        }
    } else {
        const std::string target = Trim(text.substr(0, separator));
        const std::string value = Trim(text.substr(separator + 1));
        // Control names never hold a dot, so the last dot ends the form's name.
        const std::size_t dot = target.rfind('.');
        if (dot == std::string::npos) {
            parsed.Form = target;
            parsed.CloseWith = value;
            if (value.empty()) {
                return "answer \"" + answer + "\" does not say how to close the form";
            }
        } else {
            parsed.Form = Trim(target.substr(0, dot));
            const std::string control = Trim(target.substr(dot + 1));
            if (control.empty()) {
                return "answer \"" + answer + "\" names no control";
            }
            parsed.Action = "set \"" + control + "\" " + value;
        }
    }
    if (parsed.Form.empty()) {
        return "answer \"" + answer + "\" names no form";
    }
    Answers.push_back(std::move(parsed));
    return {};
}

std::string ScriptedDialogHost::LoadAnswers(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        return "cannot read answers from \"" + path + "\"";
    }
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        const std::string text = Trim(line);
        if (text.empty() || text[0] == '#') {
            continue;
        }
        if (std::string problem = AddAnswer(text); !problem.empty()) {
            return path + ":" + std::to_string(number) + ": " + problem;
        }
    }
    return {};
}

std::vector<std::string> ScriptedDialogHost::UnusedAnswers() const {
    std::vector<std::string> unused;
    for (const Answer& answer : Answers) {
        if (!answer.Used) {
            unused.push_back(answer.Original);
        }
    }
    return unused;
}

bool ScriptedDialogHost::HasAnswerFor(const std::string& name, const std::string& caption) const {
    return std::any_of(Answers.begin(), Answers.end(),
                       [&](const Answer& answer) { return !answer.Used && NamesForm(answer.Form, name, caption); });
}

ScriptedDialogHost::Answer* ScriptedDialogHost::NextAnswerFor(const std::string& name, const std::string& caption) {
    for (Answer& answer : Answers) {
        if (!answer.Used && NamesForm(answer.Form, name, caption)) {
            return &answer;
        }
    }
    return nullptr;
}

void ScriptedDialogHost::ApplyClosingAnswer(sdk::IDialogForm& form, const Answer& answer) {
    sdk::IDialogControl* button = FindDialogControl(form, answer.CloseWith);
    if (button != nullptr && button->GetKind() == sdk::ControlKind::Button) {
        if (!button->IsVisible() || !button->IsEnabled()) {
            Notices << "autoplacer: answer \"" << answer.Original << "\": the button cannot be pressed now\n";
            return;
        }
        button->Click();
        return;
    }
    if (const std::string problem = ApplyDialogAction(form, "close " + answer.CloseWith); !problem.empty()) {
        Notices << "autoplacer: answer \"" << answer.Original << "\": " << problem << "\n";
    }
}

void ScriptedDialogHost::CloseByDefault(sdk::IDialogForm& form) {
    const std::string caption = StripAccelerator(form.GetCaption());
    if (sdk::IDialogControl* button = DefaultButton(form)) {
        Notices << "autoplacer: no answer for dialog \"" << caption << "\"; pressing \"" << ButtonCaption(*button)
                << "\"\n";
        button->Click();
    }
    if (form.GetModalResult() == sdk::kModalNone) {
        Notices << "autoplacer: no answer for dialog \"" << caption << "\"; closing it with Cancel\n";
        form.SetModalResult(sdk::kModalCancel);
    }
}

int32_t ScriptedDialogHost::ShowModal(sdk::IDialogForm* form) {
    if (form == nullptr) {
        return sdk::kModalCancel;
    }
    interrupts::DialogScope scope;
    Presentation presentation;
    presentation.Caption = form->GetCaption();
    presentation.Name = form->GetName();
    if (OnPresent) {
        OnPresent(*form);
    }
    while (form->GetModalResult() == sdk::kModalNone) {
        if (scope.TakeInterrupt()) {
            presentation.Interrupted = true;
            AnswerDialogInterrupt(*form);
            break;
        }
        Answer* answer = NextAnswerFor(presentation.Name, presentation.Caption);
        if (answer == nullptr) {
            presentation.ByDefault = true;
            CloseByDefault(*form);
            break;
        }
        answer->Used = true;
        if (!answer->CloseWith.empty()) {
            ApplyClosingAnswer(*form, *answer);
        } else if (const std::string problem = ApplyDialogAction(*form, answer->Action); !problem.empty()) {
            Notices << "autoplacer: answer \"" << answer->Original << "\": " << problem << "\n";
        }
    }
    presentation.Result = form->GetModalResult();
    Presented.push_back(std::move(presentation));
    return form->GetModalResult();
}

int32_t ScriptedDialogHost::MessageBox(const char* text, const char* caption, sdk::MessageBoxKind kind) {
    const std::string title = caption != nullptr ? caption : "";
    const std::string message = text != nullptr ? text : "";
    Notices << "[" << title << "] " << message << "\n";
    Presentation presentation;
    presentation.Caption = title;
    presentation.Text = message;

    int32_t result = 0;
    while (result == 0) {
        Answer* answer = NextAnswerFor("", title);
        if (answer == nullptr) {
            break;
        }
        answer->Used = true;
        result = answer->CloseWith.empty() ? 0 : MessageBoxResult(answer->CloseWith, kind);
        if (result == 0) {
            Notices << "autoplacer: answer \"" << answer->Original << "\" does not answer this message box\n";
        }
    }
    if (result == 0) {
        presentation.ByDefault = true;
        if (kind == sdk::MessageBoxKind::YesNoQuestion) {
            Notices << "autoplacer: no answer for question \"" << title << "\"; answering No\n";
            result = sdk::kModalNo;
        } else {
            result = sdk::kModalOk;
        }
    }
    presentation.Result = result;
    Presented.push_back(std::move(presentation));
    return result;
}

}  // namespace app
