#pragma once

#include <string>

namespace CEGUI {
class FrameWindow;
} // namespace CEGUI

namespace Tolvarine {

class Wizard;

// One page of a wizard: a frame window named after the stage, made hidden under the wizard's
// container. The concrete stage fills the page once and reacts to being entered and left.
class WizardStage {
public:
    WizardStage(const std::string& name, Wizard& wizard);
    virtual ~WizardStage();
    WizardStage(const WizardStage&) = delete;
    WizardStage& operator=(const WizardStage&) = delete;

    // `forward` is true when the wizard moves on, false when it steps back or is cancelled.
    virtual void enter(bool forward) = 0;
    virtual void leave(bool forward) = 0;
    // Called on every stage, in order, when the wizard has finished.
    virtual void finish() = 0;

    void showPage();
    void hidePage();
    // Fills the page and adds the wizard's buttons in a row at its bottom right, from right to
    // left Cancel, "Next >>" and "<< Prev"; only the first call does anything.
    void buildPageFrame();

    CEGUI::FrameWindow* getPage() const { return page; }

protected:
    virtual void buildPage() = 0;
    Wizard& getWizard() const { return wizard; }

private:
    Wizard& wizard;
    CEGUI::FrameWindow* page;
    bool built = false;
};

} // namespace Tolvarine
