#pragma once

#include <cstdint>
#include <map>
#include <unordered_map>

namespace qm {

// The ids carried by the nodes of a tree, as a multiset, answering "the
// smallest non-negative id nobody carries" in logarithmic time. Non-negative
// ids are kept as disjoint runs [first, last], so a hostile id such as 2^31 - 1
// costs one entry, not an array that long, and the ids 1 .. n of a saved
// drawing one entry in all. Only ids carried more than once, and negative
// ones, are counted apart.
class TIdRegistry {
public:
    void Add(std::int32_t id);
    void Remove(std::int32_t id);
    bool Contains(std::int32_t id) const;
    // The smallest id >= 0 that no node carries.
    std::int64_t SmallestFree() const;
    void Clear();

private:
    bool InRuns(std::int32_t id) const;
    void AddToRuns(std::int32_t id);
    void RemoveFromRuns(std::int32_t id);

    // Carriers of a non-negative id beyond the first; all carriers of a
    // negative one.
    std::unordered_map<std::int32_t, int> extra_;
    std::map<std::int64_t, std::int64_t> runs_; // first -> last, inclusive
};

} // namespace qm
