#pragma once

#include "framework/LGeometry.h"

#include <memory>
#include <vector>

class LSceneNode;
class LSurface;

// What a node needs of the view that shows it: a way to have part of the picture painted
// again.
class LSceneViewRef {
public:
    virtual ~LSceneViewRef() = default;
    // The whole control.
    virtual void Update() = 0;
    // The node's bounding rectangle.
    virtual void UpdateNode(const LSceneNode& node) = 0;
};

// A node of a retained drawing: it draws itself and then its children, each child in the
// frame of its own position. Positions are absolute scene positions, not offsets from the
// parent; attaching a node adds the parent's position to the node's (so a position set
// before attaching counts from the parent) and moving a node moves its whole subtree.
//
// Besides its bounding rectangle (for hit testing and invalidation) every node can tell
// the rectangle its own drawing may cover. The union of those over a subtree is kept, so
// that painting part of a large scene visits only the subtrees that reach into it.
class LSceneNode {
public:
    LSceneNode() = default;
    LSceneNode(const LSceneNode&) = delete;
    LSceneNode& operator=(const LSceneNode&) = delete;
    virtual ~LSceneNode();

    float GetX() const { return x_; }
    float GetY() const { return y_; }
    // Places the node and its subtree so that the node is at (x, y).
    void SetPosition(float x, float y);
    void MoveBy(float dx, float dy);

    // Draws the node's own content in `matrix` (which maps the node's (0, 0) to the
    // surface), then the children in list order, each in `matrix` moved to its position.
    // With `clip` (a rectangle in scene coordinates), subtrees whose drawing cannot reach
    // into it are passed over; the pixels inside `clip` are the same either way.
    virtual void Draw(LSurface& surface, const LMatrix& matrix, const LRectF* clip = nullptr);
    // The topmost node under a point in this node's frame: the last child, in list order,
    // that answers, else this node's own answer (none for the base).
    virtual LSceneNode* HitTest(float x, float y);
    // In the node's own frame; the union of the children's for the base.
    virtual LRectF GetBoundingRect() const;

    // Mouse events in node coordinates; nothing happens in the base.
    virtual void EvMouseMove(float, float) {}
    virtual void EvLButtonDown(float, float) {}
    virtual void EvLButtonUp(float, float) {}
    virtual void EvRButtonDown(float, float) {}
    virtual void EvRButtonUp(float, float) {}
    virtual void EvMButtonDown(float, float) {}
    virtual void EvMButtonUp(float, float) {}

    // Appends a child (drawn after, so above, the others) or puts it first (drawn below
    // them). The child's position counts from this node's.
    LSceneNode& AddNodeTop(std::unique_ptr<LSceneNode> child);
    LSceneNode& AddNodeBottom(std::unique_ptr<LSceneNode> child);
    template <class T>
    T& AddTop(std::unique_ptr<T> child)
    {
        return static_cast<T&>(AddNodeTop(std::move(child)));
    }
    template <class T>
    T& AddBottom(std::unique_ptr<T> child)
    {
        return static_cast<T&>(AddNodeBottom(std::move(child)));
    }
    // Deletes a child with its subtree; false when it is not a child of this node.
    bool DeleteNode(const LSceneNode* child);
    void DeleteChildren();
    // Deletes the children for which `condition` holds, keeping the others in order.
    template <class Condition>
    void DeleteChildrenIf(Condition condition);

    // Places a child at (lx, ly) from this node's position.
    void SetChildLocalPosition(LSceneNode& child, float lx, float ly);

    const std::vector<std::unique_ptr<LSceneNode>>& Children() const { return children_; }
    LSceneNode* GetParent() const { return parent_; }
    LSceneViewRef* GetView() const { return view_; }
    // Sets the view of this node and its subtree.
    void SetView(LSceneViewRef* view);
    // Asks the view to paint the node's area again.
    void Update();

    // The rectangle, in scene coordinates, that the node and its subtree may draw on.
    LRectF GetSubtreePaintRect() const;

protected:
    // Draws the node's own content; nothing for the base.
    virtual void DrawContent(LSurface&, const LMatrix&) {}
    // The rectangle, in the node's frame, that DrawContent may draw on; empty for none.
    virtual LRectF GetPaintRect() const { return {}; }
    // To be called when what GetPaintRect answers has changed.
    void InvalidatePaintRect();

private:
    void MoveSubtree(float dx, float dy);
    void Attached(LSceneNode& child);

    float x_ = 0;
    float y_ = 0;
    LSceneNode* parent_ = nullptr;
    LSceneViewRef* view_ = nullptr;
    std::vector<std::unique_ptr<LSceneNode>> children_;

    mutable LRectF subtreePaintRect_;
    mutable bool subtreePaintRectKnown_ = false;
    mutable bool subtreePaintRectEmpty_ = true;
};

template <class Condition>
void LSceneNode::DeleteChildrenIf(Condition condition)
{
    std::erase_if(children_,
                  [&](const std::unique_ptr<LSceneNode>& child) { return condition(*child); });
    InvalidatePaintRect();
}
