#include "views/LSceneNode.h"

LSceneNode::~LSceneNode() = default;

void LSceneNode::SetPosition(float x, float y)
{
    MoveBy(x - x_, y - y_);
}

void LSceneNode::MoveBy(float dx, float dy)
{
    if (dx == 0 && dy == 0)
        return;
    MoveSubtree(dx, dy);
    if (parent_)
        parent_->InvalidatePaintRect();
}

void LSceneNode::MoveSubtree(float dx, float dy)
{
    x_ += dx;
    y_ += dy;
    if (subtreePaintRectKnown_ && !subtreePaintRectEmpty_) {
        subtreePaintRect_.x += dx;
        subtreePaintRect_.y += dy;
    }
    for (const auto& child : children_)
        child->MoveSubtree(dx, dy);
}

void LSceneNode::Draw(LSurface& surface, const LMatrix& matrix, const LRectF* clip)
{
    if (clip) {
        const LRectF reach = GetSubtreePaintRect();
        if (reach.IsEmpty() || !reach.Intersects(*clip))
            return;
        LRectF own = GetPaintRect();
        own.x += x_;
        own.y += y_;
        if (!own.IsEmpty() && own.Intersects(*clip))
            DrawContent(surface, matrix);
    } else {
        DrawContent(surface, matrix);
    }
    for (const auto& child : children_)
        child->Draw(surface, matrix.Translated(child->x_ - x_, child->y_ - y_), clip);
}

LSceneNode* LSceneNode::HitTest(float x, float y)
{
    LSceneNode* hit = nullptr;
    for (const auto& child : children_)
        if (LSceneNode* answer = child->HitTest(x - (child->x_ - x_), y - (child->y_ - y_)))
            hit = answer;
    return hit;
}

LRectF LSceneNode::GetBoundingRect() const
{
    LRectF bounds;
    bool first = true;
    for (const auto& child : children_) {
        LRectF rect = child->GetBoundingRect();
        rect.x += child->x_ - x_;
        rect.y += child->y_ - y_;
        bounds = first ? rect : bounds.United(rect);
        first = false;
    }
    return bounds;
}

LSceneNode& LSceneNode::AddNodeTop(std::unique_ptr<LSceneNode> child)
{
    LSceneNode& added = *children_.emplace_back(std::move(child));
    Attached(added);
    return added;
}

LSceneNode& LSceneNode::AddNodeBottom(std::unique_ptr<LSceneNode> child)
{
    LSceneNode& added = **children_.insert(children_.begin(), std::move(child));
    Attached(added);
    return added;
}

void LSceneNode::Attached(LSceneNode& child)
{
    child.parent_ = this;
    child.MoveSubtree(x_, y_);
    child.SetView(view_);
    InvalidatePaintRect();
}

bool LSceneNode::DeleteNode(const LSceneNode* child)
{
    for (auto it = children_.begin(); it != children_.end(); ++it)
        if (it->get() == child) {
            children_.erase(it);
            InvalidatePaintRect();
            return true;
        }
    return false;
}

void LSceneNode::DeleteChildren()
{
    children_.clear();
    InvalidatePaintRect();
}

void LSceneNode::SetChildLocalPosition(LSceneNode& child, float lx, float ly)
{
    child.SetPosition(x_ + lx, y_ + ly);
}

void LSceneNode::SetView(LSceneViewRef* view)
{
    view_ = view;
    for (const auto& child : children_)
        child->SetView(view);
}

void LSceneNode::Update()
{
    if (view_)
        view_->UpdateNode(*this);
}

void LSceneNode::InvalidatePaintRect()
{
    // Ancestors of a node whose rectangle is unknown are unknown too, so the walk can stop
    // at the first one that already is.
    for (LSceneNode* node = this; node && node->subtreePaintRectKnown_; node = node->parent_)
        node->subtreePaintRectKnown_ = false;
}

LRectF LSceneNode::GetSubtreePaintRect() const
{
    if (subtreePaintRectKnown_)
        return subtreePaintRectEmpty_ ? LRectF{} : subtreePaintRect_;
    LRectF reach = GetPaintRect();
    bool empty = reach.IsEmpty();
    reach.x += x_;
    reach.y += y_;
    for (const auto& child : children_) {
        const LRectF childReach = child->GetSubtreePaintRect();
        if (childReach.IsEmpty())
            continue;
        reach = empty ? childReach : reach.United(childReach);
        empty = false;
    }
    subtreePaintRect_ = reach;
    subtreePaintRectEmpty_ = empty;
    subtreePaintRectKnown_ = true;
    return empty ? LRectF{} : reach;
}
