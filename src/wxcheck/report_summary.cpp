#include "wxcheck/report_summary.h"

#include <cmath>

#include "wxcheck/list_file.h"

namespace corvane::wxcheck {

namespace {

double OffsetOf(std::size_t k) {
    return k == kScalarTemperature ? kKelvinOffset : 0.0;
}

// As the pooled statistics choose: humidity only from stations of the run's variable.
bool Pools(const StationResult& station, std::size_t k, HumidityKind humidity) {
    return k != kScalarHumidity || station.humidity == humidity;
}

void CountRose(RoseCounts& rose, double speed, double direction, double calm) {
    if (speed <= calm) {
        ++rose.calm;
        return;
    }
    const int sector = chart::RoseSector(direction);
    if (sector >= 0) {
        ++rose.counts[RoseClass(speed)][static_cast<std::size_t>(sector)];
    }
}

}  // namespace

std::size_t RoseClass(double speed) {
    std::size_t c = 0;
    while (c < kRoseSpeedBounds.size() && speed > kRoseSpeedBounds[c]) {
        ++c;
    }
    return c;
}

ReportSummary::ReportSummary(const ControlSettings& settings)
    : calm_(settings.calmThreshold), startHourOfDay_(StartHourOfDay(settings)) {}

void ReportSummary::AddStations(const std::vector<StationResult>& results,
                                const PooledResults& pooled) {
    if (!pooled.all.empty()) {
        all = pooled.all[0];
    }
    humidity = pooled.humidity;
    humidityStations = pooled.humidityStations;
    stations.reserve(results.size());
    for (const StationResult& s : results) {
        ReportStation& r = stations.emplace_back();
        r.number = s.number;
        r.predicted = s.predicted.written;
        r.observed = s.observed.written;
        r.evaluated = s.evaluated;
        r.humidity = s.humidity;
        r.spreadRatio.fill(kNotComputed);
        if (s.evaluated) {
            ++evaluated;
            r.whole = s.groups[0];
            for (std::size_t k = 0; k < 3; ++k) {
                const SecondPass& q = s.partials[0].second[k];
                if (q.sxx > 0) {
                    r.spreadRatio[k] = std::sqrt(q.syy / q.sxx);
                }
            }
        }
        for (const std::string& w : s.warnings) {
            stationWarnings.push_back(StationWarningText(s.number, w));
        }
        for (const std::string& e : s.errors) {
            stationErrors.push_back(StationErrorText(s.number, e));
        }
    }
    GatherSpread(results);
    GatherPairs(results);
}

void ReportSummary::GatherSpread(const std::vector<StationResult>& results) {
    // The stations' sums about their own means, moved to the pooled means.
    for (std::size_t k = 0; k < 3; ++k) {
        FirstPass total;
        for (const StationResult& s : results) {
            if (s.evaluated && Pools(s, k, humidity)) {
                total.Merge(s.partials[0].first[k]);
            }
        }
        double sxx = 0;
        double syy = 0;
        double sxy = 0;
        for (const StationResult& s : results) {
            if (!s.evaluated || !Pools(s, k, humidity) || s.partials[0].first[k].n == 0) {
                continue;
            }
            const FirstPass& f = s.partials[0].first[k];
            const SecondPass& q = s.partials[0].second[k];
            const double n = static_cast<double>(f.n);
            const double dObserved = f.MeanObserved() - total.MeanObserved();
            const double dPredicted = f.MeanPredicted() - total.MeanPredicted();
            sxx += q.sxx + n * dObserved * dObserved;
            syy += q.syy + n * dPredicted * dPredicted;
            sxy += q.sxy + n * dObserved * dPredicted;
        }
        ScatterSummary& sc = scatter[k];
        if (total.n >= 2 && sxx > 0) {
            sc.slope = sxy / sxx;
            sc.intercept = total.MeanPredicted() + OffsetOf(k) -
                           sc.slope * (total.MeanObserved() + OffsetOf(k));
            sc.spreadRatio = std::sqrt(syy / sxx);
        } else {
            sc.slope = sc.intercept = sc.spreadRatio = kNotComputed;
        }
    }
}

void ReportSummary::GatherPairs(const std::vector<StationResult>& results) {
    // Calls visit(k, hour of day, observed, predicted) for each pooled scalar value of each
    // used pair, in station order, and rose(pair) for each pair with speed and direction.
    const auto walk = [&](auto visit, auto rose) {
        for (const StationResult& s : results) {
            if (!s.evaluated) {
                continue;
            }
            for (const KeptPair& pair : s.kept) {
                const int hourOfDay = ((startHourOfDay_ + pair.hour) % 24 + 24) % 24;
                for (std::size_t k = 0; k < 3; ++k) {
                    const std::size_t slot = static_cast<std::size_t>(kScalarSlots[k]);
                    if (pair.Uses(slot) && Pools(s, k, humidity)) {
                        visit(k, hourOfDay, pair.Observed(slot) + OffsetOf(k),
                              pair.Predicted(slot) + OffsetOf(k));
                    }
                }
                if (pair.Uses(kSpeed) && pair.Uses(kDirection)) {
                    rose(pair);
                }
            }
        }
    };
    walk(
        [&](std::size_t k, int hourOfDay, double o, double p) {
            hours[k][static_cast<std::size_t>(hourOfDay)].Add(o, p);
            ScatterSummary& sc = scatter[k];
            ++sc.pairs;
            sc.extent.Add(o);
            sc.extent.Add(p);
            if (sc.pairs <= kScatterPointLimit) {
                sc.observed.push_back(static_cast<float>(o));
                sc.predicted.push_back(static_cast<float>(p));
            }
        },
        [&](const KeptPair& pair) {
            ++observedRose.hours;
            ++predictedRose.hours;
            CountRose(observedRose, pair.Observed(kSpeed), pair.Observed(kDirection), calm_);
            CountRose(predictedRose, pair.Predicted(kSpeed), pair.Predicted(kDirection), calm_);
        });
    bool anyHistogram = false;
    for (ScatterSummary& sc : scatter) {
        if (sc.Histogram()) {
            anyHistogram = true;
            sc.observed = {};
            sc.predicted = {};
            const chart::NiceTicks range = chart::ComputeNiceTicks(sc.extent);
            sc.grid = chart::HistogramGrid(range.lo, range.hi, range.lo, range.hi, kScatterCells,
                                           kScatterCells);
        }
    }
    if (anyHistogram) {
        walk(
            [&](std::size_t k, int, double o, double p) {
                if (scatter[k].Histogram()) {
                    scatter[k].grid.Add(o, p);
                }
            },
            [](const KeptPair&) {});
    }
}

void ReportSummary::AddDay(Stamp day, const GroupResult& row) {
    DayMeans& d = days.emplace_back();
    d.day = day;
    for (std::size_t k = 0; k < 3; ++k) {
        d.observed[k] = row.scalar[k].meanObserved;
        d.predicted[k] = row.scalar[k].meanPredicted;
    }
    d.directionObserved = row.direction.meanObserved;
    d.directionPredicted = row.direction.meanPredicted;
}

}  // namespace corvane::wxcheck
