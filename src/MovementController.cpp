#include "MovementController.h"

#include "FatalError.h"
#include "ForceController.h"
#include "GameLog.h"


namespace Tolvarine {

MovementController* MovementController::singleton = nullptr;

MovementController::MovementController()
{
    singleton = this;
    try {
        axes = {makeAxis("backward_thrust", "forward_thrust", Command::Force, 2),
                makeAxis("right_thrust", "left_thrust", Command::Force, 0),
                makeAxis("up_thrust", "down_thrust", Command::Force, 1),
                makeAxis("pitch_up", "pitch_down", Command::Torque, 0),
                makeAxis("yaw_left", "yaw_right", Command::Torque, 1),
                makeAxis("roll_left", "roll_right", Command::Torque, 2)};
    } catch (...) {
        singleton = nullptr;
        throw;
    }
    updateSubscriptions();
}

MovementController::~MovementController()
{
    if (singleton == this)
        singleton = nullptr;
}

MovementController& MovementController::getSingleton()
{
    if (!singleton) {
        GameLog::line("MovementController used before it was created");
        throw FatalError();
    }
    return *singleton;
}

MovementController* MovementController::getSingletonPtr()
{
    return singleton;
}

std::unique_ptr<InputHandler::AxisSubscription> MovementController::makeAxis(const char* plus, const char* minus,
                                                                              Command command, int component)
{
    return std::make_unique<InputHandler::AxisSubscription>(plus, minus, [this, command, component](float value) {
        (command == Command::Force ? forceCommand : torqueCommand)[component] = value;
        applyCommand(command);
    });
}

void MovementController::applyCommand(Command command)
{
    if (!controller)
        return;
    if (command == Command::Force)
        controller->applyForce(forceCommand);
    else
        controller->applyTorque(torqueCommand);
}

void MovementController::setControllable(ForceController* newController)
{
    controller = newController;
    setEnabled(enabled);
    forceCommand = Ogre::Vector3::ZERO;
    torqueCommand = Ogre::Vector3::ZERO;
    applyCommand(Command::Force);
    applyCommand(Command::Torque);
}

void MovementController::setEnabled(bool on)
{
    enabled = on;
    updateSubscriptions();
}

void MovementController::disableAll()
{
    controller = nullptr;
    updateSubscriptions();
}

void MovementController::updateSubscriptions()
{
    const bool on = enabled && controller;
    for (auto& axis : axes)
        axis->setEnabled(on);
}

} // namespace Tolvarine
