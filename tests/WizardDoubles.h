#pragma once

// A wizard and stages that write every call into a shared journal, for the wizard and menu tests.

#include "WidgetFactory.h"
#include "Wizard.h"
#include "WizardStage.h"

#include <CEGUI/widgets/FrameWindow.h>

#include <string>
#include <vector>

namespace Tolvarine::Test {

using Journal = std::vector<std::string>;

class JournalStage : public WizardStage {
public:
    JournalStage(const std::string& name, Wizard& wizard, Journal& journal)
        : WizardStage(name, wizard), name(name), journal(journal)
    {
    }
    void enter(bool forward) override { journal.push_back("enter " + name + (forward ? "+" : "-")); }
    void leave(bool forward) override { journal.push_back("leave " + name + (forward ? "+" : "-")); }
    void finish() override { journal.push_back("finish " + name); }

protected:
    // A 600 x 400 page, as the tutorial's.
    void buildPage() override
    {
        journal.push_back("build " + name);
        WidgetFactory::setClientSize(*getPage(), 600, 400);
    }

private:
    std::string name;
    Journal& journal;
};

class JournalWizard : public Wizard {
public:
    JournalWizard(CEGUI::Window* parent, Journal& journal) : Wizard("TestWizard", parent), journal(journal) {}

protected:
    void onStart() override { journal.push_back("onStart"); }
    void onFinish() override { journal.push_back("onFinish"); }
    void onBackOut() override { journal.push_back("onBackOut"); }

private:
    Journal& journal;
};

} // namespace Tolvarine::Test
