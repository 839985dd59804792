#include "views/LSceneView.h"

#include <cmath>

LSceneView::~LSceneView()
{
    if (root_)
        root_->SetView(nullptr);
}

void LSceneView::SetRootSceneNode(LSceneNode* root)
{
    if (root_)
        root_->SetView(nullptr);
    root_ = root;
    if (root_)
        root_->SetView(this);
    Update();
}

LMatrix LSceneView::GetSceneToDevice() const
{
    return LMatrix::Identity().Scaled(scale, scale).Translated(offsetX, offsetY);
}

LPointF LSceneView::DeviceToScene(float px, float py) const
{
    return {px / scale - offsetX, py / scale - offsetY};
}

LRectF LSceneView::SceneToDevice(const LRectF& rect) const
{
    const LPointF topLeft = GetSceneToDevice().Map(rect.x, rect.y);
    return {topLeft.x, topLeft.y, rect.width * scale, rect.height * scale};
}

LRectF LSceneView::DeviceToScene(const LRectF& rect) const
{
    const LPointF topLeft = DeviceToScene(rect.x, rect.y);
    return {topLeft.x, topLeft.y, rect.width / scale, rect.height / scale};
}

void LSceneView::Prepaint(LSurface& surface, const LRectF* exposed)
{
    if (!root_)
        return;
    const LMatrix matrix = GetSceneToDevice().Translated(root_->GetX(), root_->GetY());
    if (exposed) {
        const LRectF clip = DeviceToScene(*exposed);
        root_->Draw(surface, matrix, &clip);
    } else {
        root_->Draw(surface, matrix);
    }
}

LSceneNode* LSceneView::Target(int x, int y, LPointF& local) const
{
    if (!root_)
        return nullptr;
    const LPointF scene = DeviceToScene(static_cast<float>(x), static_cast<float>(y));
    LSceneNode* node = captureNode;
    if (!node)
        node = root_->HitTest(scene.x - root_->GetX(), scene.y - root_->GetY());
    if (node)
        local = {scene.x - node->GetX(), scene.y - node->GetY()};
    return node;
}

void LSceneView::EvLButtonDown(int x, int y)
{
    LPointF local;
    if (LSceneNode* node = Target(x, y, local))
        node->EvLButtonDown(local.x, local.y);
}

void LSceneView::EvLButtonUp(int x, int y)
{
    LPointF local;
    if (LSceneNode* node = Target(x, y, local))
        node->EvLButtonUp(local.x, local.y);
}

void LSceneView::EvMouseMove(int x, int y)
{
    LPointF local;
    if (LSceneNode* node = Target(x, y, local))
        node->EvMouseMove(local.x, local.y);
}

void LSceneView::Update()
{
    if (host_)
        host_->InvalidateAll();
}

void LSceneView::UpdateNode(const LSceneNode& node)
{
    if (!host_)
        return;
    LRectF rect = node.GetBoundingRect();
    rect.x += node.GetX();
    rect.y += node.GetY();
    LRectF device = SceneToDevice(rect);
    // Whole pixels, with the one around the edge that antialiased outlines touch.
    const float left = std::floor(device.x) - 1;
    const float top = std::floor(device.y) - 1;
    device = {left, top, std::ceil(device.Right()) + 1 - left,
              std::ceil(device.Bottom()) + 1 - top};
    host_->InvalidateRect(device);
}
