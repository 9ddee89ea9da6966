#include "wxcheck/evaluation/station_series.h"

#include <algorithm>
#include <cmath>

#include "tsf/plain_file.h"
#include "tsf/text_scan.h"
#include "tsf/tsf_header.h"
#include "tsf/tsf_site.h"

namespace corvane::wxcheck {

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

// The warnings of a file's record counts.
void NoteRecordCounts(const FileReport& report, StationResult& station) {
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
    NoteRecordCounts(report, station);
    return true;
}

bool SamePlan(const RecordPlan& a, const RecordPlan& b) {
    return a.variableCount == b.variableCount && a.column == b.column && a.windUnit == b.windUnit &&
           a.temperatureUnit == b.temperatureUnit &&
           a.mixingRatioAsSpecific == b.mixingRatioAsSpecific && a.shift == b.shift &&
           a.first == b.first && a.last == b.last;
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

}  // namespace

bool ReadStationSeries(const ControlSettings& settings, const StationEntry& entry,
                       std::size_t bufferBytes, StationResult& station,
                       std::vector<Record>& predictedRecords, std::vector<Record>& observedRecords,
                       SharedObserved* shared) {
    station.predicted.path = settings.ResolveInFolder(entry.predicted);
    station.observed.path = settings.ResolveInFolder(entry.observed);

    OpenedFile predicted;
    OpenedFile observed;
    const bool predictedOk =
        ReadHeader(settings, "predicted", station.predicted, predicted, station);
    const bool observedOk = ReadHeader(settings, "observed", station.observed, observed, station);
    if (!predictedOk || !observedOk) {
        return false;
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
    // A variable both files give in readable units is evaluated, whatever the others are:
    // a pair missing it counts as missing. Only its statistics need more: a direction pair
    // counts only when both speeds are above the calm threshold, so without a readable
    // WSPEED in both files no direction pair can count.
    const bool directionWithoutSpeed = station.evaluates[kDirection] && !station.evaluates[kSpeed];
    if (directionWithoutSpeed) {
        station.warnings.push_back(
            "wind direction has no statistics: calm hours cannot be told without WSPEED in "
            "known units in both files; a pair missing WDIR still counts as missing");
    }
    if (std::none_of(station.evaluates.begin(), station.evaluates.end(),
                     [](bool b) { return b; }) ||
        (directionWithoutSpeed && !station.evaluates[kTemperature] &&
         !station.evaluates[kHumidity])) {
        station.errors.push_back(
            "the two files share no variable that can be evaluated (WSPEED, WDIR with WSPEED, "
            "TEMP, MIXR, SHUM, RHUM)");
        return false;
    }

    NoteUnits("predicted", predicted.variables, station);
    NoteUnits("observed", observed.variables, station);

    if (!ReadRecords(PlanFor(settings, predicted, station), predicted, station.predicted,
                     predictedRecords, bufferBytes, station)) {
        return false;
    }
    const RecordPlan plan = PlanFor(settings, observed, station);
    if (shared != nullptr && shared->read && SamePlan(shared->plan, plan)) {
        station.observed.counts = shared->counts;
        station.observed.read = true;
        NoteRecordCounts(station.observed, station);
        return true;
    }
    if (shared != nullptr) {
        shared->read = false;
    }
    if (!ReadRecords(plan, observed, station.observed, observedRecords, bufferBytes, station)) {
        return false;
    }
    if (shared != nullptr) {
        shared->read = true;
        shared->plan = plan;
        shared->counts = station.observed.counts;
    }
    return true;
}

}  // namespace corvane::wxcheck
