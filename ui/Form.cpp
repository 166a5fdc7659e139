#include "ui/Form.h"

#include <stdexcept>

#include "ui/DialogHost.h"

namespace autoplacer::ui {

TForm::TForm(std::string name, std::string caption) : Name(std::move(name)), Caption(std::move(caption)) {}

TForm::~TForm() = default;

void TForm::Adopt(std::unique_ptr<TControl> control, TControl* parent) {
    if (parent != nullptr && parent->Owner() != this) {
        throw std::invalid_argument("Control " + control->Name + " placed in a control of another form");
    }
    control->OwnerForm = this;
    control->ParentControl = parent;
    control->FormIndex = static_cast<int32_t>(OwnedControls.size());
    OwnedControls.push_back(std::move(control));
    if (parent != nullptr) {
        parent->ChildAdded(*OwnedControls.back());
    }
}

TControl* TForm::Find(const std::string& name) const {
    for (const auto& control : OwnedControls) {
        if (control->Name == name) {
            return control.get();
        }
    }
    return nullptr;
}

sdk::IDialogControl* TForm::GetControl(int32_t index) {
    return index >= 0 && index < GetControlCount() ? OwnedControls[static_cast<std::size_t>(index)].get() : nullptr;
}

sdk::IDialogControl* TForm::FindControl(const char* name) { return name != nullptr ? Find(name) : nullptr; }

int32_t TForm::ShowModal() {
    Result = sdk::kModalNone;
    if (OnShow) {
        OnShow();
    }
    sdk::IDialogHost* host = CurrentDialogHost();
    int32_t answer = host != nullptr ? host->ShowModal(this) : sdk::kModalCancel;
    if (answer == sdk::kModalNone) {
        answer = sdk::kModalCancel;
    }
    Result = answer;
    if (OnClose) {
        OnClose(Result);
    }
    return Result;
}

}  // namespace autoplacer::ui
