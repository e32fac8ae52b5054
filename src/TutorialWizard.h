#pragma once

#include "Wizard.h"

namespace Tolvarine {

// The tutorial the player opens from the main menu, run by the menu system. Finishing it goes back
// to the sheet under it; backing out (Prev on the first page, Cancel, or the back key) resumes the
// menu.
class TutorialWizard : public Wizard {
public:
    explicit TutorialWizard(CEGUI::Window* parent);

protected:
    void onStart() override;
    void onFinish() override;
    void onBackOut() override;
};

} // namespace Tolvarine
