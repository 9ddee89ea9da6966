#pragma once

// One station: read its predicted and observed files, pair their records by end stamp,
// apply the period, the missing filter and the calm threshold, keep the pairs for the
// pooled groups and compute the station's own statistics.

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tsf/tsf_records.h"
#include "wxcheck/control_file.h"
#include "wxcheck/evaluation/bootstrap.h"
#include "wxcheck/evaluation/statistics.h"
#include "wxcheck/station_file.h"

namespace corvane::wxcheck {

/// Scalar quantities in table order: wind speed, temperature, humidity.
enum ScalarIndex : int { kScalarSpeed = 0, kScalarTemperature = 1, kScalarHumidity = 2 };
inline constexpr std::array<int, 3> kScalarSlots = {kSpeed, kTemperature, kHumidity};

enum PairFlags : std::uint8_t {
    kDirectionPair = 1,
    /// The end stamp is a full hour: the pair's day is that of the hour before.
    kEndsOnTheHour = 2,
};

/// A pair kept for the pooled groups, in 40 bytes. Each value takes four bytes: a whole
/// number of ten-thousandths when it is one (as the values of files written with up to
/// four decimals are), single precision otherwise. Dividing ten-thousandths by 1e4 rounds
/// once, so it gives back the very double that was read, where single precision alone
/// would already blur the fourth decimal of a temperature. Temperatures are kept relative
/// to 273.15 K.
class KeptPair {
public:
    std::int32_t hour = 0;  // hours after the hour of the period start
    std::uint8_t flags = 0;

    /// The hour, counted as `hour` is, of the end stamp less one second: the day of a pair
    /// holds the hours that end from 01:00 to 24:00 (00:00 of the next date).
    std::int32_t DayHour() const { return hour - ((flags & kEndsOnTheHour) != 0 ? 1 : 0); }

    /// Both values of a slot the pair uses.
    void Set(std::size_t slot, double observed, double predicted) {
        exact_ = static_cast<std::uint8_t>(exact_ & ~(0x11u << slot));
        if (Encode(observed, observed_[slot])) {
            exact_ = static_cast<std::uint8_t>(exact_ | (1u << slot));
        }
        if (Encode(predicted, predicted_[slot])) {
            exact_ = static_cast<std::uint8_t>(exact_ | (0x10u << slot));
        }
    }
    /// A slot the pair does not use (missing in either series, or not evaluated).
    void SetUnused(std::size_t slot) {
        exact_ = static_cast<std::uint8_t>(exact_ & ~(0x11u << slot));
        observed_[slot] = predicted_[slot] = kUnusedBits;
    }
    bool Uses(std::size_t slot) const {
        return ((exact_ >> slot) & 1u) != 0 || observed_[slot] != kUnusedBits;
    }
    double Observed(std::size_t slot) const {
        return Decode(observed_[slot], (exact_ >> slot) & 1u);
    }
    double Predicted(std::size_t slot) const {
        return Decode(predicted_[slot], (exact_ >> (4 + slot)) & 1u);
    }
    /// Observed(slot) and Predicted(slot) at once, their two divisions in one instruction: the
    /// day rows of the intervals take both of every pair twice.
    std::pair<double, double> Values(std::size_t slot) const {
        using Two = double __attribute__((vector_size(2 * sizeof(double))));
        const Two whole = Two{static_cast<double>(static_cast<std::int32_t>(observed_[slot])),
                              static_cast<double>(static_cast<std::int32_t>(predicted_[slot]))} /
                          1e4;
        return {((exact_ >> slot) & 1u) != 0
                    ? whole[0]
                    : static_cast<double>(std::bit_cast<float>(observed_[slot])),
                ((exact_ >> (4 + slot)) & 1u) != 0
                    ? whole[1]
                    : static_cast<double>(std::bit_cast<float>(predicted_[slot]))};
    }

private:
    static constexpr std::uint32_t kUnusedBits = 0x7fc00000u;  // a quiet NaN as float

    static bool Encode(double value, std::uint32_t& bits) {
        const double scaled = value * 1e4;
        if (scaled > -2e9 && scaled < 2e9) {
            const double whole = std::nearbyint(scaled);
            const double off = scaled - whole;
            if ((off < 0 ? -off : off) <= 1e-9 + 1e-15 * (whole < 0 ? -whole : whole)) {
                bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(whole));
                return true;
            }
        }
        // Beyond the range of single precision (a value such as 1e308) is infinite: the
        // statistics then say they cannot be computed.
        constexpr double kFloatMax = std::numeric_limits<float>::max();
        const float single = value > kFloatMax    ? std::numeric_limits<float>::infinity()
                             : value < -kFloatMax ? -std::numeric_limits<float>::infinity()
                                                  : static_cast<float>(value);
        bits = std::bit_cast<std::uint32_t>(single);
        return false;
    }
    static double Decode(std::uint32_t bits, unsigned exact) {
        return exact != 0 ? static_cast<double>(static_cast<std::int32_t>(bits)) / 1e4
                          : static_cast<double>(std::bit_cast<float>(bits));
    }

    std::uint8_t exact_ = 0;  // bit s: observed slot s in ten-thousandths; bit 4 + s: predicted
    std::array<std::uint32_t, kSlotCount> observed_{kUnusedBits, kUnusedBits, kUnusedBits,
                                                    kUnusedBits};
    std::array<std::uint32_t, kSlotCount> predicted_{kUnusedBits, kUnusedBits, kUnusedBits,
                                                     kUnusedBits};
};

static_assert(sizeof(KeptPair) == 40, "pairs are kept by the million");

struct GroupResult {
    std::array<ScalarStats, 3> scalar;
    DirectionStats direction;
    VectorStats vector;
};

/// Sums of a group that is merged over stations.
struct GroupPartial {
    std::array<FirstPass, 3> first;
    std::array<SecondPass, 3> second;
    DirectionSums direction;
    VectorSums vector;
};

/// Whether a pair counts for the vector wind error: both speeds and both directions present,
/// calm or not.
inline bool IsVectorPair(const KeptPair& pair) {
    return pair.Uses(kSpeed) && pair.Uses(kDirection);
}

/// The difference vector of a vector pair from the unit vectors of its directions, which
/// the direction statistics work out too.
inline VectorSums::Term VectorTermOf(const KeptPair& pair, const DirectionSums::Term& unit) {
    const double observed = pair.Observed(kSpeed);
    const double predicted = pair.Predicted(kSpeed);
    return {predicted * unit.uPredicted - observed * unit.uObserved,
            predicted * unit.vPredicted - observed * unit.vObserved};
}

/// The unit vectors and the difference of a pair's directions.
inline DirectionSums::Term DirectionTermOf(const KeptPair& pair) {
    return DirectionSums::TermOf(pair.Observed(kDirection), pair.Predicted(kDirection));
}

struct FileReport {
    std::string written;  // as the station file gives it
    std::string path;     // as opened
    std::string site;     // of its site line; empty without one
    bool read = false;
    RecordCounts counts;
};

/// The groups of a station, in this order: the whole period, each time-of-day window,
/// each wind-speed range.
inline int GroupCount(const ControlSettings& settings) {
    return 1 + static_cast<int>(settings.windows.size() + settings.ranges.size());
}

struct StationResult {
    int number = 0;         // 1-based, in station file order
    std::int64_t line = 0;  // in the station file
    bool evaluated = false;
    FileReport predicted;
    FileReport observed;
    std::array<bool, kSlotCount> evaluates{};
    HumidityKind humidity = HumidityKind::None;
    std::int64_t pairs = 0;    // pairs in the period
    std::int64_t missing = 0;  // of those, pairs with a missing value
    std::int64_t calm = 0;     // of the pairs used, calm ones
    std::int64_t used = 0;     // pairs left after the missing filter
    std::vector<std::string> errors;
    std::vector<std::string> warnings;
    /// What was converted: stamps shifted into the processing zone, units, humidity.
    std::vector<std::string> notes;
    /// The station's rows of ROOT_Pairs.csv, when asked for; released once written.
    std::string pairsCsv;

    std::vector<KeptPair> kept;
    /// Wind-speed range membership of each kept pair, `rangeWords` words a pair.
    std::vector<std::uint64_t> rangeBits;
    int rangeWords = 0;

    std::vector<GroupResult> groups;
    /// The whole period's 95% intervals (none made unless asked for).
    GroupIntervals intervals;
    /// The direction and vector sums of each day with pairs, for the all-station intervals:
    /// they need no shift, and their trigonometry is done once.
    std::vector<DayWind> windDays;
    /// First passes and direction sums of each group, for the all-station groups; released
    /// once they are merged.
    std::vector<GroupPartial> partials;

    bool InRange(std::size_t pair, int range) const {
        return (rangeBits[pair * static_cast<std::size_t>(rangeWords) +
                          static_cast<std::size_t>(range / 64)] >>
                (range % 64)) &
               1u;
    }
};

/// Hour of the day (0 to 23) of the period start; pair hours count from it.
int StartHourOfDay(const ControlSettings& settings);

/// Which groups of the layout hold a pair: group 0 (the whole period) every pair, a
/// window group the pairs whose end hour lies in the window, a range group the pairs whose
/// observed speed lies in the range.
class GroupMembership {
public:
    explicit GroupMembership(const ControlSettings& settings);

    /// Calls visit(group) for every group that holds pair `i` of `station`, in group order.
    template <class Visit>
    void ForEach(const StationResult& station, std::size_t i, Visit&& visit) const {
        visit(0);
        const int hourOfDay = (startHourOfDay_ + station.kept[i].hour) % 24;
        for (std::size_t w = 0; w < windowMasks_.size(); ++w) {
            if ((windowMasks_[w] >> hourOfDay) & 1u) {
                visit(static_cast<int>(1 + w));
            }
        }
        for (int r = 0; r < ranges_; ++r) {
            if (station.InRange(i, r)) {
                visit(1 + static_cast<int>(windowMasks_.size()) + r);
            }
        }
    }

private:
    int startHourOfDay_ = 0;
    std::vector<std::uint32_t> windowMasks_;
    int ranges_ = 0;
};

/// Sees every pair of a station in the period as it is formed, used or not (the rows of
/// ROOT_Pairs.csv), so that no pair needs to be kept for it.
using PairVisitor = std::function<void(StationResult& station, const Record& observed,
                                       const Record& predicted, bool calm, bool used)>;

/// The observed records of a station as one run read them, for the other runs of a
/// comparison, whose observed files hold the same bytes: a run that would read them with
/// the same plan (variables, units, zone, period) takes them as they are.
struct SharedObserved {
    bool read = false;
    RecordPlan plan;
    RecordCounts counts;
    std::vector<Record> records;
};

/// The partial sums and statistics of every group of a station from its kept pairs (a
/// comparison of runs narrows them to the cases all runs share, then sums them again).
void ComputeStationGroups(const ControlSettings& settings, StationResult& station);

/// Reads, pairs and evaluates one station; `bufferBytes` is the read buffer of each thread
/// (RecordBufferBytes). A `visitor`, when set, sees every pair in the period. With `shared`,
/// the observed records come from there when they fit, and are left there otherwise.
StationResult EvaluateStation(const ControlSettings& settings, const StationEntry& entry,
                              int number, std::size_t bufferBytes, const PairVisitor& visitor = {},
                              SharedObserved* shared = nullptr);

}  // namespace corvane::wxcheck
