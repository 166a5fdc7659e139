// What a person or a script can do to a plug-in form, shared by the terminal and
// the scripted presenters: finding controls, applying one action, and printing a
// form with the state of its visible controls.
//
// Actions (verbs in any letter case; NAME is a control's name or its caption
// without "&", ITEM an item index from 0 or an item's text):
//
//   click NAME                 press a button, toggle a check box, pick a radio button
//   check NAME / uncheck NAME  set a check box (or pick a radio button)
//   set NAME VALUE             edit text, track bar position, box state (1/0),
//                              or the item of a list box, radio group or page control
//   select NAME ITEM           select an item
//   double NAME [ITEM]         double-click a list box (selecting ITEM first)
//   drag SOURCE ITEM TARGET [ITEM]
//                              drag an item of SOURCE onto TARGET (onto its ITEM)
//   close [RESULT]             close the form (Cancel unless RESULT is given)
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "sdk/dialogs.h"

namespace app {

// The control of that name (exact, then ignoring case), or of that caption
// (ignoring case and "&"); nullptr when none matches.
sdk::IDialogControl* FindDialogControl(sdk::IDialogForm& form, const std::string& nameOrCaption);

// The index of an item given by number or by text (ignoring case and "&").
std::optional<int32_t> FindDialogItem(const sdk::IDialogControl& control, const std::string& item);

// Applies one action; an empty answer means it was done, otherwise the answer
// says why not.
std::string ApplyDialogAction(sdk::IDialogForm& form, const std::string& action);

// Applies "set": the value's meaning follows the control's kind.
std::string SetDialogValue(sdk::IDialogForm& form, sdk::IDialogControl& control, const std::string& value);

// The button that Enter presses: the first visible, enabled button whose modal
// result is OK, else Yes; nullptr when there is none.
sdk::IDialogControl* DefaultButton(sdk::IDialogForm& form);

// Prints the form's caption and its visible controls with their state.
void PrintDialogForm(sdk::IDialogForm& form, std::ostream& out);

// "Confirm" from "&Confirm"; texts compared as a person reads them.
std::string StripAccelerator(const std::string& text);
bool SameTextIgnoringCase(const std::string& a, const std::string& b);

}  // namespace app
