#ifndef KA_LIST_LAYOUT_H
#define KA_LIST_LAYOUT_H

#include "engine/gui/KaLayout.h"

// Lines its children up one after the other along a direction, spreads the
// free space of the size it is offered evenly between them (bounded by a
// minimum and a maximum margin, as fractions of its own width and height),
// then takes the size of what it holds. The user's size settings are kept:
// they read back as set, only the computed size is the content's.
//
// The gap is worked out on every axis, not only along the direction: a list
// stacking along y but offered more width than its children also spreads
// them sideways, unless the maximum margin's x is 0.
//
// The list is laid out again only when its own size is marked stale (its
// size, ratio or type setters, its parent's size, re-parenting, its margins
// or direction); adding, removing or resizing a child does not by itself.
class KaListLayout : public KaLayout {
public:
    // Stacks along y, margins unbounded.
    KaListLayout();
    ~KaListLayout() override;

    void setDirection(const KaVector3f32& direction);
    const KaVector3f32& direction() const { return mDirection; }
    void setMinimumMargin(const KaVector3f32& margin);
    const KaVector3f32& minimumMargin() const { return mMinimumMargin; }
    void setMaximumMargin(const KaVector3f32& margin);
    const KaVector3f32& maximumMargin() const { return mMaximumMargin; }

    void updateSize() override;

private:
    void updateChildrenPositions();

    KaVector3f32 mDirection;
    KaVector3f32 mMinimumMargin;
    KaVector3f32 mMaximumMargin;
};

#endif
