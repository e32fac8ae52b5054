#pragma once

#include <OgreColourValue.h>
#include <OgreVector.h>

#include <cstdint>

namespace Tolvarine {

class OverlayBillboardSet;

// One screen-space quad of an OverlayBillboardSet. Its position is in normalised device
// coordinates (-1 to 1 across the viewport, y up); z is passed through to the vertices.
// Made only by its set's pool, which owns it. Every setter tells the set, which rewrites
// its vertices before it is drawn next.
class OverlayBillboard {
public:
    OverlayBillboard(const OverlayBillboard&) = delete;
    OverlayBillboard& operator=(const OverlayBillboard&) = delete;

    void setPosition(const Ogre::Vector3& position);
    void setPosition(float x, float y, float z);
    const Ogre::Vector3& getPosition() const { return position; }

    // Gives the billboard dimensions of its own; until then the set's defaults apply.
    void setDimensions(float width, float height);
    bool hasOwnDimensions() const { return ownDimensions; }
    float getOwnWidth() const { return width; }
    float getOwnHeight() const { return height; }

    void setColour(const Ogre::ColourValue& colour);
    const Ogre::ColourValue& getColour() const { return colour; }

    // Index into the set's table of texture rectangles.
    void setTexcoordIndex(std::uint16_t index);
    std::uint16_t getTexcoordIndex() const { return texcoordIndex; }

private:
    friend class OverlayBillboardSet;
    OverlayBillboard(const Ogre::Vector3& position, OverlayBillboardSet& owner,
                     const Ogre::ColourValue& colour = Ogre::ColourValue::White);

    bool ownDimensions = false;
    std::uint16_t texcoordIndex = 0;
    float width = 0.0f;
    float height = 0.0f;
    Ogre::Vector3 position;
    OverlayBillboardSet* parentSet;
    Ogre::ColourValue colour;
};

} // namespace Tolvarine
