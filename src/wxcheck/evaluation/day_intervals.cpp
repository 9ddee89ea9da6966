#include "wxcheck/evaluation/day_intervals.h"

#include <algorithm>

namespace corvane::wxcheck {

namespace {

// Adds the kept pairs [first, last) of one day to its row, a quantity at a time, so that its
// sums stay in registers; `shift` holds the observed means the sums are taken about, `pools`
// which scalar quantities count.
void AddScalars(DayRow& row, const KeptPair* first, const KeptPair* last,
                const std::array<double, 3>& shift, const std::array<bool, 3>& pools) {
    for (std::size_t k = 0; k < 3; ++k) {
        if (!pools[k]) {
            continue;
        }
        const std::size_t slot = static_cast<std::size_t>(kScalarSlots[k]);
        std::array<double, DayRow::kScalarValues> sums{};
        for (const KeptPair* pair = first; pair != last; ++pair) {
            if (pair->Uses(slot)) {
                const auto [observed, predicted] = pair->Values(slot);
                DayRow::AddScalarTo(sums.data(), observed, predicted, shift[k]);
            }
        }
        double* v = row.value.data() + k * DayRow::kScalarValues;
        for (std::size_t i = 0; i < DayRow::kScalarValues; ++i) {
            v[i] += sums[i];
        }
    }
}

// The end of the run of pairs from `first` on that fall on the same day (`dayOf`).
template <typename DayOf>
const KeptPair* DayEnd(const KeptPair* first, const KeptPair* last, DayOf dayOf) {
    const std::int64_t day = dayOf(*first);
    const KeptPair* end = first + 1;
    while (end != last && dayOf(*end) == day) {
        ++end;
    }
    return end;
}

// The first KeptPair::DayHour of the period's first day row.
std::int64_t FirstDayHour(const ControlSettings& settings) {
    return PeriodRows(settings).DayStartHour(0);
}

}  // namespace

DayTable StationDayTable(const ControlSettings& settings, const StationResult& station) {
    std::array<double, 3> shift{};
    for (std::size_t k = 0; k < 3; ++k) {
        shift[k] = station.partials[0].first[k].MeanObserved();
    }
    const std::int64_t firstDayHour = FirstDayHour(settings);
    // The scalar sums from the pairs, the wind sums from the station's windDays (both in
    // day order), each day one row.
    DayTable table;
    const auto dayOf = [firstDayHour](const KeptPair& pair) {
        return (pair.DayHour() - firstDayHour) / 24;
    };
    auto wind = station.windDays.cbegin();
    const KeptPair* const last = station.kept.data() + station.kept.size();
    for (const KeptPair* first = station.kept.data(); first != last;) {
        const KeptPair* const end = DayEnd(first, last, dayOf);
        DayRow row;
        AddScalars(row, first, end, shift, {true, true, true});
        const std::int64_t day = dayOf(*first);
        if (wind != station.windDays.cend() && wind->day == day) {
            for (std::size_t i = 0; i < DayWind::kValues; ++i) {
                row.value[DayRow::kDirection + i] = wind->value[i];
            }
            ++wind;
        }
        table.Append(row);
        first = end;
    }
    return table;
}

void StationIntervals(const ControlSettings& settings, StationResult& station,
                      const BootstrapSettings& bootstrap) {
    if (bootstrap.resamples <= 0 || !station.evaluated || station.partials.empty()) {
        std::vector<DayWind>().swap(station.windDays);  // nothing to pool them for
        return;
    }
    station.intervals =
        BootstrapIntervals(StationDayTable(settings, station), bootstrap.resamples,
                           StreamSeed(bootstrap.seed, static_cast<std::uint64_t>(station.number)));
}

DayTable PooledDayTable(const ControlSettings& settings, const std::vector<StationResult>& stations,
                        const PooledResults& pooled, unsigned threads) {
    if (pooled.all.empty()) {
        return {};
    }
    std::array<double, 3> shift{};
    for (std::size_t k = 0; k < 3; ++k) {
        const ScalarStats& s = pooled.all[0].scalar[k];
        shift[k] = s.n > 0 && std::isfinite(s.meanObserved)
                       ? s.meanObserved - (k == kScalarTemperature ? kKelvinOffset : 0.0)
                       : 0.0;
    }
    const PeriodRows rows(settings);
    std::vector<DayRow> days(static_cast<std::size_t>(rows.dayCount));
    // A block of days at a time, each station's pairs of the block found once and gone
    // through in order: each day still adds the stations in station order.
    constexpr std::size_t kBlockDays = 16;
    const std::size_t blocks = (days.size() + kBlockDays - 1) / kBlockDays;
    ParallelFor(blocks, threads, [&](std::size_t b) {
        const std::size_t firstDay = b * kBlockDays;
        const std::size_t endDay = std::min(days.size(), firstDay + kBlockDays);
        const std::int64_t first = rows.DayStartHour(static_cast<std::int64_t>(firstDay));
        const std::int64_t last = rows.DayStartHour(static_cast<std::int64_t>(endDay - 1)) + 23;
        for (const StationResult& station : stations) {
            if (!station.evaluated) {
                continue;
            }
            const std::array<bool, 3> pools = {true, true, station.humidity == pooled.humidity};
            const std::vector<KeptPair>& kept = station.kept;
            const KeptPair* pair =
                std::lower_bound(kept.data(), kept.data() + kept.size(), first,
                                 [](const KeptPair& p, std::int64_t h) { return p.DayHour() < h; });
            const KeptPair* const end =
                std::upper_bound(pair, kept.data() + kept.size(), last,
                                 [](std::int64_t h, const KeptPair& p) { return h < p.DayHour(); });
            const auto dayOf = [first](const KeptPair& p) { return (p.DayHour() - first) / 24; };
            while (pair != end) {
                const KeptPair* const dayEnd = DayEnd(pair, end, dayOf);
                AddScalars(days[firstDay + static_cast<std::size_t>(dayOf(*pair))], pair, dayEnd,
                           shift, pools);
                pair = dayEnd;
            }
        }
    });
    // The wind sums of the stations' days, in station order.
    for (const StationResult& station : stations) {
        for (const DayWind& wind : station.windDays) {
            if (wind.day >= 0 && wind.day < rows.dayCount) {
                DayRow& row = days[static_cast<std::size_t>(wind.day)];
                for (std::size_t i = 0; i < DayWind::kValues; ++i) {
                    row.value[DayRow::kDirection + i] += wind.value[i];
                }
            }
        }
    }
    DayTable table;
    for (const DayRow& row : days) {
        table.Append(row);
    }
    return table;
}

GroupIntervals PooledIntervals(const ControlSettings& settings,
                               const std::vector<StationResult>& stations,
                               const PooledResults& pooled, const BootstrapSettings& bootstrap,
                               unsigned threads) {
    if (bootstrap.resamples <= 0 || pooled.all.empty()) {
        return {};
    }
    return BootstrapIntervals(PooledDayTable(settings, stations, pooled, threads),
                              bootstrap.resamples, StreamSeed(bootstrap.seed, 0));
}

}  // namespace corvane::wxcheck
