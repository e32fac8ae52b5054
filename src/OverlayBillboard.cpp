#include "OverlayBillboard.h"

#include "OverlayBillboardSet.h"

namespace Tolvarine {

OverlayBillboard::OverlayBillboard(const Ogre::Vector3& positionIn, OverlayBillboardSet& owner,
                                   const Ogre::ColourValue& colourIn)
    : position(positionIn)
    , parentSet(&owner)
    , colour(colourIn)
{
}

void OverlayBillboard::setPosition(const Ogre::Vector3& positionIn)
{
    position = positionIn;
    parentSet->_notifyBillboardResized();
}

void OverlayBillboard::setPosition(float x, float y, float z)
{
    setPosition(Ogre::Vector3(x, y, z));
}

void OverlayBillboard::setDimensions(float widthIn, float heightIn)
{
    ownDimensions = true;
    width = widthIn;
    height = heightIn;
    parentSet->_notifyBillboardResized();
}

void OverlayBillboard::setColour(const Ogre::ColourValue& colourIn)
{
    colour = colourIn;
    parentSet->_notifyBillboardResized();
}

void OverlayBillboard::setTexcoordIndex(std::uint16_t index)
{
    texcoordIndex = index;
    parentSet->_notifyBillboardResized();
}

} // namespace Tolvarine
