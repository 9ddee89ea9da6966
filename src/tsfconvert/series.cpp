#include "tsfconvert/series.h"

#include <algorithm>
#include <numeric>

namespace corvane::tsfconvert {
namespace {

Seconds FloorHour(Seconds time) {
    const Seconds rest = time % kHour;
    return time - (rest < 0 ? rest + kHour : rest);
}

}  // namespace

HourlySelection SelectHours(const Series& series, HourlyRule rule, int windowMinutes) {
    const auto& observations = series.observations;
    const auto earlier = [&](std::size_t a, std::size_t b) {
        return observations[a].time < observations[b].time;
    };
    std::vector<std::size_t> order(observations.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Most inputs are in time order already; the stable sort keeps input order within a time.
    if (!std::is_sorted(order.begin(), order.end(), earlier)) {
        std::stable_sort(order.begin(), order.end(), earlier);
    }

    HourlySelection selection;
    std::vector<std::size_t> unique;
    unique.reserve(order.size());
    for (const std::size_t i : order) {
        if (!unique.empty() && observations[unique.back()].time == observations[i].time) {
            selection.duplicates.push_back(i);
        } else {
            unique.push_back(i);
        }
    }
    std::sort(selection.duplicates.begin(), selection.duplicates.end());

    if (rule == HourlyRule::Exact) {
        selection.records.reserve(unique.size());
        for (const std::size_t i : unique) {
            selection.records.push_back({observations[i].time, i});
        }
        return selection;
    }

    // Each observation is offered to the full hours around it. Offers come in time order, so
    // an hour's entry lies at the end of the list or just before it, and of two equally
    // near observations the one offered first, the earlier, stays.
    const Seconds window = static_cast<Seconds>(windowMinutes) * 60;
    std::vector<Seconds> distance;
    auto& records = selection.records;
    const auto offer = [&](Seconds hour, std::size_t i, Seconds d) {
        std::size_t at = records.size();
        while (at > 0 && records[at - 1].end > hour) {
            --at;
        }
        if (at > 0 && records[at - 1].end == hour) {
            if (d < distance[at - 1]) {
                records[at - 1].observation = i;
                distance[at - 1] = d;
            }
            return;
        }
        records.insert(records.begin() + static_cast<std::ptrdiff_t>(at), {hour, i});
        distance.insert(distance.begin() + static_cast<std::ptrdiff_t>(at), d);
    };
    for (const std::size_t i : unique) {
        const Seconds time = observations[i].time;
        const Seconds before = FloorHour(time);
        for (const Seconds hour : {before, before + kHour}) {
            const Seconds d = hour > time ? hour - time : time - hour;
            if (d <= window) {
                offer(hour, i, d);
            }
        }
    }
    return selection;
}

}  // namespace corvane::tsfconvert
