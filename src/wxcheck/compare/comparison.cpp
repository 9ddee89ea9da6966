#include "wxcheck/compare/comparison.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <thread>

#include "tsf/plain_file.h"
#include "tsf/text_scan.h"
#include "tsf/tsf_site.h"
#include "wxcheck/evaluation/pooled_statistics.h"
#include "wxcheck/outputs/run_outputs.h"

namespace corvane::wxcheck {

Difference MakeDifference(double run, double reference, Sense sense) {
    Difference d;
    d.value = run - reference;
    d.judged = sense == Sense::SmallerMagnitude ? std::fabs(run) - std::fabs(reference) : d.value;
    return d;
}

Verdict Decide(Sense sense, const Difference& difference) {
    if (!difference.judgedInterval) {
        return Verdict::NoInterval;
    }
    const DifferenceInterval& i = *difference.judgedInterval;
    const bool above = i.low > 0;
    const bool below = i.high < 0;
    if (!above && !below) {
        return Verdict::NoSignificantDifference;
    }
    return (sense == Sense::Larger) == above ? Verdict::Better : Verdict::Worse;
}

const char* VerdictText(Sense sense, Verdict verdict) {
    if (sense == Sense::None) {
        return "";
    }
    switch (verdict) {
        case Verdict::Better:
            return "better";
        case Verdict::Worse:
            return "worse";
        case Verdict::NoSignificantDifference:
            return "no significant difference";
        case Verdict::NoInterval:
            break;
    }
    return "no interval";
}

const std::vector<StatisticKind>& StatisticsOf(int quantity) {
    static const std::vector<StatisticKind> scalar = {
        {"n", "N", Sense::None},
        {"mean_observed", "Mean obs", Sense::None},
        {"mean_predicted", "Mean pred", Sense::None},
        {"bias", "Bias", Sense::SmallerMagnitude},
        {"gross_error", "Gross error", Sense::Smaller},
        {"rmse", "RMSE", Sense::Smaller},
        {"rmse_systematic", "RMSEs", Sense::Smaller},
        {"rmse_unsystematic", "RMSEu", Sense::Smaller},
        {"ioa", "IOA", Sense::Larger},
        {"r", "R", Sense::Larger}};
    static const std::vector<StatisticKind> direction(scalar.begin(), scalar.begin() + 5);
    return quantity == 1 ? direction : scalar;
}

double StatisticValue(const GroupResult& group, int quantity, std::size_t s) {
    if (quantity == 1) {
        const DirectionStats& d = group.direction;
        const std::array<double, 5> v = {static_cast<double>(d.n), d.meanObserved, d.meanPredicted,
                                         d.bias, d.grossError};
        return v[s];
    }
    const ScalarStats& x = group.scalar[quantity == 0   ? kScalarSpeed
                                        : quantity == 2 ? kScalarTemperature
                                                        : kScalarHumidity];
    const std::array<double, 10> v = {static_cast<double>(x.n),
                                      x.meanObserved,
                                      x.meanPredicted,
                                      x.bias,
                                      x.grossError,
                                      x.rmse,
                                      x.rmseSystematic,
                                      x.rmseUnsystematic,
                                      x.agreement,
                                      x.correlation};
    return v[s];
}

int ResampledIndex(int quantity, std::size_t s) {
    if (s < 3 || s >= StatisticsOf(quantity).size()) {
        return -1;
    }
    if (quantity == 1) {
        return static_cast<int>(kResampledDirection + (s - 3));
    }
    const int scalar = quantity == 0   ? kScalarSpeed
                       : quantity == 2 ? kScalarTemperature
                                       : kScalarHumidity;
    return scalar * kScalarIntervals + static_cast<int>(s - 3);
}

std::optional<DifferenceInterval> StatisticInterval(const RunIntervals& run, int quantity,
                                                    std::size_t s) {
    const int index = ResampledIndex(quantity, s);
    if (index < 0) {
        return std::nullopt;
    }
    const auto i = static_cast<std::size_t>(index);
    const GroupIntervals& own = run.own;
    const Interval& interval = i < kResampledDirection
                                   ? own.scalar[i / kScalarIntervals][i % kScalarIntervals]
                               : i == kResampledDirection     ? own.directionBias
                               : i == kResampledDirection + 1 ? own.directionError
                               : i == kResampledVector        ? own.vectorMean
                                                              : own.vectorRms;
    if (!interval.Known()) {
        return std::nullopt;
    }
    return DifferenceInterval{interval.low, interval.high};
}

namespace {

// Whether the table has pairs of a resampled statistic's quantity on days enough.
bool EnoughDays(const DayTable& table, std::size_t statistic) {
    const std::int64_t days = statistic < kResampledDirection
                                  ? table.ScalarDays(statistic / kScalarIntervals)
                              : statistic < kResampledVector ? table.DirectionDays()
                                                             : table.VectorDays();
    return days >= kMinimumIntervalDays;
}

// A bias is judged by its magnitude: nearer zero is better.
bool JudgedByMagnitude(std::size_t statistic) {
    return statistic == kResampledDirection ||
           (statistic < kResampledDirection && statistic % kScalarIntervals == kIntervalBias);
}

}  // namespace

bool PairedIntervals(const std::vector<DayTable>& tables, int resamples, std::uint64_t seed,
                     std::vector<RunIntervals>& intervals) {
    intervals.assign(tables.size(), RunIntervals());
    const std::size_t days = tables.empty() ? 0 : tables.front().Days();
    bool paired = true;
    for (std::size_t k = 0; k < tables.size(); ++k) {
        intervals[k].own.days = static_cast<std::int64_t>(tables[k].Days());
        paired = paired && tables[k].Days() == days;
    }
    if (resamples <= 0 || static_cast<std::int64_t>(days) < kMinimumIntervalDays) {
        return paired;
    }
    std::vector<ResampledValues> values(tables.size());
    for (std::size_t k = 0; k < tables.size(); ++k) {
        values[k] = ResampleDays(tables[k], resamples, seed);
    }
    const auto count = static_cast<std::size_t>(resamples);
    std::vector<double> difference(count);
    std::vector<double> judged(count);
    for (std::size_t k = 1; k < tables.size() && paired; ++k) {
        for (std::size_t i = 0; i < kResampledStatistics; ++i) {
            if (!EnoughDays(tables[0], i)) {
                continue;
            }
            const bool magnitude = JudgedByMagnitude(i);
            difference.resize(count);
            judged.resize(count);
            for (std::size_t b = 0; b < count; ++b) {
                const double run = values[k][i][b];
                const double reference = values[0][i][b];
                difference[b] = run - reference;
                judged[b] = magnitude ? std::fabs(run) - std::fabs(reference) : difference[b];
            }
            const Interval d = IntervalOf(difference, count);
            const Interval j = IntervalOf(judged, count);
            if (d.Known() && j.Known()) {
                intervals[k].difference[i] = DifferenceInterval{d.low, d.high};
                intervals[k].judged[i] = DifferenceInterval{j.low, j.high};
            }
        }
    }
    // Last: the intervals reorder the values.
    for (std::size_t k = 0; k < tables.size(); ++k) {
        intervals[k].own = IntervalsFromResamples(tables[k], values[k], resamples);
    }
    return paired;
}

const char* QuantityName(int quantity) {
    static const std::array<const char*, 4> names = {"wind_speed", "wind_direction", "temperature",
                                                     "humidity"};
    return names[static_cast<std::size_t>(quantity)];
}

const char* QuantityLabel(int quantity) {
    static const std::array<const char*, 4> labels = {"Wind speed", "Wind direction", "Temperature",
                                                      "Humidity"};
    return labels[static_cast<std::size_t>(quantity)];
}

std::string CommonSettings(const std::vector<ControlSettings>& runs, const CompareOptions& options,
                           ControlSettings& common) {
    common = runs.front();
    if (options.havePeriod) {
        common.startText = options.startText;
        common.endText = options.endText;
        if (!StampFromPeriodText(common.startText, common.start) ||
            !StampFromPeriodText(common.endText, common.end)) {
            const std::string& bad = StampFromPeriodText(common.startText, common.start)
                                         ? common.endText
                                         : common.startText;
            return "--period: " + Excerpt(bad) + " " + PeriodTextProblem(bad);
        }
        if (common.start > common.end) {
            return "--period: the period ends (" + common.endText + ") before it starts (" +
                   common.startText + ")";
        }
        return {};
    }
    const std::string& first = options.controlPaths.front();
    for (std::size_t k = 1; k < runs.size(); ++k) {
        const ControlSettings& r = runs[k];
        const std::string& path = options.controlPaths[k];
        const auto differ = [&](const char* what, const std::string& mine,
                                const std::string& theirs) {
            return Excerpt(path) + ": the " + what + " " + Excerpt(theirs) + " differs from " +
                   Excerpt(mine) + " in " + Excerpt(first) +
                   "; runs are compared with the same settings (--period PERIOD_START "
                   "PERIOD_END takes the first run's settings for all)";
        };
        if (r.start != common.start) {
            return differ("period start", common.startText, r.startText);
        }
        if (r.end != common.end) {
            return differ("period end", common.endText, r.endText);
        }
        if (!EqualsNoCase(Trim(r.zone), Trim(common.zone))) {
            return differ("processing time zone", common.zone, r.zone);
        }
        if (r.calmThreshold != common.calmThreshold) {
            return differ("calm threshold", common.calmText, r.calmText);
        }
        if (r.missingFilter != common.missingFilter) {
            return differ("missing-data filter", std::to_string(common.missingFilter),
                          std::to_string(r.missingFilter));
        }
    }
    return {};
}

namespace {

// Whether two plain files hold the same bytes, read in blocks so that memory stays small.
bool SameContent(const std::string& a, const std::string& b, std::string& error) {
    std::uint64_t sizeA = 0;
    std::uint64_t sizeB = 0;
    const FileDescriptor fa = OpenPlainFile(a, error, &sizeA);
    if (!fa.valid()) {
        error = Excerpt(a) + ": " + error;
        return false;
    }
    const FileDescriptor fb = OpenPlainFile(b, error, &sizeB);
    if (!fb.valid()) {
        error = Excerpt(b) + ": " + error;
        return false;
    }
    if (sizeA != sizeB) {
        return false;
    }
    std::vector<char> blockA(1 << 16);
    std::vector<char> blockB(1 << 16);
    for (std::uint64_t left = sizeA; left > 0;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, 1 << 16));
        const long ra = ReadSome(fa.get(), blockA.data(), want);
        const long rb = ReadSome(fb.get(), blockB.data(), want);
        if (ra <= 0 || rb != ra) {
            error = "the files changed while they were compared";
            return false;
        }
        if (std::memcmp(blockA.data(), blockB.data(), static_cast<std::size_t>(ra)) != 0) {
            return false;
        }
        left -= static_cast<std::uint64_t>(ra);
    }
    return true;
}

struct RunStation {
    StationEntry entry;
    FileIdentity observed;
    std::string site;
    bool matched = false;
};

// A pair's place in the stamp order of the kept pairs: within an hour, the stamp on the
// full hour comes first.
std::int64_t OrderKey(const KeptPair& p) {
    return static_cast<std::int64_t>(p.hour) * 2 + ((p.flags & kEndsOnTheHour) != 0 ? 0 : 1);
}

// Narrows the kept pairs of every run of a station to the cases all runs share, and sums
// the groups again. Returns the number of common end stamps.
std::int64_t KeepCommonCases(const ControlSettings& settings, std::vector<StationResult>& runs) {
    const std::size_t count = runs.size();
    bool sameHumidity = true;
    for (const StationResult& r : runs) {
        sameHumidity = sameHumidity && r.humidity == runs.front().humidity;
    }
    std::vector<std::vector<KeptPair>> kept(count);
    std::vector<std::vector<std::uint64_t>> bits(count);
    std::vector<std::size_t> at(count, 0);
    const auto words = static_cast<std::size_t>(runs.front().rangeWords);
    std::int64_t common = 0;
    for (std::size_t i = 0; i < runs.front().kept.size(); ++i) {
        const std::int64_t key = OrderKey(runs.front().kept[i]);
        at[0] = i;
        bool everywhere = true;
        for (std::size_t k = 1; k < count && everywhere; ++k) {
            const std::vector<KeptPair>& other = runs[k].kept;
            while (at[k] < other.size() && OrderKey(other[at[k]]) < key) {
                ++at[k];
            }
            everywhere = at[k] < other.size() && OrderKey(other[at[k]]) == key;
        }
        if (!everywhere) {
            continue;
        }
        std::array<bool, kSlotCount> shared{};
        bool any = false;
        bool direction = true;
        for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
            shared[slot] = slot != kHumidity || sameHumidity;
            for (std::size_t k = 0; k < count; ++k) {
                shared[slot] = shared[slot] && runs[k].kept[at[k]].Uses(slot);
            }
            any = any || shared[slot];
        }
        for (std::size_t k = 0; k < count; ++k) {
            direction = direction && (runs[k].kept[at[k]].flags & kDirectionPair) != 0;
        }
        if (!any) {
            continue;
        }
        ++common;
        std::vector<std::uint64_t> rangeBits(words, ~std::uint64_t{0});
        for (std::size_t k = 0; k < count; ++k) {
            for (std::size_t w = 0; w < words; ++w) {
                rangeBits[w] &= runs[k].rangeBits[at[k] * words + w];
            }
        }
        for (std::size_t k = 0; k < count; ++k) {
            KeptPair pair = runs[k].kept[at[k]];
            for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
                if (!shared[slot]) {
                    pair.SetUnused(slot);
                }
            }
            if (!direction || !shared[kDirection]) {
                pair.flags = static_cast<std::uint8_t>(pair.flags & ~kDirectionPair);
            }
            kept[k].push_back(pair);
            bits[k].insert(bits[k].end(), rangeBits.begin(), rangeBits.end());
        }
    }
    for (std::size_t k = 0; k < count; ++k) {
        runs[k].kept = std::move(kept[k]);
        runs[k].rangeBits = std::move(bits[k]);
        if (!sameHumidity) {
            runs[k].humidity = HumidityKind::None;
            runs[k].evaluates[kHumidity] = false;
        }
        runs[k].groups.clear();
        runs[k].partials.clear();
        runs[k].windDays.clear();  // summed again from the common cases
        runs[k].warnings.clear();
        ComputeStationGroups(settings, runs[k]);
    }
    return common;
}

std::string FirstError(const StationResult& s) {
    return s.errors.empty() ? std::string("it could not be evaluated") : s.errors.front();
}

// Predicted over observed standard deviation of scalar k over the pairs of `stations`,
// about their pooled means: a first pass for the means, a second for the spreads.
double SpreadRatioOf(const std::vector<const StationResult*>& stations, std::size_t k) {
    const auto slot = static_cast<std::size_t>(kScalarSlots[k]);
    FirstPass first;
    for (const StationResult* s : stations) {
        for (const KeptPair& pair : s->kept) {
            if (pair.Uses(slot)) {
                first.Add(pair.Observed(slot), pair.Predicted(slot));
            }
        }
    }
    SecondPass second;
    for (const StationResult* s : stations) {
        for (const KeptPair& pair : s->kept) {
            if (pair.Uses(slot)) {
                second.Add(pair.Observed(slot), pair.Predicted(slot), first.MeanObserved(),
                           first.MeanPredicted());
            }
        }
    }
    return first.ObservedSpread() && second.sxx > 0 ? std::sqrt(second.syy / second.sxx)
                                                    : kNotComputed;
}

// The spread ratios of every station of every run, and of each run's stations pooled
// (humidity: those of the comparison's humidity variable).
void AddSpreadRatios(const std::vector<std::vector<StationResult>>& byRun,
                     ComparisonResult& result) {
    for (std::size_t k = 0; k < byRun.size(); ++k) {
        std::array<double, 3>& pooled = result.spreadRatio.emplace_back();
        for (std::size_t q = 0; q < 3; ++q) {
            std::vector<const StationResult*> members;
            for (std::size_t m = 0; m < byRun[k].size(); ++m) {
                const StationResult& s = byRun[k][m];
                if (q == 0) {
                    result.stations[m].spreadRatio.emplace_back();
                }
                result.stations[m].spreadRatio[k][q] = SpreadRatioOf({&s}, q);
                if (q != kScalarHumidity || s.humidity == result.humidity) {
                    members.push_back(&s);
                }
            }
            pooled[q] = SpreadRatioOf(members, q);
        }
    }
}

// The error of each day of the period of every run, all stations pooled, summed in station
// order: the RMSE of wind speed, the gross error of direction, temperature and humidity.
void AddDailyErrors(const ControlSettings& settings,
                    const std::vector<std::vector<StationResult>>& byRun,
                    ComparisonResult& result) {
    const PeriodRows rows(settings);
    result.firstDay = rows.firstDay;
    const auto days = static_cast<std::size_t>(std::max<std::int64_t>(rows.dayCount, 0));
    const std::int64_t firstDayHour = rows.DayStartHour(0);
    for (const std::vector<StationResult>& run : byRun) {
        std::array<std::vector<double>, kQuantityCount> sums;
        std::array<std::vector<std::int64_t>, kQuantityCount> counts;
        for (std::size_t q = 0; q < kQuantityCount; ++q) {
            sums[q].assign(days, 0);
            counts[q].assign(days, 0);
        }
        for (const StationResult& s : run) {
            for (const KeptPair& pair : s.kept) {
                const std::int64_t day = (pair.DayHour() - firstDayHour) / 24;
                if (day < 0 || static_cast<std::size_t>(day) >= days) {
                    continue;
                }
                const auto d = static_cast<std::size_t>(day);
                for (std::size_t k = 0; k < 3; ++k) {
                    const auto slot = static_cast<std::size_t>(kScalarSlots[k]);
                    const std::size_t q = k == 0 ? 0 : k + 1;
                    const bool pooled = k != kScalarHumidity || s.humidity == result.humidity;
                    if (pooled && pair.Uses(slot)) {
                        const double e = pair.Predicted(slot) - pair.Observed(slot);
                        sums[q][d] += k == 0 ? e * e : std::fabs(e);
                        ++counts[q][d];
                    }
                }
                if ((pair.flags & kDirectionPair) != 0) {
                    sums[1][d] += std::fabs(
                        WrappedDifference(pair.Predicted(kDirection), pair.Observed(kDirection)));
                    ++counts[1][d];
                }
            }
        }
        std::array<std::vector<double>, kQuantityCount>& error = result.dailyError.emplace_back();
        for (std::size_t q = 0; q < kQuantityCount; ++q) {
            error[q].resize(days);
            for (std::size_t d = 0; d < days; ++d) {
                const double mean = counts[q][d] > 0
                                        ? sums[q][d] / static_cast<double>(counts[q][d])
                                        : kNotComputed;
                error[q][d] = q == 0 ? std::sqrt(mean) : mean;
            }
        }
    }
}

}  // namespace

bool CompareRuns(const std::vector<ControlSettings>& runs, const ControlSettings& common,
                 const CompareOptions& options, ComparisonResult& result, std::string& error) {
    const std::size_t runCount = runs.size();
    result.settings = common;
    result.bootstrap = {options.bootstrap, options.seed};
    // Texts from outside are shown with their control characters escaped, as in every output.
    for (const std::string& path : options.controlPaths) {
        result.runs.push_back(ShownText(path));
    }
    for (const ControlSettings& r : runs) {
        result.titles.push_back(ShownText(r.title));
    }
    // Each run's files, resolved from its own folder, evaluated with the common settings.
    std::vector<ControlSettings> settings(runs);
    for (ControlSettings& s : settings) {
        s.AdoptEvaluationSettings(common);
    }
    std::vector<std::vector<RunStation>> stations(runCount);
    for (std::size_t k = 0; k < runCount; ++k) {
        const ControlSettings& s = settings[k];
        StationFileResult file = ReadStationFile(
            s.StationPath(), [&](std::string_view path) { return s.ResolveInFolder(path); },
            [](const std::string& path) { return IdentifyFile(path).plain; });
        if (!file.ok) {
            error = file.error + " (the station file of " + Excerpt(options.controlPaths[k]) + ")";
            return false;
        }
        for (StationEntry& entry : file.stations) {
            RunStation station;
            if (entry.error.empty()) {
                result.inputs.push_back(s.ResolveInFolder(entry.predicted));
                result.inputs.push_back(s.ResolveInFolder(entry.observed));
                const std::string path = s.ResolveInFolder(entry.observed);
                station.observed = IdentifyFile(path);
                if (station.observed.plain) {
                    station.site = std::string(Trim(ReadTsfSite(path)));
                }
            }
            station.entry = std::move(entry);
            stations[k].push_back(std::move(station));
        }
    }

    // The reference's stations in order, each with its match in every other run.
    struct Match {
        std::string name;
        std::vector<std::size_t> index;  // per run
    };
    std::vector<Match> matches;
    const auto runName = [&](std::size_t k) {
        return "run " + std::to_string(k + 1) + " (" + Excerpt(options.controlPaths[k]) + ")";
    };
    for (std::size_t i = 0; i < stations[0].size(); ++i) {
        RunStation& ref = stations[0][i];
        Match match;
        match.name = ShownText(ref.site.empty() ? ref.entry.observed : ref.site);
        match.index.assign(runCount, i);
        ref.matched = true;
        if (!ref.entry.error.empty() || !ref.observed.plain) {
            result.leftOut.push_back(
                {match.name, "station " + std::to_string(i + 1) + " of " + runName(0) + ": " +
                                 (ref.entry.error.empty() ? "the observed file cannot be read"
                                                          : ref.entry.error)});
            continue;
        }
        std::string reason;
        // Every run is searched, also once the station is left out, so that its match in a
        // later run is not reported as a station the reference lacks.
        for (std::size_t k = 1; k < runCount; ++k) {
            std::vector<RunStation>& other = stations[k];
            std::size_t found = other.size();
            for (std::size_t j = 0; j < other.size() && found == other.size(); ++j) {
                if (!other[j].matched && other[j].observed.exists &&
                    other[j].observed.SameFile(ref.observed)) {
                    found = j;
                }
            }
            bool bySite = false;
            for (std::size_t j = 0; j < other.size() && found == other.size() && !ref.site.empty();
                 ++j) {
                if (!other[j].matched && SameSite(other[j].site, ref.site)) {
                    found = j;
                    bySite = true;
                }
            }
            if (found == other.size()) {
                reason = !reason.empty()
                             ? reason
                             : "missing from " + runName(k) +
                                   ": no station with the observed file " +
                                   Excerpt(ref.entry.observed) +
                                   (ref.site.empty() ? std::string()
                                                     : " or the site '" + Excerpt(ref.site) + "'");
                continue;
            }
            other[found].matched = true;
            match.index[k] = found;
            if (bySite && reason.empty()) {
                std::string readError;
                const bool same = SameContent(
                    settings[0].ResolveInFolder(ref.entry.observed),
                    settings[k].ResolveInFolder(other[found].entry.observed), readError);
                if (!same) {
                    reason = "the observed file of " + runName(k) + ", " +
                             Excerpt(other[found].entry.observed) +
                             (readError.empty() ? ", differs in content from the reference's, "
                                                : ", cannot be compared with the reference's, ") +
                             Excerpt(ref.entry.observed) +
                             (readError.empty() ? std::string() : ": " + readError);
                }
            }
        }
        if (!reason.empty()) {
            result.leftOut.push_back({match.name, reason});
            continue;
        }
        matches.push_back(std::move(match));
    }
    for (std::size_t k = 1; k < runCount; ++k) {
        for (std::size_t j = 0; j < stations[k].size(); ++j) {
            const RunStation& s = stations[k][j];
            if (!s.matched) {
                result.leftOut.push_back({ShownText(s.site.empty() ? s.entry.observed : s.site),
                                          "station " + std::to_string(j + 1) + " of " + runName(k) +
                                              " is not in the reference run"});
            }
        }
    }

    // Every station of every run, on all threads; each result has its own slot, so the
    // outcome does not depend on the thread count.
    const unsigned threads =
        options.threads > 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
    const std::size_t bufferBytes = RecordBufferBytes(threads);
    std::vector<std::vector<StationResult>> evaluated(matches.size(),
                                                      std::vector<StationResult>(runCount));
    std::vector<std::int64_t> commonPairs(matches.size(), 0);
    std::vector<std::vector<RunIntervals>> intervals(matches.size(),
                                                     std::vector<RunIntervals>(runCount));
    std::vector<char> paired(matches.size(), 1);
    ParallelFor(matches.size(), threads, [&](std::size_t m) {
        // The runs' observed files of a station hold the same bytes (that is how they were
        // matched): read once for all runs that read them alike.
        thread_local SharedObserved observed;
        observed.read = false;
        for (std::size_t k = 0; k < runCount; ++k) {
            evaluated[m][k] = EvaluateStation(settings[k], stations[k][matches[m].index[k]].entry,
                                              static_cast<int>(matches[m].index[k]) + 1,
                                              bufferBytes, {}, &observed);
            if (!evaluated[m][k].evaluated) {
                return;
            }
        }
        commonPairs[m] = KeepCommonCases(common, evaluated[m]);
        if (commonPairs[m] > 0 && options.bootstrap > 0) {
            std::vector<DayTable> tables;
            for (const StationResult& run : evaluated[m]) {
                tables.push_back(StationDayTable(common, run));
            }
            // Every run of a station resamples from the reference's stream.
            paired[m] = PairedIntervals(
                tables, options.bootstrap,
                StreamSeed(options.seed, static_cast<std::uint64_t>(matches[m].index[0]) + 1),
                intervals[m]);
        }
    });

    std::vector<std::vector<StationResult>> byRun(runCount);
    std::string unpaired;
    for (std::size_t m = 0; m < matches.size(); ++m) {
        std::string reason;
        for (std::size_t k = 0; k < runCount && reason.empty(); ++k) {
            if (!evaluated[m][k].evaluated) {
                reason =
                    "cannot be evaluated in " + runName(k) + ": " + FirstError(evaluated[m][k]);
            }
        }
        if (reason.empty() && commonPairs[m] == 0) {
            reason =
                "no end stamp in the period has a variable that every run and the observed "
                "series give";
        }
        if (!reason.empty()) {
            result.leftOut.push_back({matches[m].name, reason});
            continue;
        }
        ComparedStation station;
        station.name = matches[m].name;
        station.observed = stations[0][matches[m].index[0]].entry.observed;
        station.commonPairs = commonPairs[m];
        station.humidity = evaluated[m][0].humidity;
        station.intervals = std::move(intervals[m]);
        if (!paired[m]) {
            unpaired += (unpaired.empty() ? "" : ", ") + station.name;
        }
        for (std::size_t k = 0; k < runCount; ++k) {
            station.runs.push_back(evaluated[m][k].groups);
            byRun[k].push_back(std::move(evaluated[m][k]));
        }
        result.stations.push_back(std::move(station));
    }
    evaluated.clear();
    if (result.stations.empty()) {
        error = "no station can be compared: " +
                (result.leftOut.empty()
                     ? std::string("the reference run has none")
                     : result.leftOut.front().name + ": " + result.leftOut.front().reason);
        return false;
    }
    std::vector<DayTable> pooledTables;
    for (std::size_t k = 0; k < runCount; ++k) {
        PooledFirstPass first(common);
        for (StationResult& s : byRun[k]) {
            first.Add(s);
        }
        const PooledResults pooled = ComputePooled(common, byRun[k], first, threads);
        result.pooled.push_back(pooled.all);
        if (k == 0) {
            result.humidity = pooled.humidity;
        }
        if (options.bootstrap > 0) {
            pooledTables.push_back(PooledDayTable(common, byRun[k], pooled, threads));
        }
    }
    result.pooledIntervals.assign(runCount, RunIntervals());
    if (options.bootstrap > 0 &&
        !PairedIntervals(pooledTables, options.bootstrap, StreamSeed(options.seed, 0),
                         result.pooledIntervals)) {
        unpaired += std::string(unpaired.empty() ? "" : ", ") + "all stations";
    }
    pooledTables.clear();
    if (!unpaired.empty()) {
        // Cannot happen once the runs share their cases; said rather than paired wrongly.
        result.notes.push_back("the runs' days with common cases differ (" + unpaired +
                               "): no interval of the differences there");
    }
    // The bias by hour of the day, summed in station order.
    const int startHour = StartHourOfDay(common);
    for (std::size_t k = 0; k < runCount; ++k) {
        std::array<std::array<double, 24>, 3> sums{};
        std::array<std::array<std::int64_t, 24>, 3> counts{};
        for (const StationResult& s : byRun[k]) {
            for (const KeptPair& pair : s.kept) {
                const auto hour = static_cast<std::size_t>((startHour + pair.hour) % 24);
                for (std::size_t q = 0; q < 3; ++q) {
                    const auto slot = static_cast<std::size_t>(kScalarSlots[q]);
                    const bool pooled = q != kScalarHumidity || s.humidity == result.humidity;
                    if (pooled && pair.Uses(slot)) {
                        sums[q][hour] += pair.Predicted(slot) - pair.Observed(slot);
                        ++counts[q][hour];
                    }
                }
            }
        }
        std::array<std::array<double, 24>, 3>& bias = result.diurnalBias.emplace_back();
        for (std::size_t q = 0; q < 3; ++q) {
            for (std::size_t h = 0; h < 24; ++h) {
                bias[q][h] = counts[q][h] > 0 ? sums[q][h] / static_cast<double>(counts[q][h])
                                              : kNotComputed;
            }
        }
    }
    AddSpreadRatios(byRun, result);
    AddDailyErrors(common, byRun, result);
    return true;
}

}  // namespace corvane::wxcheck
