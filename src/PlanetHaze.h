#pragma once

#include <OgreColourValue.h>
#include <OgreSimpleRenderable.h>

#include <string>

namespace Tolvarine {

// The glow around a planet: a flat disc of `segments` triangles in a fan around its centre, in
// its node's x-y plane, which the planet turns towards the viewer. Every vertex has the haze's
// colour; the texture coordinate u runs from 0 at the centre to 1 at the rim, so the material
// "PlanetHaze" shapes the glow along the radius. Scene queries never see it.
class PlanetHaze : public Ogre::SimpleRenderable {
public:
    PlanetHaze(const std::string& name, float size, const Ogre::ColourValue& colour, unsigned segments);
    ~PlanetHaze() override;
    PlanetHaze(const PlanetHaze&) = delete;
    PlanetHaze& operator=(const PlanetHaze&) = delete;

    // The radius of a disc at distance - hazeRadius from the viewer that covers the same angle
    // as a sphere of hazeRadius at `distance`; 0 for a haze of radius 0. In double: the gap
    // distance - hazeRadius reaches twice the distance.
    static double discRadius(double hazeRadius, double distance);

    Ogre::Real getBoundingRadius() const override;
    // Measured from the disc's node, where it is in the world, so that the transparent disc is
    // sorted among the other transparent objects by its own distance from the camera.
    Ogre::Real getSquaredViewDepth(const Ogre::Camera* camera) const override;

private:
    void fillVertices(float size, const Ogre::ColourValue& colour, unsigned segments);
};

} // namespace Tolvarine
