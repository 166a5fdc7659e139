// Presents the plug-in's dialogs from answers given in advance (flags or a
// file), for batch runs and tests. The answer syntax is described in
// docs/dialogs.md:
//
//   FORM.CONTROL=VALUE   set a control ("set CONTROL VALUE"; a button is clicked)
//   FORM=BUTTON          close the form by clicking that button (name or
//                        caption), or with a modal result (ok, cancel, yes, no, number)
//   FORM: ACTION         any action of the terminal presenter (drag, double, ...)
//
// FORM is a form's name or caption, or a message box's caption. Each answer is
// used once, in the order given. A form left without a closing answer is closed
// by its OK/Yes button, as Enter would; a question box without an answer gets
// "No", other message boxes "OK". Every such default is reported on the notice
// stream.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "sdk/dialogs.h"

namespace app {

class ScriptedDialogHost final : public sdk::IDialogHost {
public:
    explicit ScriptedDialogHost(std::ostream& notices);
    virtual ~ScriptedDialogHost() = default;

    // Adds one answer; answers the problem when it is malformed (empty when taken).
    std::string AddAnswer(const std::string& answer);
    // Adds the answers of a file, one per line; blank lines and lines starting
    // with "#" are skipped. Answers the first problem (empty when all were taken).
    std::string LoadAnswers(const std::string& path);

    int32_t ShowModal(sdk::IDialogForm* form) override;
    int32_t MessageBox(const char* text, const char* caption, sdk::MessageBoxKind kind) override;
    void SetWaitCursor(bool busy) override { WaitCursor = busy; }

    // One form or message box as it was presented.
    struct Presentation {
        std::string Caption;
        std::string Name;  // the form's name; empty for a message box
        std::string Text;  // a message box's text
        int32_t Result = 0;
        bool ByDefault = false;    // closed without an answer
        bool Interrupted = false;  // answered by Ctrl-C
    };
    const std::vector<Presentation>& History() const { return Presented; }
    // Whether an answer not used so far names that form (by name or caption).
    bool HasAnswerFor(const std::string& name, const std::string& caption) const;
    // Answers not used so far, as they were given.
    std::vector<std::string> UnusedAnswers() const;

    // Called with each form before its answers are applied (lets a test look at it).
    std::function<void(sdk::IDialogForm&)> OnPresent;

    bool WaitCursorShown() const { return WaitCursor; }

private:
    struct Answer {
        std::string Original;
        std::string Form;
        std::string Action;     // for actions: the action to apply
        std::string CloseWith;  // for closing answers: a button or modal result
        bool Used = false;
    };

    Answer* NextAnswerFor(const std::string& name, const std::string& caption);
    void ApplyClosingAnswer(sdk::IDialogForm& form, const Answer& answer);
    void CloseByDefault(sdk::IDialogForm& form);

    std::ostream& Notices;
    std::vector<Answer> Answers;
    std::vector<Presentation> Presented;
    bool WaitCursor = false;
};

// Ctrl-C during a dialog: the Yes button where there is one, otherwise Cancel.
void AnswerDialogInterrupt(sdk::IDialogForm& form);

}  // namespace app
