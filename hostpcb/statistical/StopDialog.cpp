#include "hostpcb/statistical/StopDialog.h"

#include <cstring>

namespace hostpcb::statistical {

// A label, a button that closes the form with its result, or a check box.
class StopForm::Control final : public sdk::IDialogControl {
public:
    Control(StopForm& form, sdk::ControlKind kind, std::string name, std::string caption, int32_t modalResult = 0)
        : form_(form), kind_(kind), name_(std::move(name)), caption_(std::move(caption)), result_(modalResult) {}

    const char* GetName() const override { return name_.c_str(); }
    sdk::ControlKind GetKind() const override { return kind_; }
    const char* GetCaption() const override { return caption_.c_str(); }
    int32_t GetParentIndex() const override { return -1; }
    bool IsVisible() const override { return true; }
    bool IsEnabled() const override { return true; }
    int32_t GetModalResult() const override { return result_; }
    const char* GetText() const override { return ""; }
    void SetText(const char*) override {}
    bool GetChecked() const override { return checked_; }
    void SetChecked(bool checked) override {
        if (kind_ == sdk::ControlKind::CheckBox) checked_ = checked;
    }
    int32_t GetItemCount() const override { return 0; }
    const char* GetItem(int32_t) const override { return ""; }
    int32_t GetItemIndex() const override { return -1; }
    void SetItemIndex(int32_t) override {}
    int32_t GetMin() const override { return 0; }
    int32_t GetMax() const override { return 0; }
    int32_t GetPosition() const override { return 0; }
    void SetPosition(int32_t) override {}
    void Click() override {
        if (kind_ == sdk::ControlKind::CheckBox) checked_ = !checked_;
        if (kind_ == sdk::ControlKind::Button && result_ != sdk::kModalNone) form_.SetModalResult(result_);
    }
    void DoubleClick() override {}
    bool DropFrom(sdk::IDialogControl*, int32_t, int32_t) override { return false; }

private:
    StopForm& form_;
    sdk::ControlKind kind_;
    std::string name_;
    std::string caption_;
    int32_t result_;
    bool checked_ = false;
};

StopForm::StopForm(bool restoreInitially) {
    controls_.push_back(std::make_unique<Control>(*this, sdk::ControlKind::Label, "Question_Label",
                                                  "Do you want to stop auto placement?"));
    controls_.push_back(std::make_unique<Control>(*this, sdk::ControlKind::CheckBox, "Restore_CheckBox",
                                                  "&Restore components to old positions"));
    controls_.push_back(
        std::make_unique<Control>(*this, sdk::ControlKind::Button, "Yes_Button", "Yes", sdk::kModalOk));
    controls_.push_back(
        std::make_unique<Control>(*this, sdk::ControlKind::Button, "No_Button", "No", sdk::kModalCancel));
    controls_[1]->SetChecked(restoreInitially);
}

StopForm::~StopForm() = default;

int32_t StopForm::GetControlCount() const { return static_cast<int32_t>(controls_.size()); }

sdk::IDialogControl* StopForm::GetControl(int32_t index) {
    return index >= 0 && index < GetControlCount() ? controls_[std::size_t(index)].get() : nullptr;
}

sdk::IDialogControl* StopForm::FindControl(const char* name) {
    if (name == nullptr) return nullptr;
    for (const auto& control : controls_) {
        if (std::strcmp(control->GetName(), name) == 0) return control.get();
    }
    return nullptr;
}

bool StopForm::RestoreChecked() const { return controls_[1]->GetChecked(); }

StopAnswer AskToStop(sdk::IDialogHost* dialogs, bool restoreInitially) {
    if (dialogs == nullptr) return {};
    StopForm form(restoreInitially);
    const int32_t result = dialogs->ShowModal(&form);
    if (result != sdk::kModalOk) return {};
    return {true, form.RestoreChecked()};
}

}  // namespace hostpcb::statistical
