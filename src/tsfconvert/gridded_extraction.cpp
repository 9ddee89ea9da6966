#include "tsfconvert/gridded_extraction.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <ostream>

#include "tsf/text_scan.h"
#include "tsf/tsf_writer.h"
#include "tsf/units.h"
#include "tsfconvert/cf_time.h"
#include "tsfconvert/convert.h"
#include "tsfconvert/gridded_plan.h"
#include "tsfconvert/netcdf_file.h"
#include "tsfconvert/output_file.h"
#include "tsfconvert/station_list.h"
#include "tsfconvert/wind_rotation.h"

#ifndef TSFCONVERT_VERSION
#define TSFCONVERT_VERSION "dev"
#endif

namespace corvane::tsfconvert {
namespace gridded {

namespace {

// Values in one read of a field: whole rows up to about 64 KB of doubles.
constexpr std::size_t kStripValues = 8192;

}  // namespace

std::vector<Step> Extraction::PlanSteps(const std::vector<FileTimes>& files) {
    struct Candidate {
        Step step;
        Seconds initial = 0;
    };
    std::vector<Candidate> candidates;
    for (std::uint32_t f = 0; f < files.size(); ++f) {
        for (std::size_t i = 0; i < files[f].times.size(); ++i) {
            const Seconds time = files[f].times[i];
            // Only full hours are records; a finer output step gives the hours among its times.
            if (((time % kHour) + kHour) % kHour != 0) {
                continue;
            }
            const Seconds initial = files[f].initial.value_or(0);
            if (o_.lead) {
                const Seconds lead = time - initial;
                if (lead < o_.lead->first * kHour || lead > o_.lead->second * kHour) {
                    continue;
                }
            }
            candidates.push_back({{time, f, i}, initial});
        }
    }
    // By time, then by initial time: of one time, the latest forecast comes last.
    std::stable_sort(
        candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
            return a.step.time != b.step.time ? a.step.time < b.step.time : a.initial < b.initial;
        });
    std::vector<Step> steps;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const Candidate& c = candidates[i];
        if (i + 1 < candidates.size() && candidates[i + 1].step.time == c.step.time) {
            const Candidate& next = candidates[i + 1];
            if (!o_.lead || next.initial == c.initial) {
                throw ConvertError(
                    "the time " + HourText(c.step.time) + " occurs in " + o_.inputs[c.step.file] +
                    (c.step.file == next.step.file ? " twice"
                                                   : " and in " + o_.inputs[next.step.file]) +
                    (o_.lead ? ", forecasts of the same initial time"
                             : "; --lead FROM:TO picks the hours of each forecast to keep"));
            }
            continue;  // the later forecast gives this time
        }
        steps.push_back(c.step);
    }
    if (steps.empty()) {
        throw ConvertError(o_.lead ? "no field lies on a full hour within --lead " +
                                         std::to_string(o_.lead->first) + ":" +
                                         std::to_string(o_.lead->second) + " of its forecast"
                                   : "no field lies on a full hour");
    }
    if (steps.front().time < FirstRecordEnd() || steps.back().time > LastRecordEnd()) {
        throw ConvertError("the fields' times lie outside the years 100 to 9999");
    }
    return steps;
}

void Extraction::Extract(const std::vector<Step>& steps) {
    const std::size_t vars = variables_.size();
    for (std::vector<double>& v : values_) {
        v.assign(steps.size() * vars, std::nan(""));
    }
    // The records each file gives, in the order of its fields.
    std::vector<std::vector<std::size_t>> byFile(o_.inputs.size());
    for (std::size_t r = 0; r < steps.size(); ++r) {
        byFile[steps[r].file].push_back(r);
    }
    const std::size_t boxX = xLast_ - xFirst_ + 1;
    // The stations' points ordered by row, so that a strip of rows serves all of its points
    // at once: the field is read in strips of a few whole rows each (one contiguous read
    // apiece), never whole, which keeps the memory of a large grid to a strip.
    struct PointRef {
        std::size_t y, x, station, k;
    };
    std::vector<PointRef> refs;
    std::vector<std::vector<double>> point(fields_.size() * stations_.size());
    for (std::size_t s = 0; s < stations_.size(); ++s) {
        for (std::size_t k = 0; k < stations_[s].points.size(); ++k) {
            refs.push_back({stations_[s].points[k].y, stations_[s].points[k].x, s, k});
        }
        for (std::size_t v = 0; v < fields_.size(); ++v) {
            point[v * stations_.size() + s].resize(stations_[s].points.size());
        }
    }
    std::sort(refs.begin(), refs.end(),
              [](const PointRef& a, const PointRef& b) { return a.y < b.y; });
    const std::size_t stripRows = std::max<std::size_t>(1, kStripValues / boxX);
    std::vector<double> strip;
    for (std::size_t f = 0; f < byFile.size(); ++f) {
        if (byFile[f].empty()) {
            continue;
        }
        const NcFile file(o_.inputs[f]);
        std::vector<int> ids;
        std::vector<NcFile::Packing> packings;
        for (const Field& field : fields_) {
            ids.push_back(file.Variable(field.name, ""));
            packings.push_back(file.PackingOf(ids.back()));
        }
        for (const std::size_t r : byFile[f]) {
            for (std::size_t v = 0; v < fields_.size(); ++v) {
                const Field& field = fields_[v];
                for (std::size_t i = 0; i < refs.size();) {
                    const std::size_t y0 = refs[i].y;
                    const std::size_t rows = std::min(stripRows, yLast_ - y0 + 1);
                    std::vector<std::size_t> start = {steps[r].index, y0, xFirst_};
                    std::vector<std::size_t> count = {1, rows, boxX};
                    if (field.level >= 0) {
                        start.insert(start.begin() + 1, static_cast<std::size_t>(field.level));
                        count.insert(count.begin() + 1, 1);
                    }
                    file.ReadRaw(ids[v], start, count, strip);
                    // Only the stations' points are unpacked.
                    for (; i < refs.size() && refs[i].y < y0 + rows; ++i) {
                        const PointRef& p = refs[i];
                        const double raw = strip[(p.y - y0) * boxX + (p.x - xFirst_)];
                        point[v * stations_.size() + p.station][p.k] =
                            packings[v].Unpack(raw) * field.scale + field.offset;
                    }
                }
            }
            for (std::size_t s = 0; s < stations_.size(); ++s) {
                const StationPlan& plan = stations_[s];
                if (!plan.failure.empty()) {
                    continue;
                }
                const auto weighted = [&](std::size_t v) {
                    double sum = 0;
                    const std::vector<double>& at = point[v * stations_.size() + s];
                    for (std::size_t k = 0; k < at.size(); ++k) {
                        if (plan.points[k].weight > 0) {
                            sum += plan.points[k].weight * at[k];  // NaN stays NaN
                        }
                    }
                    return sum;
                };
                double* out = values_[s].data() + r * vars;
                double speed = 0;
                double direction = 0;
                if (fields_[0].quantity == Quantity::U) {
                    // Each point's wind turned to the earth's, then interpolated.
                    double u = 0;
                    double v = 0;
                    const auto& us = point[0 * stations_.size() + s];
                    const auto& vs = point[1 * stations_.size() + s];
                    for (std::size_t k = 0; k < us.size(); ++k) {
                        if (plan.points[k].weight == 0) {
                            continue;
                        }
                        double pu = us[k];
                        double pv = vs[k];
                        if (!plan.turns.empty()) {
                            TurnToEarth(plan.turns[k], pu, pv);
                        }
                        u += plan.points[k].weight * pu;
                        v += plan.points[k].weight * pv;
                    }
                    SpeedAndDirection(u, v, speed, direction);
                    if (std::isnan(u) || std::isnan(v)) {
                        speed = direction = std::nan("");
                    }
                } else {
                    // Speed as it is; the direction of the mean of the unit vectors.
                    speed = weighted(0);
                    double east = 0;
                    double north = 0;
                    const auto& ds = point[1 * stations_.size() + s];
                    for (std::size_t k = 0; k < ds.size(); ++k) {
                        if (plan.points[k].weight == 0) {
                            continue;
                        }
                        const double radians = ds[k] * 3.14159265358979323846 / 180;
                        east += plan.points[k].weight * std::sin(radians);
                        north += plan.points[k].weight * std::cos(radians);
                    }
                    double unused = 0;
                    SpeedAndDirection(-east, -north, unused, direction);
                    if (std::isnan(east) || std::isnan(north)) {
                        direction = std::nan("");
                    }
                }
                out[0] = RoundConverted(speed);
                out[1] = RoundConverted(direction);
                out[2] = RoundConverted(weighted(2));
                if (vars > 3) {
                    double humidity = weighted(3);
                    if (fields_[3].quantity == Quantity::DewPoint) {
                        humidity = RelativeHumidity(weighted(2) - 273.15, humidity - 273.15);
                    }
                    out[3] = RoundConverted(humidity);
                }
            }
        }
    }
}

// The inputs an output might be: any, when it exists (a link may join them); else those of
// its name. Spares a hundred stations the resolving of every input's path.
std::vector<std::string> PossibleInputs(const std::string& output,
                                        const std::vector<std::string>& inputs) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::exists(output, error)) {
        return inputs;
    }
    std::vector<std::string> same;
    for (const std::string& input : inputs) {
        if (fs::path(input).filename() == fs::path(output).filename()) {
            same.push_back(input);
        }
    }
    return same;
}

int Extraction::Write(const std::vector<Step>& steps) {
    namespace fs = std::filesystem;
    const std::size_t vars = variables_.size();
    std::vector<HourlyRecord> records(steps.size());
    Series series;
    series.variables = variables_;
    series.observations.resize(steps.size());
    for (std::size_t r = 0; r < steps.size(); ++r) {
        records[r] = {steps[r].time, r};
        series.observations[r] = {steps[r].time, 0, 0};
    }
    TsfHeaderText header;
    header.program = std::string("tsfconvert ") + TSFCONVERT_VERSION;
    const std::vector<std::string> common = ProvenanceComments(o_.inputs, o_.arguments);
    int written = 0;
    std::vector<std::string> ids;
    for (std::size_t s = 0; s < stations_.size(); ++s) {
        StationPlan& plan = stations_[s];
        const std::string& id = plan.station.id;
        if (plan.failure.empty()) {
            for (std::size_t v = 0; v < vars && plan.failure.empty(); ++v) {
                bool any = false;
                for (std::size_t r = 0; r < steps.size() && !any; ++r) {
                    any = !std::isnan(values_[s][r * vars + v]);
                }
                if (!any) {
                    plan.failure = "its grid points have no value of " + variables_[v].name +
                                   " at any time (masked or missing)";
                }
            }
        }
        if (!plan.failure.empty()) {
            err_ << "tsfconvert: station " << id << " (" << o_.stations << " line "
                 << plan.station.line << "): " << plan.failure << "; no file written\n";
            continue;
        }
        const std::string path = (fs::path(o_.output) / (id + o_.suffix)).string();
        CheckOutputPath(path, PossibleInputs(path, o_.inputs));
        header.comments = common;
        const auto number = [](double value) {
            char text[32];
            std::snprintf(text, sizeof text, "%.6g", value);
            return std::string(text);
        };
        header.comments.push_back("Site: " + (plan.station.name.empty() ? id : plan.station.name));
        header.comments.push_back("Station: " + id);
        header.comments.push_back("Latitude: " + number(plan.station.lat));
        header.comments.push_back("Longitude: " + number(plan.station.lon));
        if (plan.station.elevation) {
            header.comments.push_back("Elevation: " + number(*plan.station.elevation) + " m");
        }
        for (std::size_t k = 0; k < plan.points.size(); ++k) {
            const GridWeight& p = plan.points[k];
            header.comments.push_back(
                "Grid point: " + layout_.yDimension + " " + std::to_string(p.y) + ", " +
                layout_.xDimension + " " + std::to_string(p.x) + " (lat " +
                number(plan.latitudes[k]) + ", lon " + number(plan.longitudes[k]) + "), weight " +
                number(p.weight) +
                (o_.interpolation == Interpolation::Nearest ? ", nearest" : ", bilinear"));
        }
        series.values = std::move(values_[s]);
        WriteTsfFile(path, series, records, header);
        std::vector<double>().swap(series.values);
        ids.push_back(id);
        ++written;
    }
    if (const std::string problem = OrderProblem(ids, o_.suffix); !problem.empty()) {
        err_ << "tsfconvert: warning: the files of stations " << problem
             << " sort in another order than their ids; lists of other suffixes may not pair\n";
    }
    out_ << o_.output << ": " << written << " of " << stations_.size() << " stations written, "
         << steps.size() << " hourly records each from " << HourText(steps.front().time) << " to "
         << HourText(steps.back().time) << " UTC+0000; variables";
    for (const OutputVariable& variable : variables_) {
        out_ << ' ' << variable.name << " [" << variable.units << ']';
    }
    out_ << '\n';
    if (written == 0) {
        return kNothingWritten;
    }
    return written == static_cast<int>(stations_.size()) ? kWritten : kWrittenWithWarnings;
}

int Extraction::Run() {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_directory(o_.output, error)) {
        if (fs::exists(o_.output, error) || !fs::create_directory(o_.output, error)) {
            throw ConvertError("cannot write into " + o_.output +
                               ": it is not a folder and cannot be made one" +
                               (error ? " (" + error.message() + ")" : ""));
        }
    }
    SweepStaleStationTemporaries(o_.output, o_.suffix);
    std::vector<Station> stations = ReadStationList(o_.stations);
    {
        const NcFile first(o_.inputs.front());
        ResolveFields(first);
        for (Field& field : fields_) {
            CheckField(first, field, true);
        }
        const Grid grid = ReadGrid(first);
        for (Station& station : stations) {
            StationPlan plan;
            plan.points = LocateStation(grid, station.lat, station.lon, o_.interpolation);
            plan.station = std::move(station);
            if (plan.points.empty()) {
                plan.failure = "it lies outside the grid of " + first.Path();
            }
            for (const GridWeight& p : plan.points) {
                plan.latitudes.push_back(grid.Latitude(p.y, p.x));
                plan.longitudes.push_back(grid.Longitude(p.y, p.x));
            }
            stations_.push_back(std::move(plan));
        }
        if (wrf_ && fields_[0].quantity == Quantity::U) {
            ReadTurns(first);
        }
    }
    bool any = false;
    yFirst_ = xFirst_ = std::numeric_limits<std::size_t>::max();
    for (const StationPlan& plan : stations_) {
        for (const GridWeight& p : plan.points) {
            any = true;
            yFirst_ = std::min(yFirst_, p.y);
            yLast_ = std::max(yLast_, p.y);
            xFirst_ = std::min(xFirst_, p.x);
            xLast_ = std::max(xLast_, p.x);
        }
    }
    // Whole rows: one contiguous read per strip, where a narrower box would be read row by
    // row.
    xFirst_ = 0;
    xLast_ = layout_.nx - 1;
    if (!any) {
        for (const StationPlan& plan : stations_) {
            err_ << "tsfconvert: station " << plan.station.id << " (" << o_.stations << " line "
                 << plan.station.line << "): " << plan.failure << "; no file written\n";
        }
        throw ConvertError("no station lies on the grid");
    }
    // The files' times, one file open at a time; every later file checked against the first.
    std::vector<FileTimes> times;
    for (std::size_t f = 0; f < o_.inputs.size(); ++f) {
        const NcFile file(o_.inputs[f]);
        if (f > 0) {
            for (Field& field : fields_) {
                CheckField(file, field, false);
            }
            CheckGridPoints(file);
        }
        times.push_back(ReadTimes(file));
    }
    const std::vector<Step> steps = PlanSteps(times);
    if (steps.size() > kMaxStationHours / stations_.size()) {
        throw ConvertError("the stations and hours are too many for one run (" +
                           std::to_string(stations_.size()) + " stations, " +
                           std::to_string(steps.size()) + " hours); extract them in parts");
    }
    values_.resize(stations_.size());
    Extract(steps);
    return Write(steps);
}

}  // namespace gridded

int ExtractGridded(const ConvertOptions& options, std::ostream& out, std::ostream& err) {
    return gridded::Extraction(options, out, err).Run();
}

}  // namespace corvane::tsfconvert
