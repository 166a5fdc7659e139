// A dialog form with a help button: a plain push button captioned "Help" or
// "&Help" asks the host to open the help topic of the dialog (and of its active
// page, when the dialog has pages).
#pragma once

#include <string>

#include "ui/Form.h"

namespace autoplacer {

// The host's user help file for PCB work; what the host opens for it is the host's.
inline constexpr const char* kPcbUserHelpFile = "PcbUser.hlp";

class TDialog : public ui::TForm {
public:
    TDialog(std::string name, std::string caption);

    // The topic the help button asks for: the caption without surrounding blanks,
    // then the active page's caption, with blanks and $ ( ) , - / ? taken out.
    std::string HelpTopic() const;
    // The text of the help command: "FileName = <file> | Topic = <topic>".
    std::string HelpCommandText() const;

    std::string HelpFileName = kPcbUserHelpFile;

protected:
    // Finds the help button and the page control among the form's controls;
    // called by a derived dialog once its controls exist.
    void BindHelp();

private:
    ui::TButton* HelpButton = nullptr;
    ui::TPageControl* Pages = nullptr;
};

}  // namespace autoplacer
