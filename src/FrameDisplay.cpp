#include "FrameDisplay.h"

namespace Tolvarine {

namespace {

std::string makeFrameName()
{
    static unsigned long counter = 0;
    return "Frame_" + std::to_string(counter++);
}

} // namespace

FrameDisplay::FrameDisplay(int frameType, Targetable* target, const Ogre::Vector3& offset)
    : frameType(frameType)
    , target(target)
    , offset(offset)
    , name(makeFrameName())
{
}

FrameDisplay::~FrameDisplay()
{
    deactivate();
}

void FrameDisplay::activate()
{
    active = true;
}

void FrameDisplay::deactivate()
{
    active = false;
}

void FrameDisplay::setSelected(bool newSelected)
{
    selected = newSelected;
}

} // namespace Tolvarine
