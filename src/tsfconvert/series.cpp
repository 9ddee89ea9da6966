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
    // Most inputs are in time order already and need no order of their own; the stable sort
    // keeps input order within a time.
    std::vector<std::size_t> order;
    const bool sorted =
        std::is_sorted(observations.begin(), observations.end(),
                       [](const Observation& a, const Observation& b) { return a.time < b.time; });
    if (!sorted) {
        order.resize(observations.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(), earlier);
    }

    HourlySelection selection;
    auto& records = selection.records;
    // Each observation is offered to the full hours around it. Offers come in time order, so
    // an hour's entry lies at the end of the list or just before it, and of two equally
    // near observations the one offered first, the earlier, stays.
    const Seconds window = static_cast<Seconds>(windowMinutes) * 60;
    std::vector<Seconds> distance;
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
    if (rule == HourlyRule::Exact) {
        records.reserve(observations.size());
    }
    bool first = true;
    Seconds previous = 0;
    for (std::size_t k = 0; k < observations.size(); ++k) {
        const std::size_t i = sorted ? k : order[k];
        const Seconds time = observations[i].time;
        if (!first && time == previous) {
            selection.duplicates.push_back(i);
            continue;
        }
        first = false;
        previous = time;
        if (rule == HourlyRule::Exact) {
            records.push_back({time, i});
            continue;
        }
        const Seconds before = FloorHour(time);
        for (const Seconds hour : {before, before + kHour}) {
            const Seconds d = hour > time ? hour - time : time - hour;
            if (d <= window) {
                offer(hour, i, d);
            }
        }
    }
    std::sort(selection.duplicates.begin(), selection.duplicates.end());
    return selection;
}

}  // namespace corvane::tsfconvert
