#pragma once

#include <OgreAxisAlignedBox.h>
#include <OgreColourValue.h>
#include <OgreMaterial.h>
#include <OgreMovableObject.h>
#include <OgreRenderable.h>
#include <OgreVector.h>

#include <cstdint>
#include <deque>
#include <list>
#include <string>
#include <vector>

namespace Ogre {
class IndexData;
class VertexData;
} // namespace Ogre

namespace Tolvarine {

class OverlayBillboard;

// A set of flat, coloured, textured quads drawn in screen space, on top of the scene and
// independent of the camera: the splash and exit screens, the star's flare and the target
// frames. Positions are normalised device coordinates (-1 to 1 across the viewport, y up), so
// a billboard of 2 x 2 at the origin covers the whole viewport.
//
// Billboards come from a pool that the set owns: created ones are active, removed ones go to
// the back of a free list and are reused from its front. Every change raises an update flag,
// and the vertex buffer is rewritten only then, when the scene manager next tells the set of
// the camera, just before the set is queued for rendering.
class OverlayBillboardSet : public Ogre::MovableObject, public Ogre::Renderable {
public:
    struct TextureRect {
        float left;
        float top;
        float right;
        float bottom;
    };

    // Where a billboard's position lies on its quad.
    enum BillboardOrigin {
        TOP_LEFT = 0,
        TOP_CENTRE = 1,
        TOP_RIGHT = 2,
        CENTRE_LEFT = 3,
        CENTRE = 4,
        CENTRE_RIGHT = 5,
        BOTTOM_LEFT = 6,
        BOTTOM_CENTRE = 7,
        BOTTOM_RIGHT = 8
    };

    // Material "BaseWhite", one full texture rectangle, origin CENTRE, default dimensions 1 x 1,
    // and poolSize idle billboards. The buffers are made at the first camera notification.
    OverlayBillboardSet(const std::string& name, unsigned poolSize);
    ~OverlayBillboardSet() override;

    OverlayBillboardSet(const OverlayBillboardSet&) = delete;
    OverlayBillboardSet& operator=(const OverlayBillboardSet&) = delete;

    // Movable object.
    const Ogre::String& getMovableType() const override;
    void _notifyCurrentCamera(Ogre::Camera* camera) override;
    const Ogre::AxisAlignedBox& getBoundingBox() const override;
    Ogre::Real getBoundingRadius() const override;
    void _updateRenderQueue(Ogre::RenderQueue* queue) override;
    void visitRenderables(Ogre::Renderable::Visitor* visitor, bool debugRenderables = false) override;

    // Renderable. The identity view and projection put the set in screen space.
    const Ogre::MaterialPtr& getMaterial() const override;
    void getRenderOperation(Ogre::RenderOperation& op) override;
    void getWorldTransforms(Ogre::Matrix4* xform) const override;
    Ogre::Real getSquaredViewDepth(const Ogre::Camera* camera) const override;
    const Ogre::LightList& getLights() const override;

    // Grows the pool vector to size, each new billboard at the origin in white.
    virtual void increasePool(unsigned size);
    virtual unsigned getNumBillboards() const;
    // Whether an exhausted pool may grow (it doubles); on by default.
    virtual void setAutoextend(bool autoextend);
    virtual bool getAutoextend() const;
    // Only grows: new billboards join the back of the free list and the buffers are made
    // again, sized for the new pool, at the next camera notification.
    virtual void setPoolSize(unsigned size);
    virtual unsigned getPoolSize() const;
    // Returns every active billboard to the free list.
    virtual void clear();
    // The index-th active billboard in creation order; null when there is none.
    virtual OverlayBillboard* getBillboard(unsigned index) const;
    // Returns an active billboard to the back of the free list; anything else changes nothing.
    virtual void removeBillboard(OverlayBillboard* billboard);
    virtual void removeBillboard(unsigned index);
    virtual void setBillboardOrigin(BillboardOrigin origin);
    virtual BillboardOrigin getBillboardOrigin() const;
    virtual void setDefaultDimensions(float width, float height);
    virtual void setDefaultWidth(float width);
    virtual float getDefaultWidth() const;
    virtual void setDefaultHeight(float height);
    virtual float getDefaultHeight() const;
    // Throws the rendering engine's ItemIdentityException ("Could not find material " + name)
    // when no material has the name; the set then keeps the name and has no material.
    virtual void setMaterialName(const std::string& name);
    virtual const std::string& getMaterialName() const;
    virtual void _notifyBillboardResized();
    // Copies count rectangles into the table; none gives the one full rectangle.
    virtual void setTextureCoords(const TextureRect* rectangles, std::uint16_t count);
    // A grid of stacks x slices rectangles, row by row from the bottom of the texture; 0 counts as 1.
    virtual void setTextureStacksAndSlices(std::uint8_t stacks, std::uint8_t slices);
    virtual const TextureRect* getTextureCoords(std::uint16_t* count) const;

    // Takes the billboard at the front of the free list and makes it active at the position in
    // the colour. It keeps the dimensions and texture rectangle it had before. With an empty free
    // list the pool doubles, or, with auto-extend off, null is returned.
    OverlayBillboard* createBillboard(const Ogre::Vector3& position,
                                      const Ogre::ColourValue& colour = Ogre::ColourValue::White);
    OverlayBillboard* createBillboard(float x, float y, float z,
                                      const Ogre::ColourValue& colour = Ogre::ColourValue::White);

private:
    struct OriginOffsets {
        float left;
        float right;
        float top;
        float bottom;
    };
    static OriginOffsets originOffsets(BillboardOrigin origin);
    void cornerOffsets(const OriginOffsets& origin, float width, float height, Ogre::Vector3 corners[4]) const;

    void updateBounds();
    void createBuffers();
    void destroyBuffers();
    void updateVertices();
    const TextureRect& textureRectFor(const OverlayBillboard& billboard) const;

    Ogre::AxisAlignedBox boundingBox;
    Ogre::Real boundingRadius = 0.0f;
    BillboardOrigin origin = CENTRE;
    float defaultWidth = 1.0f;
    float defaultHeight = 1.0f;
    std::string materialName;
    Ogre::MaterialPtr material;
    bool autoextend = true;
    std::list<OverlayBillboard*> activeBillboards;
    std::deque<OverlayBillboard*> freeBillboards;
    std::vector<OverlayBillboard*> billboardPool;
    Ogre::VertexData* vertexData = nullptr;
    Ogre::IndexData* indexData = nullptr;
    std::vector<TextureRect> textureCoords;
    bool buffersCreated = false;
    bool updateNeeded = true;
    unsigned poolSize = 0;  // the number of billboards the buffers are sized for
};

} // namespace Tolvarine
