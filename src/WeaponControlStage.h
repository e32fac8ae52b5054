#pragma once

#include "WizardStage.h"

namespace Tolvarine {

// The tutorial's second page, "Weapon Control": the two weapon systems and target acquisition,
// with the inputs they are bound to. The inputs are read every time the page is shown, so that a
// binding changed in the menus since the first visit shows too.
class WeaponControlStage : public WizardStage {
public:
    explicit WeaponControlStage(Wizard& wizard);

    void enter(bool forward) override;
    void leave(bool) override {}
    void finish() override {}

protected:
    void buildPage() override;
};

} // namespace Tolvarine
