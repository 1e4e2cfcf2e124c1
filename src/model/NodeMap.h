#pragma once

#include "HugePages.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <vector>

namespace qm {

class TTreeNode;

// A salt for each node table made, whatever its values: one counter for
// the whole program, so that no two tables share a hash.
inline std::uint64_t NextNodeMapSalt()
{
    static std::atomic<std::uint64_t> tables{0};
    const std::uint64_t salt = (tables.fetch_add(1, std::memory_order_relaxed) + 1) * 0xD1B54A32D192ED03ULL;
    return salt ^ (salt >> 31);
}

// Values by node in one flat table, by open addressing: a look-up reads one
// entry, where std::unordered_map follows a pointer to an allocation of its
// own, a miss of the cache per look-up in a table of a million nodes. At
// most half full; erasing moves the entries after it back, so that every
// entry stays reachable from its home and no tombstones build up.
template <typename Value>
class TNodeMap {
public:
    const Value* Find(const TTreeNode* node) const
    {
        if (entries_.empty())
            return nullptr;
        const TEntry& entry = entries_[EntryOf(node)];
        return entry.node ? &entry.value : nullptr;
    }
    bool Contains(const TTreeNode* node) const { return Find(node) != nullptr; }
    // Asks for the node's home entry ahead of a Find: look-ups of a long list
    // of nodes then wait for memory together, not one after another.
    void Prefetch(const TTreeNode* node) const
    {
        if (!entries_.empty())
            __builtin_prefetch(&entries_[Home(node)]);
    }
    // Enters the node's value or replaces it.
    void Set(const TTreeNode* node, const Value& value)
    {
        TEntry& entry = EntryWithRoom(node);
        if (!entry.node) {
            entry.node = node;
            ++count_;
        }
        entry.value = value;
    }
    // Enters the node's value unless it has one; whether it entered.
    bool Insert(const TTreeNode* node, const Value& value)
    {
        TEntry& entry = EntryWithRoom(node);
        if (entry.node)
            return false;
        entry = {node, value};
        ++count_;
        return true;
    }
    // False when the node had no value.
    bool Erase(const TTreeNode* node)
    {
        if (entries_.empty())
            return false;
        std::size_t hole = EntryOf(node);
        if (!entries_[hole].node)
            return false;
        entries_[hole] = TEntry{};
        --count_;
        const std::size_t mask = entries_.size() - 1;
        for (std::size_t next = (hole + 1) & mask; entries_[next].node; next = (next + 1) & mask) {
            // An entry whose home lies cyclically after the hole, up to
            // itself, stays; any other moves back into the hole.
            const std::size_t home = Home(entries_[next].node);
            if (((next - home) & mask) < ((next - hole) & mask))
                continue;
            entries_[hole] = entries_[next];
            entries_[next] = TEntry{};
            hole = next;
        }
        return true;
    }
    // Room for `count` nodes, entered without growing the table.
    void Reserve(std::size_t count)
    {
        if (2 * count > entries_.size())
            Rehash(std::bit_ceil(2 * count));
    }
    // Empties the map and keeps its room.
    void Clear()
    {
        std::fill(entries_.begin(), entries_.end(), TEntry{});
        count_ = 0;
    }
    std::size_t Size() const { return count_; }
    // Calls `visit(node, value)` for every entry, in no particular order.
    // The map must not change meanwhile.
    template <typename Visit>
    void ForEach(Visit&& visit) const
    {
        for (const TEntry& entry : entries_) {
            if (entry.node)
                visit(entry.node, entry.value);
        }
    }

private:
    struct TEntry {
        const TTreeNode* node = nullptr; // null: empty
        Value value{};
    };

    std::size_t Home(const TTreeNode* node) const
    {
        // Each table mixes the address with a salt of its own: a table
        // filled in another one's order (its ForEach) would otherwise get
        // its nodes in the order of their homes, crowded into one run.
        std::uint64_t mixed = (reinterpret_cast<std::uintptr_t>(node) ^ salt_) * 0x9E3779B97F4A7C15ULL;
        mixed = (mixed ^ (mixed >> 29)) * 0xBF58476D1CE4E5B9ULL;
        return static_cast<std::size_t>(mixed >> shift_);
    }
    // The entry holding `node`, or the empty one where it would go.
    std::size_t EntryOf(const TTreeNode* node) const
    {
        const std::size_t mask = entries_.size() - 1;
        std::size_t at = Home(node);
        while (entries_[at].node && entries_[at].node != node)
            at = (at + 1) & mask;
        return at;
    }
    // EntryOf, the table grown first when one more entry would fill it
    // past half.
    TEntry& EntryWithRoom(const TTreeNode* node)
    {
        if (2 * (count_ + 1) > entries_.size())
            Rehash(std::max<std::size_t>(16, 2 * entries_.size()));
        return entries_[EntryOf(node)];
    }
    void Rehash(std::size_t size)
    {
        decltype(entries_) old(size);
        old.swap(entries_);
        shift_ = 64 - std::countr_zero(size);
        for (const TEntry& entry : old) {
            if (entry.node)
                entries_[EntryOf(entry.node)] = entry;
        }
    }

    std::vector<TEntry, THugePageAllocator<TEntry>> entries_; // a power of two long, or empty
    std::size_t count_ = 0;
    int shift_ = 64;
    std::uint64_t salt_ = NextNodeMapSalt();
};

// Nodes in one flat table, as TNodeMap keeps values: a set of a hundred
// thousand nodes costs no allocation per node.
class TNodeSet {
public:
    // Whether the node was not in the set before.
    bool Insert(const TTreeNode* node) { return nodes_.Insert(node, {}); }
    bool Erase(const TTreeNode* node) { return nodes_.Erase(node); }
    bool Contains(const TTreeNode* node) const { return nodes_.Contains(node); }
    std::size_t Size() const { return nodes_.Size(); }
    // Calls `visit(node)` for every node, in no particular order.
    template <typename Visit>
    void ForEach(Visit&& visit) const
    {
        nodes_.ForEach([&visit](const TTreeNode* node, TNone) { visit(node); });
    }

private:
    struct TNone {};
    TNodeMap<TNone> nodes_;
};

} // namespace qm
