#pragma once

#include "SurfaceX.h"

#include "model/BoxIndex.h"
#include "model/ObjectTree.h"

#include <cstdint>
#include <optional>
#include <unordered_set>
#include <vector>

namespace qm {

// What each item of the drawing covers on the canvas, kept up to date
// through the tree's notifications, so that after an edit only the part of
// the picture that changed is drawn again, with only the items there.
//
// Bounds come from drawing the item on a TBoundsCanvas, text measured on
// the canvas the picture is drawn on; they are generous, never short. The
// index is built when the first change after a full render is announced,
// before the change, so it holds the bounds of the picture as drawn; from
// then on TakeDamage hands over the region the changes since changed: the
// old and new bounds of every changed item with its descendants, whose
// places follow their ancestors.
class TDrawingIndex final : private TTreeObserver {
public:
    // Text is measured on the canvas of `surface`, the one the picture is drawn on.
    TDrawingIndex(TObjectTree& tree, TSurfaceX& surface);
    ~TDrawingIndex() override;
    TDrawingIndex(const TDrawingIndex&) = delete;
    TDrawingIndex& operator=(const TDrawingIndex&) = delete;

    bool Built() const { return built_; }
    // Bounds every item of the drawing as it is now.
    void Build();
    // A full render drew the drawing as it is now: nothing counts as changed.
    void NoteFullRender();

    // Whether every change since the last full render went through the
    // tree's notifications (none wrote records past them, no document was
    // opened), so that TakeDamage covers all the picture lacks.
    bool FollowsPicture() const { return follows_; }
    // Brings the bounds up to date with the changes announced; the region
    // they changed waits for TakeDamage.
    void Update();
    // The region that changes since the last call or full render changed,
    // inclusive pixels (empty when none), bounds brought up to date.
    TRect TakeDamage();
    // The items drawn from the Object root whose bounds meet `area`, in
    // drawing order (bounds brought up to date first).
    std::vector<TTreeNode*> ItemsMeeting(const TRect& area);
    // The bounds kept for a node (null when none): what its item covers.
    const TRect* BoundsOf(const TTreeNode* node) const { return bounds_.Find(node); }

private:
    void NodeAdded(TTreeNode* node) override;
    void NodeRemoving(TTreeNode* node) override;
    void NodeChanging(TTreeNode* node) override;
    void TreeReset() override;
    void DrawingChanged() override;
    void Reset();

    void MarkDirty(TTreeNode* node);
    // Bounds `node` and its descendants again (not the trash and Temp),
    // adding old and new bounds to the damage; `done`, when given, keeps a
    // node from being bounded twice.
    void Rebound(const TTreeNode* node, std::unordered_set<const TTreeNode*>* done);
    TRect ItemBounds(const TTreeNode* node);
    // Items whose priority lies in [low, high) appear or vanish with a new
    // ItemCounter, and their descendants with them.
    void DamagePriorities(std::int32_t low, std::int32_t high);
    void AddDamage(const TRect& box);
    // Under the Object root, outside the trash and Temp: the only nodes
    // that may ever be drawn (a node keeps its ancestors while in the tree).
    bool InDrawing(const TTreeNode* node) const;

    TObjectTree& tree_;
    TSurfaceX& surface_;
    TBoxIndex bounds_;
    // Nodes of the drawing with children: their priority decides whether
    // their descendants are drawn.
    std::unordered_set<const TTreeNode*> groups_;
    std::unordered_set<TTreeNode*> dirty_;
    TRect damage_{0, 0, -1, -1};
    std::int32_t itemCounter_ = 0;
    bool built_ = false;
    bool follows_ = false;
};

} // namespace qm
