#ifndef KA_I_LAYOUT_H
#define KA_I_LAYOUT_H

#include "engine/color/KaColor.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/world/KaI3DObject2.h"

// What a GUI layout offers on top of the object tree: sizes and positions in
// pixels or in fractions of the parent, an anchor, aspect-ratio rules and the
// automatic stacking of children in z. KaLayout is the implementation; read
// its header for the behaviour.
class KaILayout : public virtual KaI3DObject2 {
public:
    enum CoordinatesType { Pixel = 0, Percent = 1 };
    enum RatioMode { None = 0, LetterBox = 1, PanScan = 2 };
    // Stored and returned, never interpreted by the layout itself.
    typedef unsigned int DrawMode;

    ~KaILayout() override { }

    virtual void enableAutoZ() = 0;
    virtual void disableAutoZ() = 0;
    virtual bool isAutoZEnabled() const = 0;
    virtual void setMode(DrawMode mode) = 0;
    virtual DrawMode mode() const = 0;
    virtual void setSizeType(CoordinatesType type) = 0;
    virtual CoordinatesType sizeType() const = 0;
    virtual KaVector3f32 userSize() const = 0;
    virtual void setRatio(float ratio) = 0;
    virtual float ratio() const = 0;
    virtual void setRatioMode(RatioMode mode) = 0;
    virtual RatioMode ratioMode() const = 0;
    virtual void setSafeAreaRatio(float ratio) = 0;
    virtual float safeAreaRatio() const = 0;
    virtual void setAnchor(const KaVector3f32& anchor) = 0;
    virtual KaVector3f32 anchor() const = 0;
    virtual void setPositionType(CoordinatesType type) = 0;
    virtual CoordinatesType positionType() const = 0;
    virtual KaVector3f32 userPosition() const = 0;
    virtual void setEditionColor(const KaColor& color) = 0;
    virtual KaVector3f32 transformMousePosition(const KaVector2s32& point) = 0;
    virtual bool isMouseIn(const KaVector2s32& point) = 0;
};

#endif
