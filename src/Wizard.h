#pragma once

#include <memory>
#include <string>
#include <vector>

namespace CEGUI {
class Window;
} // namespace CEGUI

namespace Tolvarine {

class WizardStage;

// A multi-page, step-by-step GUI sequence: an ordered list of stages, one page shown at a time,
// moved forward and back by the "Next >>" and "<< Prev" buttons every page gets, and cancelled by
// its "Cancel" button. The concrete wizard says what starting, finishing and backing out mean.
//
// With no current stage (none were added, or the wizard already finished or backed out) the
// moves do nothing, so a stray click or key after the end cannot reach past the list.
class Wizard {
public:
    // Makes the wizard's invisible container, named `name`, under `parent`.
    Wizard(const std::string& name, CEGUI::Window* parent);
    virtual ~Wizard();
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    void addStage(const std::shared_ptr<WizardStage>& stage);

    // Lets the concrete wizard set up (and add its stages), builds every page once and enters the
    // first stage.
    void start();
    // Leaves the current stage forward; past the last one the wizard finishes. Returns true, as the
    // page buttons' click handler.
    bool next();
    // Leaves the current stage backward; before the first one the wizard backs out.
    bool prev();
    // Hides the current page, leaves it and every earlier stage backward, and backs out.
    void cancel();

    CEGUI::Window* getRootWindow() const { return rootWindow; }
    bool hasCurrentStage() const { return current < stages.size(); }
    bool hasStages() const { return !stages.empty(); }

protected:
    virtual void onStart() = 0;
    virtual void onFinish() = 0;
    virtual void onBackOut() = 0;

private:
    // Ends the run: no stage is current until the next start.
    void clearCurrent() { current = stages.size(); }

    CEGUI::Window* rootWindow;
    std::vector<std::shared_ptr<WizardStage>> stages;
    std::size_t current = 0;
};

} // namespace Tolvarine
