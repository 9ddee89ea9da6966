#include "wxcheck/station_evaluation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "tsf/plain_file.h"
#include "tsf/tsf_header.h"
#include "tsf/tsf_site.h"
#include "wxcheck/csv_output.h"
#include "tsf/text_scan.h"

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

namespace {

struct OpenedFile {
    FileDescriptor file;
    std::uint64_t size = 0;  // at the opening: what is appended later is not read
    TsfHeader header;
    FileVariables variables;
    Stamp shift = 0;  // seconds from the file's zone into the processing zone
};

// Stamps written in another zone than the processing zone are shifted into it; a zone that
// is not "UTC+HHMM" or "UTC-HHMM" cannot be.
bool ReadZone(const ControlSettings& settings, const char* which, const FileReport& report,
              OpenedFile& file, StationResult& station) {
    const std::string_view zone = Trim(file.header.zone);
    if (EqualsNoCase(zone, settings.zone)) {
        return true;
    }
    const std::optional<int> fileOffset = ZoneOffsetMinutes(zone);
    const std::optional<int> processingOffset = ZoneOffsetMinutes(settings.zone);
    if (!fileOffset || !processingOffset) {
        station.errors.push_back(
            Excerpt(report.path) + ":" + std::to_string(file.header.zoneLine) +
            ": the file's time zone " + Excerpt(zone) + " differs from the processing zone " +
            Excerpt(settings.zone) + ", and " + Excerpt(fileOffset ? settings.zone : zone) +
            " is no zone UTC+HHMM or UTC-HHMM that its stamps could be shifted from or into");
        return false;
    }
    file.shift = static_cast<Stamp>(*processingOffset - *fileOffset) * 60;
    station.notes.push_back(std::string(which) + " series: stamps in " + Excerpt(zone) +
                            " shifted by " + OffsetText(*processingOffset - *fileOffset) +
                            " into " + settings.zone);
    return true;
}

bool ReadHeader(const ControlSettings& settings, const char* which, FileReport& report,
                OpenedFile& file, StationResult& station) {
    std::string error;
    file.file = OpenPlainFile(report.path, error, &file.size);
    if (!file.file.valid()) {
        station.errors.push_back(Excerpt(report.path) + ": cannot open the file: " + error);
        return false;
    }
    // Any kind but "MET": the engine evaluates whatever known variables a file has.
    file.header = ReadTsfHeaderFromDescriptor(file.file.get(), "ENGINE");
    if (!file.header.ok()) {
        station.errors.push_back(Excerpt(report.path) + ": " + file.header.message);
        return false;
    }
    report.site = file.header.site;
    if (!ReadZone(settings, which, report, file, station)) {
        return false;
    }
    file.variables = MapVariables(file.header.variables);
    for (const std::string& warning : file.variables.warnings) {
        station.warnings.push_back(Excerpt(report.path) + ": " + warning);
    }
    return true;
}

bool ReadRecords(const RecordPlan& plan, const OpenedFile& file, FileReport& report,
                 std::vector<Record>& records, std::size_t bufferBytes, StationResult& station) {
    // Reused from station to station on each thread: fresh large blocks would cost a page
    // fault per page every time.
    thread_local std::vector<char> buffer;
    std::string error;
    records.clear();
    if (!ReadRecordFile(file.file.get(), file.header.dataOffset, file.size, file.header.dataLine,
                        plan, records, report.counts, buffer, bufferBytes, error)) {
        station.errors.push_back(Excerpt(report.path) + ": cannot read the data records: " + error);
        return false;
    }
    report.read = true;
    const RecordCounts& c = report.counts;
    const std::string path = Excerpt(report.path);
    if (c.skipped > 0) {
        station.warnings.push_back(
            path + ":" + std::to_string(c.firstSkippedLine) + ": " + std::to_string(c.skipped) +
            " record(s) skipped; the first is line " + std::to_string(c.firstSkippedLine) + ": " +
            c.firstSkippedReason);
    }
    if (c.outOfRange > 0) {
        station.warnings.push_back(
            path + ":" + std::to_string(c.firstOutOfRangeLine) + ": " +
            std::to_string(c.outOfRange) +
            " value(s) out of range (wind direction outside 0 to 360, negative wind speed), "
            "treated as missing");
    }
    if (c.duplicates > 0) {
        station.warnings.push_back(
            path + ":" + std::to_string(c.firstDuplicateLine) + ": " +
            std::to_string(c.duplicates) +
            " record(s) in the period repeat an earlier end stamp and are left out");
    }
    return true;
}

RecordPlan PlanFor(const ControlSettings& settings, const OpenedFile& file,
                   const StationResult& station) {
    const FileVariables& variables = file.variables;
    RecordPlan plan;
    plan.first = settings.start;
    plan.last = settings.end;
    plan.shift = file.shift;
    plan.variableCount = variables.variableCount;
    plan.windUnit = variables.windUnit;
    plan.temperatureUnit = variables.temperatureUnit;
    for (int slot = 0; slot < 3; ++slot) {
        if (station.evaluates[static_cast<std::size_t>(slot)]) {
            plan.column[static_cast<std::size_t>(slot)] =
                variables.column[static_cast<std::size_t>(slot)];
        }
    }
    if (station.humidity != HumidityKind::None) {
        plan.column[kHumidity] =
            variables.humidityColumn[static_cast<std::size_t>(station.humidity)];
        if (plan.column[kHumidity] < 0) {  // SHUM from this file's MIXR (ChooseHumidity)
            plan.column[kHumidity] =
                variables.humidityColumn[static_cast<std::size_t>(HumidityKind::MixingRatio)];
            plan.mixingRatioAsSpecific = true;
        }
    }
    return plan;
}

// The humidity variable of a station: the first of MIXR, SHUM and RHUM that both files
// have, where a mixing ratio counts as specific humidity when the other file has that.
// Relative humidity cannot be converted to either without the pressure.
void ChooseHumidity(const FileVariables& predicted, const FileVariables& observed,
                    StationResult& station) {
    const auto has = [](const FileVariables& v, HumidityKind kind) {
        return v.humidityColumn[static_cast<std::size_t>(kind)] >= 0;
    };
    const auto both = [&](HumidityKind kind) {
        return has(predicted, kind) && has(observed, kind);
    };
    const HumidityKind mixing = HumidityKind::MixingRatio;
    const HumidityKind specific = HumidityKind::SpecificHumidity;
    if (both(mixing) || both(specific)) {
        station.humidity = both(mixing) ? mixing : specific;
    } else if ((has(predicted, mixing) && has(observed, specific)) ||
               (has(predicted, specific) && has(observed, mixing))) {
        station.humidity = specific;
        station.notes.push_back(std::string(has(predicted, specific) ? "observed" : "predicted") +
                                " series: MIXR evaluated as SHUM, q = w / (1 + w) in kg/kg");
    } else if (both(HumidityKind::Relative)) {
        station.humidity = HumidityKind::Relative;
    }
    if (station.humidity != HumidityKind::None) {
        station.evaluates[kHumidity] = true;
        return;
    }
    const auto names = [&](const FileVariables& v) {
        std::string text;
        for (const HumidityKind kind : {mixing, specific, HumidityKind::Relative}) {
            if (has(v, kind)) {
                text += (text.empty() ? "" : " and ") + std::string(HumidityName(kind));
            }
        }
        return text;
    };
    if (!names(predicted).empty() && !names(observed).empty()) {
        station.warnings.push_back(
            "humidity is not evaluated: the predicted file gives " + names(predicted) +
            ", the observed file " + names(observed) +
            "; relative humidity cannot be converted into a mixing ratio or a specific "
            "humidity without the pressure");
    }
}

// The conversions of a file's units into the evaluated ones, for the list file.
void NoteUnits(const char* which, const FileVariables& v, StationResult& station) {
    std::string converted;
    if (station.evaluates[kSpeed] && v.windUnit != WindUnit::MetresPerSecond) {
        converted += std::string("WSPEED from ") + WindUnitText(v.windUnit) + " to m/s";
    }
    if (station.evaluates[kTemperature] && v.temperatureUnit != TemperatureUnit::Kelvin) {
        converted += (converted.empty() ? "TEMP from " : ", TEMP from ") +
                     std::string(TemperatureUnitText(v.temperatureUnit)) + " to K";
    }
    if (!converted.empty()) {
        station.notes.push_back(std::string(which) + " series: " + converted);
    }
}

void ComputeStationGroups(const ControlSettings& settings, StationResult& station) {
    const int groups = GroupCount(settings);
    const GroupMembership membership(settings);
    station.partials.assign(static_cast<std::size_t>(groups), GroupPartial());
    for (std::size_t i = 0; i < station.kept.size(); ++i) {
        const KeptPair& pair = station.kept[i];
        const bool direction = (pair.flags & kDirectionPair) != 0;
        const DirectionSums::Term term =
            direction ? DirectionSums::TermOf(pair.Observed(kDirection), pair.Predicted(kDirection))
                      : DirectionSums::Term{};
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
        });
    }
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
    }
    if (notFinite) {
        station.warnings.push_back(
            "some statistics are no finite number (values too large to square and sum, such "
            "as 1e308) and are written as -999");
    }
}

}  // namespace

StationResult EvaluateStation(const ControlSettings& settings, const StationEntry& entry,
                              int number, std::size_t bufferBytes, bool pairs) {
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
    station.predicted.path = settings.ResolveInFolder(entry.predicted);
    station.observed.path = settings.ResolveInFolder(entry.observed);

    OpenedFile predicted;
    OpenedFile observed;
    const bool predictedOk =
        ReadHeader(settings, "predicted", station.predicted, predicted, station);
    const bool observedOk = ReadHeader(settings, "observed", station.observed, observed, station);
    if (!predictedOk || !observedOk) {
        return station;
    }
    if (SitesDiffer(station.predicted.site, station.observed.site)) {
        station.warnings.push_back("the two files name different sites: predicted '" +
                                   Excerpt(station.predicted.site) + "', observed '" +
                                   Excerpt(station.observed.site) + "'");
    }
    for (std::size_t slot = 0; slot < 3; ++slot) {
        station.evaluates[slot] =
            predicted.variables.column[slot] >= 0 && observed.variables.column[slot] >= 0;
    }
    ChooseHumidity(predicted.variables, observed.variables, station);
    if (station.evaluates[kDirection] && !station.evaluates[kSpeed]) {
        // Calm hours are told by the wind speed; without it no direction pair can count.
        station.evaluates[kDirection] = false;
        station.warnings.push_back(
            "wind direction is not evaluated: calm hours cannot be told without WSPEED in "
            "both files");
    }
    if (std::none_of(station.evaluates.begin(), station.evaluates.end(),
                     [](bool b) { return b; })) {
        station.errors.push_back(
            "the two files share no variable that can be evaluated (WSPEED, WDIR, TEMP, "
            "MIXR, SHUM, RHUM)");
        return station;
    }

    NoteUnits("predicted", predicted.variables, station);
    NoteUnits("observed", observed.variables, station);

    thread_local std::vector<Record> predictedRecords;
    thread_local std::vector<Record> observedRecords;
    if (!ReadRecords(PlanFor(settings, predicted, station), predicted, station.predicted,
                     predictedRecords, bufferBytes, station) ||
        !ReadRecords(PlanFor(settings, observed, station), observed, station.observed,
                     observedRecords, bufferBytes, station)) {
        return station;
    }

    const Stamp startHour = FloorDiv(settings.start, kSecondsPerHour);
    IsoTimes times(settings.zone);
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
        if (pairs) {
            AppendPairRow(station.pairsCsv, station, times.Text(observedRecord.stamp), *o, *p,
                          calmPair, used);
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
    station.kept.shrink_to_fit();
    station.rangeBits.shrink_to_fit();
    ComputeStationGroups(settings, station);
    station.evaluated = true;
    return station;
}

}  // namespace corvane::wxcheck
