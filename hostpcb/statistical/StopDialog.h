// The host's own stop question for its statistical placer, shown through the
// application's dialog host: the same form as the plug-in's stop dialog (name
// "StopPlacementDialog", caption "Confirm", Yes / No and the restore box), so that
// users and scripted answers meet one dialog whichever placer runs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sdk/dialogs.h"

namespace hostpcb::statistical {

struct StopAnswer {
    bool stop = false;     // Yes: the run ends
    bool restore = false;  // put every component back where it was
};

// Asks the user; without a dialog host the request is withdrawn.
StopAnswer AskToStop(sdk::IDialogHost* dialogs, bool restoreInitially);

// The form itself (exposed for tests).
class StopForm final : public sdk::IDialogForm {
public:
    explicit StopForm(bool restoreInitially);
    ~StopForm();
    StopForm(const StopForm&) = delete;
    StopForm& operator=(const StopForm&) = delete;

    const char* GetName() const override { return "StopPlacementDialog"; }
    const char* GetCaption() const override { return "Confirm"; }
    int32_t GetControlCount() const override;
    sdk::IDialogControl* GetControl(int32_t index) override;
    sdk::IDialogControl* FindControl(const char* name) override;
    int32_t GetModalResult() const override { return result_; }
    void SetModalResult(int32_t result) override { result_ = result; }

    bool RestoreChecked() const;

    class Control;

private:
    std::vector<std::unique_ptr<Control>> controls_;
    int32_t result_ = sdk::kModalNone;
};

}  // namespace hostpcb::statistical
