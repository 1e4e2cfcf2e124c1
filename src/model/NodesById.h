#pragma once

#include <bit>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace qm {

class TTreeNode;

// Spreads ids over a hash table's slots, also ids that differ only in their
// high bits, but keeps each run of eight consecutive ids side by side: items
// are numbered one after another, and a file read or a table grown then
// touches one line of the cache per eight ids, not one per id.
inline std::size_t SpreadId(std::int32_t id)
{
    auto x = static_cast<std::uint32_t>(id) >> 3;
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return std::size_t{x} << 3 | (static_cast<std::uint32_t>(id) & 7);
}

// The nodes of a tree by the id their item carries. Nearly every id has one
// node, kept as one pointer in an open addressing table beside its id; the
// ids that several nodes share (a file may repeat ids) have a list apart,
// which a node leaves in constant time however many share its id.
class TNodesById {
public:
    // Room for `expected` nodes before the table grows.
    explicit TNodesById(std::size_t expected = 8) : single_(std::bit_ceil(2 * expected)), singleIds_(single_.size()) {}

    // `node` carries `id`, as it does until it is removed.
    void Add(TTreeNode* node, std::int32_t id);
    void Remove(TTreeNode* node, std::int32_t id);
    // Every node carrying `id`; empty when none does. Valid until the next change.
    std::span<TTreeNode* const> NodesWith(std::int32_t id) const;

private:
    // The entry holding the node with `id`, or the empty one where it would go.
    std::size_t SingleEntry(std::int32_t id) const;
    void AddSingle(TTreeNode* node, std::int32_t id);
    // Empties the entry and moves the entries after it back, so every node
    // stays reachable from its home entry.
    void EraseSingle(std::size_t entry);

    std::vector<TTreeNode*> single_; // at most half full
    // The id of each entry's node: probing a table of a million nodes reads
    // these and not the nodes, which lie all over memory.
    std::vector<std::int32_t> singleIds_;
    std::size_t singleCount_ = 0;
    std::unordered_map<std::int32_t, std::vector<TTreeNode*>> shared_;
};

} // namespace qm
