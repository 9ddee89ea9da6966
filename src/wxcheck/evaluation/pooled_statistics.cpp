#include "wxcheck/evaluation/pooled_statistics.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <thread>

namespace corvane::wxcheck {

void ParallelFor(std::size_t count, unsigned threads,
                 const std::function<void(std::size_t)>& work) {
    const std::size_t workers = std::min<std::size_t>(std::max(1u, threads), count);
    if (workers <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            work(i);
        }
        return;
    }
    std::atomic<std::size_t> next{0};
    // An exception (out of memory) must not end a thread, which would abort the program: the
    // first one stops the others and is thrown again once they have all ended.
    std::mutex failedLock;
    std::exception_ptr failed;
    const auto run = [&]() {
        try {
            for (std::size_t i = next++; i < count; i = next++) {
                work(i);
            }
        } catch (...) {
            next = count;
            const std::lock_guard<std::mutex> lock(failedLock);
            if (!failed) {
                failed = std::current_exception();
            }
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(workers - 1);
    for (std::size_t t = 1; t < workers; ++t) {
        pool.emplace_back(run);
    }
    run();
    for (std::thread& thread : pool) {
        thread.join();
    }
    if (failed) {
        std::rethrow_exception(failed);
    }
}

namespace {

// Whether a station's values of scalar k belong in the pooled groups.
bool Pools(const StationResult& station, std::size_t k, HumidityKind humidity) {
    return k != kScalarHumidity || station.humidity == humidity;
}

GroupResult Finish(const GroupPartial& partial, bool* notFinite = nullptr) {
    GroupResult result;
    for (std::size_t k = 0; k < 3; ++k) {
        result.scalar[k] = FinishScalar(partial.first[k], partial.second[k],
                                        k == kScalarTemperature ? kKelvinOffset : 0, notFinite);
    }
    result.direction = partial.direction.Result();
    result.vector = partial.vector.Result();
    return result;
}

void ComputeAllStationGroups(const ControlSettings& settings,
                             const std::vector<StationResult>& stations, unsigned threads,
                             std::vector<GroupPartial>& total, PooledResults& pooled) {
    const std::size_t groups = total.size();
    // Second pass: each station's deviations from the pooled means, merged in station order,
    // a block of stations at a time so that the partial sums do not grow with the stations.
    const GroupMembership membership(settings);
    // Means per group and quantity, looked up once.
    std::vector<std::array<std::pair<double, double>, 3>> means(groups);
    for (std::size_t g = 0; g < groups; ++g) {
        for (std::size_t k = 0; k < 3; ++k) {
            means[g][k] = {total[g].first[k].MeanObserved(), total[g].first[k].MeanPredicted()};
        }
    }
    constexpr std::size_t kBlock = 4096;
    std::vector<std::array<SecondPass, 3>> parts;
    for (std::size_t first = 0; first < stations.size(); first += kBlock) {
        const std::size_t count = std::min(kBlock, stations.size() - first);
        parts.assign(count * groups, {});
        ParallelFor(count, threads, [&](std::size_t b) {
            const StationResult& station = stations[first + b];
            std::array<SecondPass, 3>* part = parts.data() + b * groups;
            const bool poolsHumidity = Pools(station, kScalarHumidity, pooled.humidity);
            for (std::size_t i = 0; station.evaluated && i < station.kept.size(); ++i) {
                const KeptPair& pair = station.kept[i];
                membership.ForEach(station, i, [&](int group) {
                    const std::size_t g = static_cast<std::size_t>(group);
                    for (std::size_t k = 0; k < 3; ++k) {
                        const std::size_t slot = static_cast<std::size_t>(kScalarSlots[k]);
                        if (pair.Uses(slot) && (k != kScalarHumidity || poolsHumidity)) {
                            part[g][k].Add(pair.Observed(slot), pair.Predicted(slot),
                                           means[g][k].first, means[g][k].second);
                        }
                    }
                });
            }
        });
        for (std::size_t b = 0; b < count; ++b) {
            if (!stations[first + b].evaluated) {
                continue;
            }
            for (std::size_t g = 0; g < groups; ++g) {
                for (std::size_t k = 0; k < 3; ++k) {
                    total[g].second[k].Merge(parts[b * groups + g][k]);
                }
            }
        }
    }
    pooled.all.clear();
    for (const GroupPartial& partial : total) {
        pooled.all.push_back(Finish(partial, &pooled.notFinite));
    }
}

// A visitor made of several lambdas, one per kind of value visited.
template <typename... Visits>
struct Overloaded : Visits... {
    using Visits::operator()...;
};
template <typename... Visits>
Overloaded(Visits...) -> Overloaded<Visits...>;

// One day and the hour rows pooled with it, both over the stations in station order. The
// pairs of the day (by the end stamp less one second) and those of its hour rows (by the end
// stamp) overlap but for an hour at either end, so one walk over both covers them.
void ComputeDay(std::int64_t day, const PeriodRows& rows, std::int64_t blockFirstHour,
                const std::vector<StationResult>& stations, HumidityKind humidity,
                std::vector<GroupResult>& hourResults, GroupResult& dayResult) {
    const std::int64_t firstHour = rows.FirstHourOfDay(day);
    const std::int64_t lastHour = rows.LastHourOfDay(day);
    const std::int64_t firstDayHour = rows.DayStartHour(day);
    const std::int64_t lastDayHour = firstDayHour + 23;
    std::vector<GroupPartial> hours(static_cast<std::size_t>(lastHour - firstHour + 1));
    GroupPartial whole;
    std::vector<std::pair<std::size_t, std::size_t>> spans(stations.size());
    for (std::size_t s = 0; s < stations.size(); ++s) {
        const std::vector<KeptPair>& kept = stations[s].kept;
        // Both the hour and the day-hour of the kept pairs rise with their end stamps.
        const auto begin = std::min(
            std::lower_bound(kept.begin(), kept.end(), firstHour,
                             [](const KeptPair& p, std::int64_t h) { return p.hour < h; }),
            std::lower_bound(kept.begin(), kept.end(), firstDayHour,
                             [](const KeptPair& p, std::int64_t h) { return p.DayHour() < h; }));
        const auto end = std::max(
            std::upper_bound(begin, kept.end(), lastHour,
                             [](std::int64_t h, const KeptPair& p) { return h < p.hour; }),
            std::upper_bound(begin, kept.end(), lastDayHour,
                             [](std::int64_t h, const KeptPair& p) { return h < p.DayHour(); }));
        spans[s] = {static_cast<std::size_t>(begin - kept.begin()),
                    static_cast<std::size_t>(end - kept.begin())};
    }
    // Both passes visit the same pairs and pooled values; one walk keeps them the same.
    // `hour` is null for a pair of the day outside its hour rows; `inDay` is false for a
    // pair of its hour rows that belongs to a neighbouring day.
    const auto forEachPair = [&](auto visit) {
        for (std::size_t s = 0; s < stations.size(); ++s) {
            const StationResult& station = stations[s];
            for (std::size_t i = spans[s].first; i < spans[s].second; ++i) {
                const KeptPair& pair = station.kept[i];
                GroupPartial* hour = pair.hour >= firstHour && pair.hour <= lastHour
                                         ? &hours[static_cast<std::size_t>(pair.hour - firstHour)]
                                         : nullptr;
                const bool inDay = pair.DayHour() >= firstDayHour && pair.DayHour() <= lastDayHour;
                for (std::size_t k = 0; k < 3; ++k) {
                    const std::size_t slot = static_cast<std::size_t>(kScalarSlots[k]);
                    if (pair.Uses(slot) && Pools(station, k, humidity)) {
                        visit(hour, inDay, k, pair.Observed(slot), pair.Predicted(slot));
                    }
                }
                if ((pair.flags & kDirectionPair) != 0 || IsVectorPair(pair)) {
                    visit(hour, inDay, pair);
                }
            }
        }
    };
    // First pass: the means, and the direction sums, which need no second pass.
    forEachPair(Overloaded{[&](GroupPartial* hour, bool inDay, std::size_t k, double o, double p) {
                               if (hour != nullptr) {
                                   hour->first[k].Add(o, p);
                               }
                               if (inDay) {
                                   whole.first[k].Add(o, p);
                               }
                           },
                           [&](GroupPartial* hour, bool inDay, const KeptPair& pair) {
                               const DirectionSums::Term term = DirectionTermOf(pair);
                               if ((pair.flags & kDirectionPair) != 0) {
                                   if (hour != nullptr) {
                                       hour->direction.Add(term);
                                   }
                                   if (inDay) {
                                       whole.direction.Add(term);
                                   }
                               }
                               if (IsVectorPair(pair)) {
                                   const VectorSums::Term vector = VectorTermOf(pair, term);
                                   if (hour != nullptr) {
                                       hour->vector.Add(vector);
                                   }
                                   if (inDay) {
                                       whole.vector.Add(vector);
                                   }
                               }
                           }});
    // Second pass: the deviations about those means.
    forEachPair(Overloaded{[&](GroupPartial* hour, bool inDay, std::size_t k, double o, double p) {
                               if (hour != nullptr) {
                                   hour->second[k].Add(o, p, hour->first[k].MeanObserved(),
                                                       hour->first[k].MeanPredicted());
                               }
                               if (inDay) {
                                   whole.second[k].Add(o, p, whole.first[k].MeanObserved(),
                                                       whole.first[k].MeanPredicted());
                               }
                           },
                           [](GroupPartial*, bool, const KeptPair&) {}});
    for (std::size_t h = 0; h < hours.size(); ++h) {
        hourResults[static_cast<std::size_t>(firstHour - blockFirstHour) + h] = Finish(hours[h]);
    }
    dayResult = Finish(whole);
}

}  // namespace

PeriodRows::PeriodRows(const ControlSettings& settings) {
    const Stamp startHour = FloorDiv(settings.start, kSecondsPerHour);
    const Stamp endHour = FloorDiv(settings.end, kSecondsPerHour);
    const Stamp startDay = FloorDiv(settings.start - 1, kSecondsPerDay);
    const Stamp endDay = FloorDiv(settings.end - 1, kSecondsPerDay);
    firstHour = startHour * kSecondsPerHour;
    firstDay = startDay * kSecondsPerDay;
    hourCount = endHour - startHour + 1;
    dayCount = endDay - startDay + 1;
}

std::int64_t PeriodRows::DayStartHour(std::int64_t day) const {
    return (firstDay - firstHour) / kSecondsPerHour + day * 24;
}

std::int64_t PeriodRows::FirstHourOfDay(std::int64_t day) const {
    return day == 0 ? 0 : DayStartHour(day) + 1;
}

std::int64_t PeriodRows::LastHourOfDay(std::int64_t day) const {
    return std::min<std::int64_t>(hourCount - 1, DayStartHour(day) + 24);
}

void ComputeDayBlock(const ControlSettings& settings, const std::vector<StationResult>& stations,
                     HumidityKind humidity, unsigned threads, std::int64_t firstDay,
                     std::int64_t dayCount, std::vector<GroupResult>& hours,
                     std::vector<GroupResult>& days) {
    const PeriodRows rows(settings);
    const std::int64_t blockFirstHour = rows.FirstHourOfDay(firstDay);
    hours.assign(
        static_cast<std::size_t>(rows.LastHourOfDay(firstDay + dayCount - 1) - blockFirstHour + 1),
        GroupResult());
    days.assign(static_cast<std::size_t>(dayCount), GroupResult());
    ParallelFor(static_cast<std::size_t>(dayCount), threads, [&](std::size_t d) {
        ComputeDay(firstDay + static_cast<std::int64_t>(d), rows, blockFirstHour, stations,
                   humidity, hours, days[d]);
    });
}

PooledFirstPass::PooledFirstPass(const ControlSettings& settings)
    : total_(static_cast<std::size_t>(GroupCount(settings))) {
    for (std::vector<FirstPass>& kind : humidity_) {
        kind.resize(total_.size());
    }
}

void PooledFirstPass::Add(StationResult& station) {
    if (station.evaluated) {
        const bool humidity = station.humidity != HumidityKind::None;
        const std::size_t kind = humidity ? static_cast<std::size_t>(station.humidity) : 0;
        for (std::size_t g = 0; g < total_.size(); ++g) {
            const GroupPartial& part = station.partials[g];
            total_[g].first[kScalarSpeed].Merge(part.first[kScalarSpeed]);
            total_[g].first[kScalarTemperature].Merge(part.first[kScalarTemperature]);
            total_[g].direction.Merge(part.direction);
            total_[g].vector.Merge(part.vector);
            if (humidity) {
                humidity_[kind][g].Merge(part.first[kScalarHumidity]);
            }
        }
        humidityStations_[kind] += humidity ? 1 : 0;
    }
    station.partials.clear();
    station.partials.shrink_to_fit();
}

PooledResults ComputePooled(const ControlSettings& settings,
                            const std::vector<StationResult>& stations,
                            const PooledFirstPass& first, unsigned threads) {
    PooledResults pooled;
    // The humidity variable most stations use, ties to the earlier of MIXR, SHUM, RHUM.
    const auto& count = first.humidityStations_;
    const std::size_t best =
        static_cast<std::size_t>(std::max_element(count.begin(), count.end()) - count.begin());
    pooled.humidityStations = count[best];
    pooled.humidity = count[best] == 0 ? HumidityKind::None : static_cast<HumidityKind>(best);
    std::vector<GroupPartial> total = first.total_;
    for (std::size_t g = 0; g < total.size(); ++g) {
        total[g].first[kScalarHumidity] = first.humidity_[best][g];
    }
    ComputeAllStationGroups(settings, stations, threads, total, pooled);
    return pooled;
}

}  // namespace corvane::wxcheck
