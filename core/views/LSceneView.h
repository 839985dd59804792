#pragma once

#include "views/LSceneNode.h"

class LSurface;

// What a scene view needs of the control that shows it.
class LSceneHost {
public:
    virtual ~LSceneHost() = default;
    virtual void InvalidateAll() = 0;
    // A rectangle in device pixels.
    virtual void InvalidateRect(const LRectF& rect) = 0;
};

// A scene shown in a control: the root node, the scroll offsets and the scale. A scene
// point p appears at the device point (p + offset) × scale; mouse events are hit-tested on
// the root and given to the node under the pointer (or the capture node) in that node's
// own coordinates.
class LSceneView : public LSceneViewRef {
public:
    LSceneView() = default;
    LSceneView(const LSceneView&) = delete;
    LSceneView& operator=(const LSceneView&) = delete;
    ~LSceneView() override;

    void SetHost(LSceneHost* host) { host_ = host; }
    // The root is owned by the caller (usually the derived view).
    void SetRootSceneNode(LSceneNode* root);
    LSceneNode* GetRootSceneNode() const { return root_; }

    LMatrix GetSceneToDevice() const;
    LPointF DeviceToScene(float px, float py) const;
    LRectF SceneToDevice(const LRectF& rect) const;
    LRectF DeviceToScene(const LRectF& rect) const;

    // Paints the scene; with `exposed` (device pixels), only what reaches into it.
    virtual void Prepaint(LSurface& surface, const LRectF* exposed);
    virtual void EvLButtonDown(int x, int y);
    virtual void EvLButtonUp(int x, int y);
    virtual void EvMouseMove(int x, int y);

    void Update() override;
    void UpdateNode(const LSceneNode& node) override;

    float offsetX = 0;
    float offsetY = 0;
    float scale = 1;
    LSceneNode* captureNode = nullptr;

private:
    // The node that receives a mouse event at a device point, and the point in its frame.
    LSceneNode* Target(int x, int y, LPointF& local) const;

    LSceneHost* host_ = nullptr;
    LSceneNode* root_ = nullptr;
};
