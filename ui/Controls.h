// The controls of the plug-in's dialogs. A control has a name, a caption, a
// parent inside its form and its own event handlers (std::function members named
// after the event). The plug-in never draws: the host presents the form through
// sdk::IDialogControl and reports the user's actions through the same interface,
// which runs the handlers.
//
// Convention: the sdk::IDialogControl setters are the user's actions and run the
// control's handlers; the plug-in's own code changes state with the plain
// members or the "...Silently" setters, which run none (except a track bar,
// whose OnChange follows every change of its position).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sdk/dialogs.h"

namespace autoplacer::ui {

class TForm;

class TControl : public sdk::IDialogControl {
public:
    TControl(sdk::ControlKind kind, std::string name, std::string caption);
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;
    virtual ~TControl() = default;

    std::string Name;
    std::string Caption;
    bool Visible = true;
    bool Enabled = true;
    // Position and size in dialog units, as the form lays the control out.
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;

    TForm* Owner() const { return OwnerForm; }
    TControl* Parent() const { return ParentControl; }
    // The control's index in its form's control list.
    int32_t Index() const { return FormIndex; }

    // sdk::IDialogControl: what every control answers.
    const char* GetName() const override { return Name.c_str(); }
    sdk::ControlKind GetKind() const override { return Kind; }
    const char* GetCaption() const override { return Caption.c_str(); }
    int32_t GetParentIndex() const override;
    bool IsVisible() const override;
    bool IsEnabled() const override;
    int32_t GetModalResult() const override { return sdk::kModalNone; }
    const char* GetText() const override { return ""; }
    void SetText(const char*) override {}
    bool GetChecked() const override { return false; }
    void SetChecked(bool) override {}
    int32_t GetItemCount() const override { return 0; }
    const char* GetItem(int32_t) const override { return ""; }
    int32_t GetItemIndex() const override { return -1; }
    void SetItemIndex(int32_t) override {}
    int32_t GetMin() const override { return 0; }
    int32_t GetMax() const override { return 0; }
    int32_t GetPosition() const override { return 0; }
    void SetPosition(int32_t) override {}
    void Click() override {}
    void DoubleClick() override {}
    bool DropFrom(sdk::IDialogControl*, int32_t, int32_t) override { return false; }

protected:
    // Whether this control itself shows (parents aside).
    virtual bool ShowsItself() const { return Visible; }
    // Told when a control is created with this one as its parent.
    virtual void ChildAdded(TControl&) {}
    // A user can act only on a control that is enabled and visible.
    bool AcceptsUserInput() const;
    // Runs a handler for a user's action. An exception from it must not reach
    // the host: it is reported in an error box and the dialog stays open.
    void RunUserAction(const std::function<void()>& action);

private:
    friend class TForm;
    sdk::ControlKind Kind;
    TForm* OwnerForm = nullptr;
    TControl* ParentControl = nullptr;
    int32_t FormIndex = -1;
};

class TLabel final : public TControl {
public:
    TLabel(std::string name, std::string caption);
};

// A push button. Clicking it runs OnClick and then, when ModalResult is not
// zero, closes the form with that result.
class TButton final : public TControl {
public:
    TButton(std::string name, std::string caption);

    int32_t ModalResult = sdk::kModalNone;
    std::function<void()> OnClick;

    int32_t GetModalResult() const override { return ModalResult; }
    void Click() override;
};

class TCheckBox final : public TControl {
public:
    TCheckBox(std::string name, std::string caption);

    std::function<void()> OnClick;

    bool GetChecked() const override { return Checked; }
    // The user's change: runs OnClick when the state changes.
    void SetChecked(bool checked) override;
    void SetCheckedSilently(bool checked) { Checked = checked; }
    // A click toggles the box.
    void Click() override;

private:
    bool Checked = false;
};

// Radio buttons with the same parent exclude one another.
class TRadioButton final : public TControl {
public:
    TRadioButton(std::string name, std::string caption);

    std::function<void()> OnClick;

    bool GetChecked() const override { return Checked; }
    // The user's selection: checks this button, clears its siblings and runs
    // OnClick. A user cannot clear a radio button; false is ignored.
    void SetChecked(bool checked) override;
    // Checking clears the siblings; no handler runs.
    void SetCheckedSilently(bool checked);
    void Click() override { SetChecked(true); }

private:
    bool Checked = false;
};

// A captioned group of exclusive choices given as item texts.
class TRadioGroup final : public TControl {
public:
    TRadioGroup(std::string name, std::string caption);

    std::vector<std::string> Items;
    std::function<void()> OnClick;

    int32_t GetItemCount() const override { return static_cast<int32_t>(Items.size()); }
    const char* GetItem(int32_t index) const override;
    int32_t GetItemIndex() const override { return ItemIndex; }
    // The user's choice: an index outside the items is ignored; runs OnClick.
    void SetItemIndex(int32_t index) override;
    // -1 or an index of Items; anything else selects nothing.
    void SetItemIndexSilently(int32_t index);

private:
    int32_t ItemIndex = -1;
};

// A single-line edit. The user's SetText stands for typing the text and leaving
// the edit: OnChange, then OnExit.
class TEdit final : public TControl {
public:
    explicit TEdit(std::string name, std::string caption = {});

    std::string Text;
    std::function<void()> OnChange;
    std::function<void()> OnExit;

    const char* GetText() const override { return Text.c_str(); }
    void SetText(const char* text) override;
};

// A list box whose items carry a text and a pointer (for example a net handle).
class TListBox final : public TControl {
public:
    struct TItem {
        std::string Text;
        void* Data = nullptr;
    };

    explicit TListBox(std::string name, std::string caption = {});

    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    // Whether a drag from source may be dropped here; without it nothing is accepted.
    std::function<bool(TControl& source)> OnDragOver;
    // A drop from source onto item toIndex (-1 = below the items); the source
    // list's dragged item is its selected item.
    std::function<void(TControl& source, int32_t toIndex)> OnDragDrop;

    int32_t Count() const { return static_cast<int32_t>(Items.size()); }
    const TItem& Item(int32_t index) const;
    void AddItem(std::string text, void* data = nullptr);
    // Removes an item; the selection follows the items it pointed at (none when
    // the selected item goes).
    void DeleteItem(int32_t index);
    void ClearItems();
    void SelectSilently(int32_t index);

    int32_t GetItemCount() const override { return Count(); }
    const char* GetItem(int32_t index) const override;
    int32_t GetItemIndex() const override { return ItemIndex; }
    // The user's selection: an index outside the items is ignored; runs OnClick.
    void SetItemIndex(int32_t index) override;
    void DoubleClick() override;
    bool DropFrom(sdk::IDialogControl* source, int32_t fromIndex, int32_t toIndex) override;

private:
    std::vector<TItem> Items;
    int32_t ItemIndex = -1;
};

// A framed group of controls with a caption.
class TGroupBox final : public TControl {
public:
    TGroupBox(std::string name, std::string caption);
};

class TPanel final : public TControl {
public:
    explicit TPanel(std::string name, std::string caption = {});
};

class TPageControl;

// One page of a page control; it shows while it is the active page.
class TTabSheet final : public TControl {
public:
    TTabSheet(std::string name, std::string caption);

    // Whether the page's tab is offered to the user.
    bool TabVisible = true;

protected:
    bool ShowsItself() const override;
};

// Pages (its TTabSheet children, in creation order) of which one is active.
class TPageControl final : public TControl {
public:
    explicit TPageControl(std::string name, std::string caption = {});

    std::function<void()> OnChange;

    int32_t PageCount() const { return static_cast<int32_t>(Pages.size()); }
    TTabSheet* Page(int32_t index) const;
    TTabSheet* ActivePage() const;
    int32_t ActivePageIndex() const { return ActiveIndex; }
    void SetActivePageIndex(int32_t index);
    void SetActivePage(const TTabSheet* page);

    int32_t GetItemCount() const override { return PageCount(); }
    const char* GetItem(int32_t index) const override;
    int32_t GetItemIndex() const override { return ActiveIndex; }
    // The user's page switch: only to a page whose tab is visible; runs OnChange.
    void SetItemIndex(int32_t index) override;

protected:
    void ChildAdded(TControl& child) override;

private:
    std::vector<TTabSheet*> Pages;
    int32_t ActiveIndex = -1;
};

// A track bar with a range; every change of the position runs OnChange.
class TTrackBar final : public TControl {
public:
    explicit TTrackBar(std::string name, std::string caption = {});

    std::function<void()> OnChange;

    // Sets the range (max below min is raised to min) and clamps the position into it.
    void SetRange(int32_t min, int32_t max);
    int32_t Position() const { return CurrentPosition; }

    // Clamps into the range; runs OnChange when the position changes.
    void MovePosition(int32_t position);

    int32_t GetMin() const override { return Min; }
    int32_t GetMax() const override { return Max; }
    int32_t GetPosition() const override { return CurrentPosition; }
    // The user's move (as MovePosition).
    void SetPosition(int32_t position) override;

private:
    int32_t Min = 0;
    int32_t Max = 10;
    int32_t CurrentPosition = 0;
};

}  // namespace autoplacer::ui
