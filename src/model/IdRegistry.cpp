#include "IdRegistry.h"

#include <iterator>

namespace qm {

void TIdRegistry::Add(std::int32_t id)
{
    if (id >= 0 && !InRuns(id))
        AddToRuns(id);
    else
        ++extra_[id];
}

void TIdRegistry::Remove(std::int32_t id)
{
    if (const auto found = extra_.find(id); found != extra_.end()) {
        if (--found->second == 0)
            extra_.erase(found);
    } else if (id >= 0 && InRuns(id)) {
        RemoveFromRuns(id);
    }
}

bool TIdRegistry::Contains(std::int32_t id) const
{
    return id >= 0 ? InRuns(id) : extra_.contains(id);
}

bool TIdRegistry::InRuns(std::int32_t id) const
{
    const auto after = runs_.upper_bound(id);
    return after != runs_.begin() && std::prev(after)->second >= id;
}

std::int64_t TIdRegistry::SmallestFree() const
{
    if (runs_.empty() || runs_.begin()->first != 0)
        return 0;
    return runs_.begin()->second + 1;
}

void TIdRegistry::Clear()
{
    extra_.clear();
    runs_.clear();
}

void TIdRegistry::AddToRuns(std::int32_t id)
{
    std::int64_t first = id;
    std::int64_t last = id;
    auto next = runs_.lower_bound(id);
    if (next != runs_.begin()) {
        const auto previous = std::prev(next);
        if (previous->second + 1 == id) {
            first = previous->first;
            runs_.erase(previous);
        }
    }
    if (next != runs_.end() && next->first == id + std::int64_t{1}) {
        last = next->second;
        runs_.erase(next);
    }
    runs_[first] = last;
}

void TIdRegistry::RemoveFromRuns(std::int32_t id)
{
    auto run = std::prev(runs_.upper_bound(id)); // the run holding id
    const std::int64_t first = run->first;
    const std::int64_t last = run->second;
    runs_.erase(run);
    if (first < id)
        runs_[first] = id - std::int64_t{1};
    if (id < last)
        runs_[id + std::int64_t{1}] = last;
}

} // namespace qm
