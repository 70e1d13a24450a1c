// A run's irregular steps and segments over all its stations, in record order, one at a time.
#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <queue>
#include <utility>
#include <vector>

#include "report/steps.h"
#include "report/tally.h"

namespace report {

// Merges the stations' walks by the record each item starts at, so that rows
// leave in record order without being gathered first: memory follows the
// stations, not the rows.
template <class Cursor, class Item, long long Item::*Key>
class InOrder {
public:
    template <class... Args>
    explicit InOrder(const RunReport& r, Args... args) {
        for (const auto& [station, st] : r.tally.stations) {
            Cursor c(st.steps, args..., station);
            Item item;
            if (!c.next(item)) continue;
            heap_.push({item.*Key, cursors_.size()});
            cursors_.push_back(c);
            items_.push_back(item);
        }
    }

    bool next(Item& out) {
        if (heap_.empty()) return false;
        const std::size_t at = heap_.top().second;
        heap_.pop();
        out = items_[at];
        if (cursors_[at].next(items_[at])) heap_.push({items_[at].*Key, at});
        return true;
    }

private:
    std::vector<Cursor> cursors_;
    std::vector<Item> items_;  // each cursor's next item
    using Entry = std::pair<long long, std::size_t>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> heap_;
};

// The run's irregular steps, by the record before each: InOrderSteps(report, tolerance).
using InOrderSteps = InOrder<Steps::Walk, Irregular, &Irregular::after_record>;
// The run's segments, by their first record: InOrderSegments(report, tolerance).
using InOrderSegments = InOrder<Steps::Segments, Segment, &Segment::first_record>;

// Whether an irregular step is listed: with min_gap, gaps of at least that
// many seconds alone.
inline bool listed(const Irregular& i, const std::optional<long long>& min_gap) {
    return !min_gap || (i.kind == StepKind::gap && i.seconds >= *min_gap);
}

} // namespace report
