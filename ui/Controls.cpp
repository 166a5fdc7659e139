#include "ui/Controls.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "ui/Form.h"
#include "ui/MessageBoxes.h"

namespace autoplacer::ui {

using sdk::ControlKind;

TControl::TControl(ControlKind kind, std::string name, std::string caption)
    : Name(std::move(name)), Caption(std::move(caption)), Kind(kind) {}

int32_t TControl::GetParentIndex() const { return ParentControl != nullptr ? ParentControl->FormIndex : -1; }

bool TControl::IsVisible() const {
    for (const TControl* control = this; control != nullptr; control = control->ParentControl) {
        if (!control->ShowsItself()) {
            return false;
        }
    }
    return true;
}

bool TControl::IsEnabled() const {
    for (const TControl* control = this; control != nullptr; control = control->ParentControl) {
        if (!control->Enabled) {
            return false;
        }
    }
    return true;
}

bool TControl::AcceptsUserInput() const { return IsEnabled() && IsVisible(); }

void TControl::RunUserAction(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        ShowError(error.what());
    } catch (...) {
        ShowError("Unexpected error in " + Name);
    }
}

TLabel::TLabel(std::string name, std::string caption)
    : TControl(ControlKind::Label, std::move(name), std::move(caption)) {}

TButton::TButton(std::string name, std::string caption)
    : TControl(ControlKind::Button, std::move(name), std::move(caption)) {}

void TButton::Click() {
    if (!AcceptsUserInput()) {
        return;
    }
    RunUserAction([this] {
        if (OnClick) {
            OnClick();
        }
        if (ModalResult != sdk::kModalNone && Owner() != nullptr) {
            Owner()->SetModalResult(ModalResult);
        }
    });
}

TCheckBox::TCheckBox(std::string name, std::string caption)
    : TControl(ControlKind::CheckBox, std::move(name), std::move(caption)) {}

void TCheckBox::SetChecked(bool checked) {
    if (!AcceptsUserInput() || checked == Checked) {
        return;
    }
    Checked = checked;
    RunUserAction([this] {
        if (OnClick) {
            OnClick();
        }
    });
}

void TCheckBox::Click() { SetChecked(!Checked); }

TRadioButton::TRadioButton(std::string name, std::string caption)
    : TControl(ControlKind::RadioButton, std::move(name), std::move(caption)) {}

void TRadioButton::SetChecked(bool checked) {
    if (!checked || !AcceptsUserInput() || Checked) {
        return;
    }
    SetCheckedSilently(true);
    RunUserAction([this] {
        if (OnClick) {
            OnClick();
        }
    });
}

void TRadioButton::SetCheckedSilently(bool checked) {
    Checked = checked;
    if (!checked || Owner() == nullptr) {
        return;
    }
    for (const auto& control : Owner()->Controls()) {
        auto* sibling = dynamic_cast<TRadioButton*>(control.get());
        if (sibling != nullptr && sibling != this && sibling->Parent() == Parent()) {
            sibling->Checked = false;
        }
    }
}

TRadioGroup::TRadioGroup(std::string name, std::string caption)
    : TControl(ControlKind::RadioGroup, std::move(name), std::move(caption)) {}

const char* TRadioGroup::GetItem(int32_t index) const {
    return index >= 0 && index < GetItemCount() ? Items[static_cast<std::size_t>(index)].c_str() : "";
}

void TRadioGroup::SetItemIndex(int32_t index) {
    if (!AcceptsUserInput() || index < 0 || index >= GetItemCount()) {
        return;
    }
    ItemIndex = index;
    RunUserAction([this] {
        if (OnClick) {
            OnClick();
        }
    });
}

void TRadioGroup::SetItemIndexSilently(int32_t index) {
    ItemIndex = index >= 0 && index < GetItemCount() ? index : -1;
}

TEdit::TEdit(std::string name, std::string caption)
    : TControl(ControlKind::Edit, std::move(name), std::move(caption)) {}

void TEdit::SetText(const char* text) {
    if (!AcceptsUserInput()) {
        return;
    }
    Text = text != nullptr ? text : "";
    RunUserAction([this] {
        if (OnChange) {
            OnChange();
        }
        if (OnExit) {
            OnExit();
        }
    });
}

TListBox::TListBox(std::string name, std::string caption)
    : TControl(ControlKind::ListBox, std::move(name), std::move(caption)) {}

const TListBox::TItem& TListBox::Item(int32_t index) const {
    if (index < 0 || index >= Count()) {
        throw std::out_of_range("List box index out of bounds (" + std::to_string(index) + ")");
    }
    return Items[static_cast<std::size_t>(index)];
}

void TListBox::AddItem(std::string text, void* data) { Items.push_back(TItem{std::move(text), data}); }

void TListBox::DeleteItem(int32_t index) {
    Item(index);  // range check
    Items.erase(Items.begin() + index);
    if (ItemIndex == index) {
        ItemIndex = -1;
    } else if (ItemIndex > index) {
        --ItemIndex;
    }
}

void TListBox::ClearItems() {
    Items.clear();
    ItemIndex = -1;
}

void TListBox::SelectSilently(int32_t index) { ItemIndex = index >= 0 && index < Count() ? index : -1; }

const char* TListBox::GetItem(int32_t index) const {
    return index >= 0 && index < Count() ? Items[static_cast<std::size_t>(index)].Text.c_str() : "";
}

void TListBox::SetItemIndex(int32_t index) {
    if (!AcceptsUserInput() || index < 0 || index >= Count()) {
        return;
    }
    ItemIndex = index;
    RunUserAction([this] {
        if (OnClick) {
            OnClick();
        }
    });
}

void TListBox::DoubleClick() {
    if (!AcceptsUserInput()) {
        return;
    }
    RunUserAction([this] {
        if (OnDblClick) {
            OnDblClick();
        }
    });
}

bool TListBox::DropFrom(sdk::IDialogControl* source, int32_t fromIndex, int32_t toIndex) {
    // Only controls of the same form can be dragged here.
    auto* sourceControl = dynamic_cast<TControl*>(source);
    if (!AcceptsUserInput() || sourceControl == nullptr || sourceControl->Owner() != Owner()) {
        return false;
    }
    bool accepted = false;
    RunUserAction([&] { accepted = OnDragOver && OnDragOver(*sourceControl); });
    if (!accepted) {
        return false;
    }
    if (auto* sourceList = dynamic_cast<TListBox*>(sourceControl)) {
        if (fromIndex < 0 || fromIndex >= sourceList->Count()) {
            return false;
        }
        sourceList->SelectSilently(fromIndex);
    }
    const int32_t target = toIndex >= 0 && toIndex < Count() ? toIndex : -1;
    RunUserAction([&] {
        if (OnDragDrop) {
            OnDragDrop(*sourceControl, target);
        }
    });
    return true;
}

TGroupBox::TGroupBox(std::string name, std::string caption)
    : TControl(ControlKind::GroupBox, std::move(name), std::move(caption)) {}

TPanel::TPanel(std::string name, std::string caption)
    : TControl(ControlKind::Panel, std::move(name), std::move(caption)) {}

TTabSheet::TTabSheet(std::string name, std::string caption)
    : TControl(ControlKind::TabSheet, std::move(name), std::move(caption)) {}

bool TTabSheet::ShowsItself() const {
    const auto* pages = dynamic_cast<const TPageControl*>(Parent());
    return Visible && (pages == nullptr || pages->ActivePage() == this);
}

TPageControl::TPageControl(std::string name, std::string caption)
    : TControl(ControlKind::PageControl, std::move(name), std::move(caption)) {}

TTabSheet* TPageControl::Page(int32_t index) const {
    return index >= 0 && index < PageCount() ? Pages[static_cast<std::size_t>(index)] : nullptr;
}

TTabSheet* TPageControl::ActivePage() const { return Page(ActiveIndex); }

void TPageControl::SetActivePageIndex(int32_t index) { ActiveIndex = index >= 0 && index < PageCount() ? index : -1; }

void TPageControl::SetActivePage(const TTabSheet* page) {
    const auto found = std::find(Pages.begin(), Pages.end(), page);
    ActiveIndex = found == Pages.end() ? -1 : static_cast<int32_t>(found - Pages.begin());
}

const char* TPageControl::GetItem(int32_t index) const {
    const TTabSheet* page = Page(index);
    return page != nullptr ? page->Caption.c_str() : "";
}

void TPageControl::SetItemIndex(int32_t index) {
    const TTabSheet* page = Page(index);
    if (!AcceptsUserInput() || page == nullptr || !page->TabVisible || index == ActiveIndex) {
        return;
    }
    ActiveIndex = index;
    RunUserAction([this] {
        if (OnChange) {
            OnChange();
        }
    });
}

void TPageControl::ChildAdded(TControl& child) {
    if (auto* page = dynamic_cast<TTabSheet*>(&child)) {
        Pages.push_back(page);
        if (ActiveIndex < 0) {
            ActiveIndex = 0;
        }
    }
}

TTrackBar::TTrackBar(std::string name, std::string caption)
    : TControl(ControlKind::TrackBar, std::move(name), std::move(caption)) {}

void TTrackBar::SetRange(int32_t min, int32_t max) {
    Min = min;
    Max = std::max(min, max);
    MovePosition(CurrentPosition);
}

void TTrackBar::MovePosition(int32_t position) {
    const int32_t clamped = std::clamp(position, Min, Max);
    if (clamped == CurrentPosition) {
        return;
    }
    CurrentPosition = clamped;
    if (OnChange) {
        OnChange();
    }
}

void TTrackBar::SetPosition(int32_t position) {
    if (AcceptsUserInput()) {
        RunUserAction([&] { MovePosition(position); });
    }
}

}  // namespace autoplacer::ui
