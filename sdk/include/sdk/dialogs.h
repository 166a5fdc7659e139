// How the host presents the plug-in's dialogs. The plug-in builds its forms from
// its own control library and never draws: a form's ShowModal hands the form to
// the host's dialog host through these interfaces, and the host feeds the user's
// clicks, edits, selections and drops back to the form's own handlers.
#pragma once

#include <stdint.h>

namespace sdk {

enum class ControlKind : int32_t {
    Label,
    Button,
    CheckBox,
    RadioButton,
    RadioGroup,
    Edit,
    ListBox,
    GroupBox,
    Panel,
    PageControl,
    TabSheet,
    TrackBar
};

// Modal results.
enum : int32_t { kModalNone = 0, kModalOk = 1, kModalCancel = 2, kModalYes = 6, kModalNo = 7 };

class IDialogControl {
public:
    virtual const char* GetName() const = 0;
    virtual ControlKind GetKind() const = 0;
    virtual const char* GetCaption() const = 0;
    virtual int32_t GetParentIndex() const = 0;  // index in the form's control list, -1 = the form
    virtual bool IsVisible() const = 0;          // the control and all its parents are visible
    virtual bool IsEnabled() const = 0;
    virtual int32_t GetModalResult() const = 0;  // buttons: the result they close the form with

    virtual const char* GetText() const = 0;  // edits
    virtual void SetText(const char* text) = 0;
    virtual bool GetChecked() const = 0;      // check boxes, radio buttons
    virtual void SetChecked(bool checked) = 0;  // a user's change: runs the control's click handler

    virtual int32_t GetItemCount() const = 0;  // list boxes, radio groups, page controls (pages)
    virtual const char* GetItem(int32_t index) const = 0;
    virtual int32_t GetItemIndex() const = 0;  // selected item, -1 when none
    virtual void SetItemIndex(int32_t index) = 0;

    virtual int32_t GetMin() const = 0;  // track bars
    virtual int32_t GetMax() const = 0;
    virtual int32_t GetPosition() const = 0;
    virtual void SetPosition(int32_t position) = 0;

    virtual void Click() = 0;        // buttons: runs the click handler, then closes with the modal result
    virtual void DoubleClick() = 0;  // list boxes
    // Drops item fromIndex of source onto item toIndex of this control (-1 = no item).
    // Returns false when the control does not accept the drop.
    virtual bool DropFrom(IDialogControl* source, int32_t fromIndex, int32_t toIndex) = 0;

protected:
    ~IDialogControl() = default;
};

class IDialogForm {
public:
    virtual const char* GetName() const = 0;
    virtual const char* GetCaption() const = 0;
    virtual int32_t GetControlCount() const = 0;
    virtual IDialogControl* GetControl(int32_t index) = 0;
    virtual IDialogControl* FindControl(const char* name) = 0;
    virtual int32_t GetModalResult() const = 0;  // nonzero closes the form
    virtual void SetModalResult(int32_t result) = 0;

protected:
    ~IDialogForm() = default;
};

enum class MessageBoxKind : int32_t { Error, Warning, Information, YesNoQuestion };

class IDialogHost {
public:
    // Presents the form until its modal result becomes nonzero; returns that result.
    virtual int32_t ShowModal(IDialogForm* form) = 0;
    // Error, warning and information boxes have one OK button and answer kModalOk;
    // questions answer kModalYes or kModalNo.
    virtual int32_t MessageBox(const char* text, const char* caption, MessageBoxKind kind) = 0;
    // Shows or hides the wait cursor.
    virtual void SetWaitCursor(bool busy) = 0;

protected:
    ~IDialogHost() = default;
};

// The current user's persistent settings: values under a key path, each stored with its type.
class IRegistry {
public:
    virtual bool ValueExists(const char* key, const char* name) = 0;
    virtual bool ReadString(const char* key, const char* name, char* value, int32_t capacity) = 0;
    virtual bool WriteString(const char* key, const char* name, const char* value) = 0;
    virtual bool ReadInteger(const char* key, const char* name, int32_t* value) = 0;
    virtual bool WriteInteger(const char* key, const char* name, int32_t value) = 0;
    virtual bool ReadBool(const char* key, const char* name, bool* value) = 0;
    virtual bool WriteBool(const char* key, const char* name, bool value) = 0;

protected:
    ~IRegistry() = default;
};

}  // namespace sdk
