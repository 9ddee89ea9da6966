#include "report/report_summary.h"

#include <algorithm>
#include <cmath>

#include "report/report_charts.h"
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
    for (std::size_t c = 0; c < selections_.size(); ++c) {
        selections_[c].capacity = c < kChoices ? kMostStationsShown : kOutliersLabelled;
    }
}

const std::vector<ReportStation>& ReportSummary::Stations() const {
    Compact();
    return held_;
}

void ReportSummary::Compact() const {
    if (dropped_ == 0) {
        return;
    }
    std::size_t to = 0;
    for (std::size_t from = 0; from < held_.size(); ++from) {
        if (heldBy_[from] > 0) {
            if (to != from) {
                held_[to] = std::move(held_[from]);
                heldIndex_[to] = heldIndex_[from];
                heldBy_[to] = heldBy_[from];
            }
            ++to;
        }
    }
    held_.resize(to);
    heldIndex_.resize(to);
    heldBy_.resize(to);
    dropped_ = 0;
}

void ReportSummary::Release(std::size_t index) {
    const auto at = std::lower_bound(heldIndex_.begin(), heldIndex_.end(), index);
    const auto i = static_cast<std::size_t>(at - heldIndex_.begin());
    if (--heldBy_[i] == 0) {
        held_[i] = ReportStation();  // its file names go at once
        ++dropped_;
    }
}

void ReportSummary::Offer(ReportStation&& s) {
    const std::size_t index = count_++;
    for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
        runEvaluates_[slot] |=
            s.evaluated && s.evaluates[slot] && (slot != kDirection || s.evaluates[kSpeed]);
    }
    // A station has statistics of a quantity only where it evaluates it, so each distance
    // here belongs to a quantity the run has, as StationDistances takes them.
    std::array<double, 4> d{};
    d.fill(kNotComputed);
    if (s.evaluated) {
        for (const ReportQuantity q : {ReportQuantity::kSpeed, ReportQuantity::kDirection,
                                       ReportQuantity::kTemperature, ReportQuantity::kHumidity}) {
            d[static_cast<std::size_t>(q)] = BenchmarkDistance(s.whole, q, s.humidity);
        }
    }
    const double dHumidity = d[static_cast<std::size_t>(ReportQuantity::kHumidity)];
    double others = 0;
    for (std::size_t q = 0; q < 3; ++q) {
        others = std::isfinite(d[q]) && d[q] > others ? d[q] : others;
    }
    std::array<Rank, kChoices + 5> ranks;
    std::array<bool, kChoices + 5> offered{};
    for (std::size_t c = 0; c < kChoices; ++c) {
        double worst = others;
        if (c != 0 && c == ChoiceOf(s.humidity) && std::isfinite(dHumidity) && dHumidity > worst) {
            worst = dHumidity;
        }
        ranks[c] = {!s.evaluated ? 1 : worst > 1 ? 0 : 2, worst, index};
        offered[c] = true;
        outside_[c] += ranks[c].group == 0 ? 1 : 0;
    }
    for (std::size_t q = 0; q < 3; ++q) {
        offered[kChoices + q] = d[q] > 1;
        ranks[kChoices + q] = {0, d[q], index};
    }
    const std::size_t humidityChoice = ChoiceOf(s.humidity);
    if (humidityChoice != 0) {
        const std::size_t c = kChoices + 3 + humidityChoice - 1;
        offered[c] = dHumidity > 1;
        ranks[c] = {0, dHumidity, index};
    }
    std::uint8_t takers = 0;
    for (std::size_t c = 0; c < selections_.size(); ++c) {
        offered[c] = offered[c] && selections_[c].Takes(ranks[c]);
        takers = static_cast<std::uint8_t>(takers + (offered[c] ? 1 : 0));
    }
    if (takers == 0) {
        return;
    }
    held_.push_back(std::move(s));
    heldIndex_.push_back(index);
    heldBy_.push_back(takers);
    for (std::size_t c = 0; c < selections_.size(); ++c) {
        if (!offered[c]) {
            continue;
        }
        std::vector<Rank>& heap = selections_[c].heap;
        if (heap.size() == selections_[c].capacity) {
            std::pop_heap(heap.begin(), heap.end());
            Release(heap.back().index);
            heap.back() = ranks[c];
        } else {
            heap.push_back(ranks[c]);
        }
        std::push_heap(heap.begin(), heap.end());
    }
    // Dropped records go in batches, each record moved a bounded number of times.
    if (dropped_ > 64 && 2 * dropped_ > held_.size()) {
        Compact();
    }
}

void ReportSummary::AddStation(ReportStation station) {
    evaluated += station.evaluated ? 1 : 0;
    for (std::size_t k = 0; k < 3 && station.evaluated; ++k) {
        const std::size_t key = SpreadOf(k, station.humidity);
        spreadTotals_[key].Merge(station.first[k]);
        if (station.first[k].n > 0) {
            spreads_[key].push_back({static_cast<double>(station.first[k].n),
                                     station.first[k].MeanObserved(),
                                     station.first[k].MeanPredicted(), station.second[k].sxx,
                                     station.second[k].syy, station.second[k].sxy});
        }
    }
    Offer(std::move(station));
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
    ReportStation r;
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
    if (s.evaluated) {
        r.whole = s.groups[0];
        r.intervals = s.intervals;
        r.first = s.partials[0].first;
        r.second = s.partials[0].second;
    }
    AddStation(std::move(r));
    if (!s.evaluated) {
        return;
    }
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
        const std::size_t key = SpreadOf(k, humidity);
        const FirstPass& total = spreadTotals_[key];
        double sxx = 0;
        double syy = 0;
        double sxy = 0;
        for (const StationSpread& s : spreads_[key]) {
            const double dObserved = s.meanObserved - total.MeanObserved();
            const double dPredicted = s.meanPredicted - total.MeanPredicted();
            sxx += s.sxx + s.n * dObserved * dObserved;
            syy += s.syy + s.n * dPredicted * dPredicted;
            sxy += s.sxy + s.n * dObserved * dPredicted;
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
