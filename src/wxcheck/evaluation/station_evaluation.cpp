#include "wxcheck/evaluation/station_evaluation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "tsf/text_scan.h"
#include "wxcheck/evaluation/pooled_statistics.h"
#include "wxcheck/evaluation/station_series.h"

namespace corvane::wxcheck {

int StartHourOfDay(const ControlSettings& settings) {
    return FieldsFromStamp(settings.start).hour;
}

GroupMembership::GroupMembership(const ControlSettings& settings)
    : startHourOfDay_(StartHourOfDay(settings)), ranges_(static_cast<int>(settings.ranges.size())) {
    for (const TimeWindow& window : settings.windows) {
        std::uint32_t mask = 0;
        for (int hour = 0; hour < 24; ++hour) {
            if (window.Contains(hour)) {
                mask |= std::uint32_t{1} << hour;
            }
        }
        windowMasks_.push_back(mask);
    }
}

void ComputeStationGroups(const ControlSettings& settings, StationResult& station) {
    const int groups = GroupCount(settings);
    const GroupMembership membership(settings);
    station.partials.assign(static_cast<std::size_t>(groups), GroupPartial());
    // The direction and vector sums of each day, for the intervals, while the unit vectors
    // are at hand.
    const std::int64_t firstDayHour = PeriodRows(settings).DayStartHour(0);
    DayRow windRow;
    std::int64_t windDay = -1;
    const auto closeWindDay = [&]() {
        if (windDay < 0 || windRow.Empty()) {
            return;
        }
        DayWind& wind = station.windDays.emplace_back();
        wind.day = windDay;
        for (std::size_t v = 0; v < DayWind::kValues; ++v) {
            wind.value[v] = static_cast<float>(windRow.value[DayRow::kDirection + v]);
        }
    };
    for (std::size_t i = 0; i < station.kept.size(); ++i) {
        const KeptPair& pair = station.kept[i];
        // Every direction pair is a vector pair: the unit vectors are worked out once.
        const bool direction = (pair.flags & kDirectionPair) != 0;
        const bool vector = IsVectorPair(pair);
        const DirectionSums::Term term = vector ? DirectionTermOf(pair) : DirectionSums::Term{};
        const VectorSums::Term vectorTerm = vector ? VectorTermOf(pair, term) : VectorSums::Term{};
        if (vector) {
            const std::int64_t day = (pair.DayHour() - firstDayHour) / 24;
            if (day != windDay) {
                closeWindDay();
                windRow = DayRow();
                windDay = day;
            }
            if (direction) {
                windRow.AddDirection(term.difference);
            }
            windRow.AddVector(vectorTerm);
        }
        membership.ForEach(station, i, [&](int g) {
            GroupPartial& partial = station.partials[static_cast<std::size_t>(g)];
            for (std::size_t k = 0; k < 3; ++k) {
                const std::size_t slot = static_cast<std::size_t>(kScalarSlots[k]);
                if (pair.Uses(slot)) {
                    partial.first[k].Add(pair.Observed(slot), pair.Predicted(slot));
                }
            }
            if (direction) {
                partial.direction.Add(term);
            }
            if (vector) {
                partial.vector.Add(vectorTerm);
            }
        });
    }
    closeWindDay();
    station.windDays.shrink_to_fit();
    for (std::size_t i = 0; i < station.kept.size(); ++i) {
        const KeptPair& pair = station.kept[i];
        membership.ForEach(station, i, [&](int g) {
            GroupPartial& partial = station.partials[static_cast<std::size_t>(g)];
            for (std::size_t k = 0; k < 3; ++k) {
                const std::size_t slot = static_cast<std::size_t>(kScalarSlots[k]);
                if (pair.Uses(slot)) {
                    partial.second[k].Add(pair.Observed(slot), pair.Predicted(slot),
                                          partial.first[k].MeanObserved(),
                                          partial.first[k].MeanPredicted());
                }
            }
        });
    }
    station.groups.resize(static_cast<std::size_t>(groups));
    bool notFinite = false;
    for (std::size_t g = 0; g < station.groups.size(); ++g) {
        const GroupPartial& partial = station.partials[g];
        for (std::size_t k = 0; k < 3; ++k) {
            station.groups[g].scalar[k] =
                FinishScalar(partial.first[k], partial.second[k],
                             k == kScalarTemperature ? kKelvinOffset : 0, &notFinite);
        }
        station.groups[g].direction = partial.direction.Result();
        station.groups[g].vector = partial.vector.Result();
    }
    if (notFinite) {
        station.warnings.push_back(
            "some statistics are no finite number (values too large to square and sum, such "
            "as 1e308) and are written as -999");
    }
}

StationResult EvaluateStation(const ControlSettings& settings, const StationEntry& entry,
                              int number, std::size_t bufferBytes, const PairVisitor& visitor,
                              SharedObserved* shared) {
    StationResult station;
    station.number = number;
    station.line = entry.line;
    station.predicted.written = entry.predicted;
    station.observed.written = entry.observed;
    if (!entry.error.empty()) {
        station.errors.push_back(Excerpt(settings.StationPath()) + ":" +
                                 std::to_string(entry.line) + ": " + entry.error);
        return station;
    }
    thread_local std::vector<Record> predictedRecords;
    thread_local std::vector<Record> ownObserved;
    std::vector<Record>& observedRecords = shared != nullptr ? shared->records : ownObserved;
    if (!ReadStationSeries(settings, entry, bufferBytes, station, predictedRecords, observedRecords,
                           shared)) {
        return station;
    }

    const Stamp startHour = FloorDiv(settings.start, kSecondsPerHour);
    station.rangeWords = static_cast<int>((settings.ranges.size() + 63) / 64);
    const double calm = settings.calmThreshold;
    auto p = std::lower_bound(predictedRecords.begin(), predictedRecords.end(), settings.start,
                              [](const Record& r, Stamp s) { return r.stamp < s; });
    auto o = std::lower_bound(observedRecords.begin(), observedRecords.end(), settings.start,
                              [](const Record& r, Stamp s) { return r.stamp < s; });
    const auto periodEnd = [&](std::vector<Record>& records, std::vector<Record>::iterator from) {
        return std::upper_bound(from, records.end(), settings.end,
                                [](Stamp s, const Record& r) { return s < r.stamp; });
    };
    station.kept.reserve(static_cast<std::size_t>(
        std::min(periodEnd(predictedRecords, p) - p, periodEnd(observedRecords, o) - o)));
    while (p != predictedRecords.end() && o != observedRecords.end()) {
        if (p->stamp > settings.end || o->stamp > settings.end) {
            break;
        }
        if (p->stamp < o->stamp) {
            ++p;
            continue;
        }
        if (o->stamp < p->stamp) {
            ++o;
            continue;
        }
        ++station.pairs;
        KeptPair pair;
        bool anyMissing = false;
        bool anyPresent = false;
        for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
            const double ov = o->value[slot];
            const double pv = p->value[slot];
            const bool present = !std::isnan(ov) && !std::isnan(pv);
            if (station.evaluates[slot]) {
                anyMissing |= !present;
                anyPresent |= present;
            }
            if (station.evaluates[slot] && present) {
                pair.Set(slot, ov, pv);
            } else {
                pair.SetUnused(slot);
            }
        }
        const double observedSpeed = o->value[kSpeed];
        const double predictedSpeed = p->value[kSpeed];
        const Record& observedRecord = *o;
        station.missing += anyMissing ? 1 : 0;
        const bool used = anyPresent && !(anyMissing && settings.missingFilter == 1);
        const bool calmPair = station.evaluates[kSpeed] &&
                              (observedSpeed <= calm || predictedSpeed <= calm);  // NaN: false
        if (visitor) {
            visitor(station, *o, *p, calmPair, used);
        }
        ++p;
        ++o;
        if (!used) {
            continue;
        }
        ++station.used;
        station.calm += calmPair ? 1 : 0;
        if (station.evaluates[kDirection] && pair.Uses(kDirection) && observedSpeed > calm &&
            predictedSpeed > calm) {
            pair.flags |= kDirectionPair;
        }
        const Stamp endHour = FloorDiv(observedRecord.stamp, kSecondsPerHour);
        pair.hour = static_cast<std::int32_t>(endHour - startHour);
        if (endHour * kSecondsPerHour == observedRecord.stamp) {
            pair.flags |= kEndsOnTheHour;
        }
        station.kept.push_back(pair);
        for (int w = 0; w < station.rangeWords; ++w) {
            std::uint64_t bits = 0;
            for (int r = w * 64; r < static_cast<int>(settings.ranges.size()) && r < w * 64 + 64;
                 ++r) {
                const SpeedRange& range = settings.ranges[static_cast<std::size_t>(r)];
                if (station.evaluates[kSpeed] && observedSpeed > range.low &&
                    observedSpeed <= range.high) {
                    bits |= std::uint64_t{1} << (r % 64);
                }
            }
            station.rangeBits.push_back(bits);
        }
    }
    if (station.pairs == 0) {
        station.errors.push_back(
            "no predicted and observed records with the same end stamp "
            "in the period " +
            FormatDateTime(settings.start) + " to " + FormatDateTime(settings.end));
        station.kept.clear();
        station.rangeBits.clear();
        return station;
    }
    if (station.used == 0) {
        // Statistics of no pair would be no statistics: the station is not evaluated.
        station.errors.push_back(
            "none of the " + std::to_string(station.pairs) +
            " pairs in the period is used: every pair has a missing value" +
            (settings.missingFilter == 1
                 ? " (filter 1 leaves out a pair missing any evaluated variable)"
                 : " of every evaluated variable"));
        station.kept.clear();
        station.rangeBits.clear();
        return station;
    }
    station.kept.shrink_to_fit();
    station.rangeBits.shrink_to_fit();
    ComputeStationGroups(settings, station);
    station.evaluated = true;
    return station;
}

}  // namespace corvane::wxcheck
