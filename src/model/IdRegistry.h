#pragma once

#include <cstdint>
#include <map>
#include <unordered_map>

namespace qm {

// The ids carried by the nodes of a tree, as a multiset, answering "the
// smallest non-negative id nobody carries" in logarithmic time. Non-negative
// ids are kept as disjoint runs [first, last], so a hostile id such as 2^31 - 1
// costs one entry, not an array that long.
class TIdRegistry {
public:
    void Add(std::int32_t id);
    void Remove(std::int32_t id);
    bool Contains(std::int32_t id) const { return counts_.contains(id); }
    // The smallest id >= 0 that no node carries.
    std::int64_t SmallestFree() const;
    void Clear();

private:
    void AddToRuns(std::int32_t id);
    void RemoveFromRuns(std::int32_t id);

    std::unordered_map<std::int32_t, int> counts_;
    std::map<std::int64_t, std::int64_t> runs_; // first -> last, inclusive
};

} // namespace qm
