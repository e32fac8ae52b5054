#pragma once

#include <OgreAxisAlignedBox.h>
#include <OgreColourValue.h>
#include <OgreMovableObject.h>
#include <OgreRenderable.h>
#include <OgreVector.h>

#include <array>
#include <string>

namespace Tolvarine {

// A straight strip of light from `start` to `end` (in its parent node's frame), always turned to
// face the camera that draws it: a diamond at the start, a band of twice the width along the
// strip, and a point beyond the end. Its seven vertices are written in world coordinates each
// time a camera is about to draw it. The bounds are infinite, so the strip is never culled; its
// query flags are 0, so scene queries never find it.
class BeamBillboard : public Ogre::MovableObject, public Ogre::Renderable {
public:
    static const char* const MOVABLE_TYPE;
    static constexpr std::size_t VERTEX_COUNT = 7;
    static constexpr std::size_t INDEX_COUNT = 15;
    // The texture coordinates of the vertices: the band's centre line runs where u + v = 1.
    static const std::array<Ogre::Vector2, VERTEX_COUNT> TEXTURE_COORDINATES;
    // The five triangles, three vertex indices each.
    static const std::array<Ogre::uint16, INDEX_COUNT> INDICES;

    explicit BeamBillboard(const std::string& name);
    ~BeamBillboard() override;
    BeamBillboard(const BeamBillboard&) = delete;
    BeamBillboard& operator=(const BeamBillboard&) = delete;

    // An unknown material is logged and throws ConfigurationError.
    void setMaterial(const std::string& materialName);
    void setWidth(float newWidth) { width = newWidth; }
    void setStart(const Ogre::Vector3& point) { start = point; }
    void setEnd(const Ogre::Vector3& point) { end = point; }
    void setColour(const Ogre::ColourValue& newColour) { colour = newColour; }
    float getWidth() const { return width; }
    const Ogre::Vector3& getStart() const { return start; }
    const Ogre::Vector3& getEnd() const { return end; }
    const Ogre::ColourValue& getColour() const { return colour; }

    // The world positions of the seven vertices for a strip from `worldStart` to `worldEnd` seen
    // by a camera at `cameraPosition` looking along `cameraDirection`.
    static std::array<Ogre::Vector3, VERTEX_COUNT> computeVertices(const Ogre::Vector3& worldStart,
                                                                   const Ogre::Vector3& worldEnd,
                                                                   const Ogre::Vector3& cameraPosition,
                                                                   const Ogre::Vector3& cameraDirection, float width);

    // Rewrites the vertices to face `camera`.
    void _notifyCurrentCamera(Ogre::Camera* camera) override;
    const Ogre::String& getMovableType() const override;
    const Ogre::AxisAlignedBox& getBoundingBox() const override { return boundingBox; }
    Ogre::Real getBoundingRadius() const override;
    void _updateRenderQueue(Ogre::RenderQueue* queue) override;
    void visitRenderables(Ogre::Renderable::Visitor* visitor, bool debugRenderables) override;

    const Ogre::MaterialPtr& getMaterial() const override { return material; }
    void getRenderOperation(Ogre::RenderOperation& operation) override;
    // Identity: the vertices are already in world coordinates.
    void getWorldTransforms(Ogre::Matrix4* transform) const override;
    Ogre::Real getSquaredViewDepth(const Ogre::Camera* camera) const override;
    const Ogre::LightList& getLights() const override;

private:
    void writeVertices(const std::array<Ogre::Vector3, VERTEX_COUNT>& positions);

    Ogre::MaterialPtr material;
    Ogre::VertexData* vertexData = nullptr;
    Ogre::IndexData* indexData = nullptr;
    float width = 10.0f;
    Ogre::Vector3 start = Ogre::Vector3::ZERO;
    Ogre::Vector3 end = Ogre::Vector3::ZERO;
    Ogre::ColourValue colour = Ogre::ColourValue::White;
    Ogre::AxisAlignedBox boundingBox;
};

} // namespace Tolvarine
