// A modal form of the plug-in's dialogs. The form owns its controls; ShowModal
// hands it to the host's dialog host, which presents it until a modal result is set.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "sdk/dialogs.h"
#include "ui/Controls.h"

namespace autoplacer::ui {

class TForm : public sdk::IDialogForm {
public:
    TForm(std::string name, std::string caption);
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;
    virtual ~TForm();

    std::string Name;
    std::string Caption;
    // A dialog border that cannot be resized.
    bool FixedBorder = true;
    bool CentredOnScreen = true;
    int32_t ClientWidth = 0;
    int32_t ClientHeight = 0;
    // The control that has the focus when the form shows (nil = the first one).
    TControl* ActiveControl = nullptr;

    // Runs before the form is presented.
    std::function<void()> OnShow;
    // Runs after the form closed, with the modal result it closed with.
    std::function<void(int32_t modalResult)> OnClose;

    // Creates a control owned by this form, inside parent (nil = the form itself).
    template <typename T>
    T* Add(TControl* parent, std::string name, std::string caption = {}) {
        static_assert(std::is_base_of_v<TControl, T>);
        auto control = std::make_unique<T>(std::move(name), std::move(caption));
        T* result = control.get();
        Adopt(std::move(control), parent);
        return result;
    }

    // The control of that name, nil when there is none.
    TControl* Find(const std::string& name) const;
    template <typename T>
    T* FindAs(const std::string& name) const {
        return dynamic_cast<T*>(Find(name));
    }
    const std::vector<std::unique_ptr<TControl>>& Controls() const { return OwnedControls; }

    // Presents the form modally and returns its modal result (kModalCancel when no
    // dialog host is available or the host gave up without a result).
    int32_t ShowModal();
    int32_t ModalResult() const { return Result; }

    // sdk::IDialogForm
    const char* GetName() const override { return Name.c_str(); }
    const char* GetCaption() const override { return Caption.c_str(); }
    int32_t GetControlCount() const override { return static_cast<int32_t>(OwnedControls.size()); }
    sdk::IDialogControl* GetControl(int32_t index) override;
    sdk::IDialogControl* FindControl(const char* name) override;
    int32_t GetModalResult() const override { return Result; }
    void SetModalResult(int32_t result) override { Result = result; }

private:
    void Adopt(std::unique_ptr<TControl> control, TControl* parent);

    std::vector<std::unique_ptr<TControl>> OwnedControls;
    int32_t Result = sdk::kModalNone;
};

}  // namespace autoplacer::ui
