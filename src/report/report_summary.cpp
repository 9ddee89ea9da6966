#include "report/report_summary.h"

#include <algorithm>
#include <cmath>

#include "tsf/text_scan.h"
#include "wxcheck/outputs/list_file.h"
#include "wxcheck/outputs/output_text.h"

namespace corvane::wxcheck {

namespace {

double OffsetOf(std::size_t k) {
    return k == kScalarTemperature ? kKelvinOffset : 0.0;
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

HistogramCells ChooseHistogramCells(double span, double step, int target) {
    if (!(span > 0) || target < 1) {
        return {1, span > 0 ? span : 1};
    }
    double width = span / target;
    if (step > 0) {
        width = step * std::ceil(width / step - 1e-9);
    }
    const int count = static_cast<int>(std::ceil(span / width - 1e-9));
    return {std::max(count, 1), width};
}

double ReportStation::SpreadRatio(std::size_t k) const {
    return first[k].ObservedSpread() && second[k].sxx > 0 ? std::sqrt(second[k].syy / second[k].sxx)
                                                          : kNotComputed;
}

ReportSummary::ReportSummary(const ControlSettings& settings) : calm_(settings.calmThreshold) {
    for (RoseCounts* rose : {&observedRose, &predictedRose}) {
        rose->calmThreshold = settings.calmThreshold;
        rose->calmText = settings.calmText.empty() ? FormatValue(calm_) : settings.calmText;
    }
}

bool ReportSummary::Pooled(std::size_t k, HumidityKind stationHumidity) const {
    return k != kScalarHumidity || stationHumidity == humidity;
}

std::size_t ReportSummary::GatherOf(std::size_t k, HumidityKind humidity) {
    if (k < kScalarHumidity || humidity == HumidityKind::None) {
        return k;  // a station without humidity has no humidity pairs to gather
    }
    return kScalarHumidity + static_cast<std::size_t>(humidity);
}

void ReportSummary::AddStation(const StationResult& s) {
    ReportStation& r = stations.emplace_back();
    r.number = s.number;
    // As the list file shows them; the charts' tooltips quote them too.
    r.predicted = ShownText(s.predicted.written);
    r.observed = ShownText(s.observed.written);
    r.evaluated = s.evaluated;
    r.humidity = s.humidity;
    r.evaluates = s.evaluates;
    r.used = s.used;
    r.calm = s.calm;
    for (const std::string& w : s.warnings) {
        stationWarnings.push_back(StationWarningText(s.number, w));
    }
    for (const std::string& e : s.errors) {
        stationErrors.push_back(StationErrorText(s.number, e));
    }
    if (!s.evaluated) {
        return;
    }
    ++evaluated;
    r.whole = s.groups[0];
    r.intervals = s.intervals;
    r.first = s.partials[0].first;
    r.second = s.partials[0].second;
    // Humidity goes to the gather of the station's variable; the run's is chosen at the end.
    std::array<std::size_t, 3> gather{};
    for (std::size_t k = 0; k < 3; ++k) {
        gather[k] = GatherOf(k, s.humidity);
    }
    for (const KeptPair& pair : s.kept) {
        double speedObserved = 0;
        double speedPredicted = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            const std::size_t slot = static_cast<std::size_t>(kScalarSlots[k]);
            if (!pair.Uses(slot)) {
                continue;
            }
            const double o = pair.Observed(slot) + OffsetOf(k);
            const double p = pair.Predicted(slot) + OffsetOf(k);
            if (k == kScalarSpeed) {
                speedObserved = o;
                speedPredicted = p;
            }
            ScatterSummary& sc = gathers_[gather[k]];
            // Every eighth pair tells the recording step, which keeps its cost to a few
            // milliseconds a million pairs: a step that rare values leave only makes the
            // cells a little wider than they need be.
            if ((sc.pairs & 7) == 0) {
                sc.observedGrid.Add(o);
                sc.predictedGrid.Add(p);
            }
            sc.extent.Add(o);
            sc.extent.Add(p);
            if (++sc.pairs <= kScatterPointLimit) {
                sc.observed.push_back(static_cast<float>(o));
                sc.predicted.push_back(static_cast<float>(p));
            }
        }
        if (pair.Uses(kSpeed) && pair.Uses(kDirection)) {
            ++observedRose.hours;
            ++predictedRose.hours;
            CountRose(observedRose, speedObserved, pair.Observed(kDirection), calm_);
            CountRose(predictedRose, speedPredicted, pair.Predicted(kDirection), calm_);
        }
    }
}

void ReportSummary::Finish(const std::vector<StationResult>& results, const PooledResults& pooled,
                           unsigned threads) {
    if (!pooled.all.empty()) {
        all = pooled.all[0];
    }
    allIntervals = pooled.intervals;
    humidity = pooled.humidity;
    humidityStations = pooled.humidityStations;
    const HumidityKind chosen =
        humidity == HumidityKind::None ? HumidityKind::MixingRatio : humidity;
    for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t g = GatherOf(k, chosen);
        scatter[k] = std::move(gathers_[g]);
        ScatterSummary& sc = scatter[k];
        if (sc.Histogram()) {
            sc.observed = {};
            sc.predicted = {};
            const chart::NiceTicks range = chart::ComputeNiceTicks(sc.extent);
            const double span = range.hi - range.lo;
            const HistogramCells columns =
                ChooseHistogramCells(span, sc.observedGrid.Step(), kScatterCells);
            const HistogramCells rows =
                ChooseHistogramCells(span, sc.predictedGrid.Step(), kScatterCells);
            // The last cell may reach past the axis; the picture clips it.
            sc.grid =
                chart::HistogramGrid(range.lo, range.lo + columns.count * columns.width, range.lo,
                                     range.lo + rows.count * rows.width, columns.count, rows.count);
        }
        // The stations' sums about their own means, moved to the pooled means.
        FirstPass total;
        for (const ReportStation& s : stations) {
            if (s.evaluated && Pooled(k, s.humidity)) {
                total.Merge(s.first[k]);
            }
        }
        double sxx = 0;
        double syy = 0;
        double sxy = 0;
        for (const ReportStation& s : stations) {
            if (!s.evaluated || !Pooled(k, s.humidity) || s.first[k].n == 0) {
                continue;
            }
            const double n = static_cast<double>(s.first[k].n);
            const double dObserved = s.first[k].MeanObserved() - total.MeanObserved();
            const double dPredicted = s.first[k].MeanPredicted() - total.MeanPredicted();
            sxx += s.second[k].sxx + n * dObserved * dObserved;
            syy += s.second[k].syy + n * dPredicted * dPredicted;
            sxy += s.second[k].sxy + n * dObserved * dPredicted;
        }
        if (total.n >= 2 && total.ObservedSpread() && sxx > 0) {
            sc.slope = sxy / sxx;
            sc.intercept = total.MeanPredicted() + OffsetOf(k) -
                           sc.slope * (total.MeanObserved() + OffsetOf(k));
            sc.spreadRatio = std::sqrt(syy / sxx);
        }
    }
    CountHistograms(results, threads);
}

void ReportSummary::CountHistograms(const std::vector<StationResult>& results, unsigned threads) {
    if (std::none_of(scatter.begin(), scatter.end(),
                     [](const ScatterSummary& sc) { return sc.Histogram(); })) {
        return;
    }
    // Contiguous runs of stations, each counted on grids of its own; counts add up alike
    // in any order.
    const std::size_t parts = std::min<std::size_t>(std::max(1u, threads), 16);
    std::vector<std::array<chart::HistogramGrid, 3>> grids(parts);
    ParallelFor(parts, threads, [&](std::size_t part) {
        std::array<chart::HistogramGrid, 3>& own = grids[part];
        for (std::size_t k = 0; k < 3; ++k) {
            own[k] = scatter[k].grid;
        }
        const std::size_t first = results.size() * part / parts;
        const std::size_t last = results.size() * (part + 1) / parts;
        for (std::size_t i = first; i < last; ++i) {
            const StationResult& s = results[i];
            if (!s.evaluated) {
                continue;
            }
            for (const KeptPair& pair : s.kept) {
                for (std::size_t k = 0; k < 3; ++k) {
                    const std::size_t slot = static_cast<std::size_t>(kScalarSlots[k]);
                    if (scatter[k].Histogram() && pair.Uses(slot) && Pooled(k, s.humidity)) {
                        own[k].Add(pair.Observed(slot) + OffsetOf(k),
                                   pair.Predicted(slot) + OffsetOf(k));
                    }
                }
            }
        }
    });
    for (const auto& own : grids) {
        for (std::size_t k = 0; k < 3; ++k) {
            for (std::size_t c = 0; c < own[k].counts.size(); ++c) {
                scatter[k].grid.counts[c] += own[k].counts[c];
            }
        }
    }
}

void ReportSummary::AddHour(int hourOfDay, const GroupResult& row) {
    // Sums again from the row's means: the diurnal cycle agrees with the hourly files.
    for (std::size_t k = 0; k < 3; ++k) {
        const ScalarStats& s = row.scalar[k];
        if (s.n > 0) {
            FirstPass& sums = hours[k][static_cast<std::size_t>(hourOfDay % 24)];
            sums.n += s.n;
            sums.sumObserved += s.meanObserved * static_cast<double>(s.n);
            sums.sumPredicted += s.meanPredicted * static_cast<double>(s.n);
        }
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
