#pragma once

#include "InputHandler.h"

#include <OgreVector.h>

#include <array>
#include <memory>

namespace Tolvarine {

class ForceController;

// Turns the player's six control axes into thrust and torque on the focused object. Each axis is a
// pair of opposite input symbols; its value becomes one component of the force command or of the
// torque command, and the whole command goes to the focused object's force controller, which
// scales it by the object's maximum force or torque. Created once at start-up.
//
//   "backward_thrust" / "forward_thrust"  force z     "pitch_up" / "pitch_down"  torque x
//   "right_thrust" / "left_thrust"        force x     "yaw_left" / "yaw_right"   torque y
//   "up_thrust" / "down_thrust"           force y     "roll_left" / "roll_right" torque z
//
// So forward thrust is along the body's -z; pitch up, yaw left and roll left are positive turns.
class MovementController {
public:
    // Makes the six axis subscriptions and switches them off: they stay off until a controller is
    // attached and input is enabled. Needs the input handler.
    MovementController();
    ~MovementController();
    MovementController(const MovementController&) = delete;
    MovementController& operator=(const MovementController&) = delete;

    static MovementController& getSingleton();
    // Null before start-up has made the controller.
    static MovementController* getSingletonPtr();

    // Attaches the focused object's force controller. Both commands restart at zero and are handed
    // to it at once, so a newly focused ship starts without thrust or turn even while keys are held.
    void setControllable(ForceController* controller);
    // The axes are on exactly while a controller is attached and input is enabled.
    void setEnabled(bool on);
    // Detaches the controller and switches the axes off; the enabled flag is kept for the next
    // setControllable.
    void disableAll();

    ForceController* getControllable() const { return controller; }
    bool isEnabled() const { return enabled; }
    const Ogre::Vector3& getForceCommand() const { return forceCommand; }
    const Ogre::Vector3& getTorqueCommand() const { return torqueCommand; }

private:
    enum class Command { Force, Torque };

    std::unique_ptr<InputHandler::AxisSubscription> makeAxis(const char* plus, const char* minus,
                                                              Command command, int component);
    void applyCommand(Command command);
    void updateSubscriptions();

    static MovementController* singleton;

    ForceController* controller = nullptr;
    bool enabled = false;
    Ogre::Vector3 forceCommand = Ogre::Vector3::ZERO;
    Ogre::Vector3 torqueCommand = Ogre::Vector3::ZERO;
    std::array<std::unique_ptr<InputHandler::AxisSubscription>, 6> axes;
};

} // namespace Tolvarine
