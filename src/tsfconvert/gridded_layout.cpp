// What every input file of a gridded extraction must agree on: the fields found by name or
// standard_name with their units, the grid and the stations' points on it, the wind's turn
// to the earth, and the file's times.

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

namespace corvane::tsfconvert::gridded {

std::optional<Field> Extraction::FindField(const NcFile& file, Quantity quantity, bool required) {
    const QuantityInfo& info = Info(quantity);
    Field field{quantity, {}, {}};
    if (const auto named = o_.variableNames.find(info.key); named != o_.variableNames.end()) {
        field.name = named->second;
        file.Variable(field.name, std::string("--var ") + info.key);
        return field;
    }
    if (wrf_) {
        if (*info.wrfName == '\0' || (!required && file.FindVariable(info.wrfName) < 0)) {
            return std::nullopt;
        }
        field.name = info.wrfName;
        file.Variable(field.name, std::string("the ") + info.key + " field of WRF output");
        return field;
    }
    std::vector<std::string> found;
    for (const int id : file.Variables()) {
        if (file.TextAttribute(id, "standard_name") == info.standardName) {
            found.push_back(file.VariableName(id));
        }
    }
    if (found.size() > 1) {
        file.Fail("several variables have the standard_name \"" + std::string(info.standardName) +
                  "\" (" + Quoted(found[0]) + ", " + Quoted(found[1]) +
                  "); name the one to read with --var " + info.key + "=NAME");
    }
    if (found.empty()) {
        if (required) {
            file.Fail("no variable has the standard_name \"" + std::string(info.standardName) +
                      "\"; name it with --var " + info.key + "=NAME");
        }
        return std::nullopt;
    }
    field.name = found.front();
    return field;
}

void Extraction::ResolveFields(const NcFile& file) {
    const auto explicitly = [&](Quantity q) { return o_.variableNames.count(Info(q).key) > 0; };
    const bool speedGiven = explicitly(Quantity::Speed) || explicitly(Quantity::Direction);
    std::optional<Field> u;
    if (!speedGiven) {
        u = FindField(file, Quantity::U,
                      wrf_ || explicitly(Quantity::U) || explicitly(Quantity::V));
    }
    if (u) {
        fields_.push_back(*u);
        fields_.push_back(*FindField(file, Quantity::V, true));
    } else {
        if (!speedGiven && !FindField(file, Quantity::Speed, false)) {
            file.Fail(
                "no variable has the standard_name \"eastward_wind\" or \"wind_speed\"; name "
                "the wind with --var u=NAME --var v=NAME or --var wspeed=NAME --var wdir=NAME");
        }
        fields_.push_back(*FindField(file, Quantity::Speed, true));
        fields_.push_back(*FindField(file, Quantity::Direction, true));
    }
    fields_.push_back(*FindField(file, Quantity::Temperature, true));
    variables_ = {{"WSPEED", "m/s"}, {"WDIR", "deg"}, {"TEMP", "K"}};
    // The humidity the file has: the one named, else the first of these it holds.
    const Quantity order[] = {Quantity::Mixr, Quantity::Shum, Quantity::Rhum, Quantity::DewPoint};
    std::optional<Field> humidity;
    for (const Quantity q : order) {
        if (explicitly(q)) {
            humidity = FindField(file, q, true);
        }
    }
    for (std::size_t i = 0; i < 4 && !humidity; ++i) {
        humidity = FindField(file, order[i], false);
    }
    if (humidity) {
        fields_.push_back(*humidity);
        variables_.push_back(humidity->quantity == Quantity::Mixr   ? OutputVariable{"MIXR", "g/kg"}
                             : humidity->quantity == Quantity::Shum ? OutputVariable{"SHUM", "g/kg"}
                                                                    : OutputVariable{"RHUM", "%"});
    }
}

// The field's dimensions are (time, [height,] y, x), the same in every file, and its units
// the first file's.
void Extraction::CheckField(const NcFile& file, Field& field, bool first) {
    const int id = file.Variable(field.name, std::string(Info(field.quantity).key));
    const std::vector<NcDimension> dims = file.Dimensions(id);
    const std::string name = Quoted(field.name);
    if (dims.size() != 3 && dims.size() != 4) {
        file.Fail("the variable " + name + " has " + std::to_string(dims.size()) +
                  " dimensions; a field has time, y and x (and perhaps a height)");
    }
    const NcDimension& y = dims[dims.size() - 2];
    const NcDimension& x = dims.back();
    if (first && layout_.yDimension.empty()) {
        layout_.timeDimension = dims.front().name;
        layout_.yDimension = y.name;
        layout_.xDimension = x.name;
        layout_.ny = y.length;
        layout_.nx = x.length;
        if (layout_.ny * layout_.nx > kMaxFieldValues) {
            file.Fail("the grid of " + name + " has too many points to be real");
        }
    }
    if (dims.front().name != layout_.timeDimension || y.name != layout_.yDimension ||
        x.name != layout_.xDimension || y.length != layout_.ny || x.length != layout_.nx) {
        file.Fail("the variable " + name + " lies on (" + dims.front().name + ", " + y.name + " " +
                  std::to_string(y.length) + ", " + x.name + " " + std::to_string(x.length) +
                  "), the fields of " + (first ? "this file" : "the first file") + " on (" +
                  layout_.timeDimension + ", " + layout_.yDimension + " " +
                  std::to_string(layout_.ny) + ", " + layout_.xDimension + " " +
                  std::to_string(layout_.nx) + ")");
    }
    const std::string units = file.TextAttribute(id, "units").value_or("");
    if (first) {
        if (units.empty()) {
            file.Fail("the variable " + name + " has no units attribute");
        }
        if (!UnitMap(field.quantity, units, field.scale, field.offset)) {
            file.Fail("the units " + Quoted(units) + " of " + name + " are not ones this " +
                      "program converts for " + Info(field.quantity).key);
        }
        field.units = units;
    } else if (units != field.units) {
        file.Fail("the units of " + name + " are " + Quoted(units) + ", in the first file " +
                  Quoted(field.units));
    }
    if (dims.size() == 4) {
        // The level of the wanted height: 10 m for wind, 2 m for the rest.
        const NcDimension& height = dims[1];
        const double wanted = Info(field.quantity).level;
        int level = height.length == 1 ? 0 : -1;
        const int coordinate = file.FindVariable(height.name);
        if (coordinate >= 0 && height.length <= 1000) {
            const std::string hunits = file.TextAttribute(coordinate, "units").value_or("");
            std::vector<double> heights;
            file.ReadRaw(coordinate, {0}, {height.length}, heights);
            if (!UnitsIn(hunits, {"m", "meter", "meters", "metre", "metres"})) {
                file.Fail("the height coordinate " + Quoted(height.name) + " of " + name +
                          " is in " + Quoted(hunits) + ", not in metres");
            }
            level = -1;
            for (std::size_t i = 0; i < heights.size(); ++i) {
                level = std::fabs(heights[i] - wanted) < 1e-6 ? static_cast<int>(i) : level;
            }
        }
        if (level < 0) {
            file.Fail("the variable " + name + " has no level at " +
                      std::to_string(static_cast<int>(wanted)) + " m along " + Quoted(height.name));
        }
        if (!first && field.level != level) {
            file.Fail("the " + std::to_string(static_cast<int>(wanted)) + " m level of " + name +
                      " lies elsewhere than in the first file");
        }
        field.level = level;
    } else if (!first && field.level >= 0) {
        file.Fail("the variable " + name + " has no height dimension, in the first file it has");
    }
}

Grid Extraction::ReadGrid(const NcFile& file) {
    Grid grid;
    grid.ny = layout_.ny;
    grid.nx = layout_.nx;
    if (wrf_) {
        layout_.latName = "XLAT";
        layout_.lonName = "XLONG";
    } else {
        // The coordinates the first field names, else the variables that say they are the
        // latitude and longitude.
        const int field = file.Variable(fields_.front().name, "");
        std::vector<std::string> candidates;
        for (const std::string_view word :
             SplitBlanks(file.TextAttribute(field, "coordinates").value_or(""))) {
            candidates.emplace_back(word);
        }
        for (const int id : file.Variables()) {
            candidates.push_back(file.VariableName(id));
        }
        for (const std::string& name : candidates) {
            const int id = file.FindVariable(name);
            if (id < 0) {
                continue;
            }
            const std::string standard = file.TextAttribute(id, "standard_name").value_or("");
            const std::string units = file.TextAttribute(id, "units").value_or("");
            const bool lat = standard == "latitude" || units == "degrees_north" ||
                             units == "degree_north" || units == "degree_N";
            const bool lon = standard == "longitude" || units == "degrees_east" ||
                             units == "degree_east" || units == "degree_E";
            if (lat && layout_.latName.empty()) {
                layout_.latName = name;
            } else if (lon && layout_.lonName.empty()) {
                layout_.lonName = name;
            }
        }
        if (layout_.latName.empty() || layout_.lonName.empty()) {
            file.Fail(std::string("the file has no ") +
                      (layout_.latName.empty() ? "latitude" : "longitude") +
                      " coordinate (a variable with standard_name latitude or longitude)");
        }
    }
    const int lat = file.Variable(layout_.latName, "the latitudes of the grid");
    const int lon = file.Variable(layout_.lonName, "the longitudes of the grid");
    const std::vector<NcDimension> latDims = file.Dimensions(lat);
    const std::vector<NcDimension> lonDims = file.Dimensions(lon);
    const auto named = [](const std::vector<NcDimension>& dims, std::size_t from) {
        std::vector<std::string> names;
        for (std::size_t i = from; i < dims.size(); ++i) {
            names.push_back(dims[i].name);
        }
        return names;
    };
    const std::vector<std::string> yx = {layout_.yDimension, layout_.xDimension};
    if (latDims.size() == 1 && lonDims.size() == 1 && latDims[0].name == layout_.yDimension &&
        lonDims[0].name == layout_.xDimension) {
        layout_.regular = true;
        grid.regular = true;
        file.ReadRaw(lat, {0}, {grid.ny}, grid.lat);
        file.ReadRaw(lon, {0}, {grid.nx}, grid.lon);
    } else if (latDims.size() >= 2 && named(latDims, latDims.size() - 2) == yx &&
               named(lonDims, lonDims.size() - 2) == yx && latDims.size() == lonDims.size() &&
               latDims.size() <= 3) {
        grid.regular = false;
        std::vector<std::size_t> start(latDims.size(), 0);
        std::vector<std::size_t> count(latDims.size(), 1);
        count[count.size() - 2] = grid.ny;
        count.back() = grid.nx;
        file.ReadRaw(lat, start, count, grid.lat);
        file.ReadRaw(lon, start, count, grid.lon);
    } else {
        file.Fail("the coordinates " + Quoted(layout_.latName) + " and " + Quoted(layout_.lonName) +
                  " do not lie on the fields' dimensions " + layout_.yDimension + " and " +
                  layout_.xDimension);
    }
    if (const std::string problem = CheckGrid(grid); !problem.empty()) {
        file.Fail(problem);
    }
    return grid;
}

// One coordinate value at a grid point, from a 1-D, 2-D or (time, y, x) variable.
double PointValue(const NcFile& file, int variable, std::size_t rank, std::size_t y, std::size_t x,
                  bool yAxis, bool regular) {
    std::vector<std::size_t> start(rank, 0);
    std::vector<double> value;
    if (regular) {
        start[0] = yAxis ? y : x;
    } else {
        start[rank - 2] = y;
        start[rank - 1] = x;
    }
    file.ReadRaw(variable, start, std::vector<std::size_t>(rank, 1), value);
    return value.front();
}

void Extraction::CheckGridPoints(const NcFile& file) {
    const int lat = file.Variable(layout_.latName, "the latitudes of the grid");
    const int lon = file.Variable(layout_.lonName, "the longitudes of the grid");
    const std::size_t rank = file.Dimensions(lat).size();
    if ((rank == 1) != layout_.regular || rank != file.Dimensions(lon).size()) {
        file.Fail("its grid is not the first file's");
    }
    // The axes whole on a regular grid; on a curvilinear one the stations' points alone, so
    // that checking a file never holds its coordinates' fields.
    std::vector<double> lats;
    std::vector<double> lons;
    if (layout_.regular) {
        file.ReadRaw(lat, {0}, {layout_.ny}, lats);
        file.ReadRaw(lon, {0}, {layout_.nx}, lons);
    }
    for (const StationPlan& plan : stations_) {
        for (std::size_t k = 0; k < plan.points.size(); ++k) {
            const GridWeight& p = plan.points[k];
            const double a =
                layout_.regular ? lats[p.y] : PointValue(file, lat, rank, p.y, p.x, true, false);
            const double b =
                layout_.regular ? lons[p.x] : PointValue(file, lon, rank, p.y, p.x, false, false);
            if (!(std::fabs(a - plan.latitudes[k]) < 1e-4) ||
                !(std::fabs(std::remainder(b - plan.longitudes[k], 360.0)) < 1e-4)) {
                file.Fail("its grid is not the first file's: the point (" + std::to_string(p.y) +
                          ", " + std::to_string(p.x) + ") lies elsewhere");
            }
        }
    }
}

void Extraction::ReadTurns(const NcFile& file) {
    const int cosine = file.FindVariable("COSALPHA");
    const int sine = file.FindVariable("SINALPHA");
    WrfProjection projection;
    if (cosine < 0 || sine < 0) {
        const auto attribute = [&](const char* name) {
            const auto value = file.NumberAttribute(kNcGlobal, name);
            if (!value) {
                file.Fail(std::string("the file has neither COSALPHA and SINALPHA nor the "
                                      "global attribute ") +
                          name + " to turn the grid's winds to the earth's");
            }
            return *value;
        };
        projection.mapProjection = static_cast<int>(attribute("MAP_PROJ"));
        if (projection.mapProjection == 1 || projection.mapProjection == 2) {
            projection.trueLatitude1 = attribute("TRUELAT1");
            projection.trueLatitude2 = attribute("TRUELAT2");
            projection.standardLongitude = attribute("STAND_LON");
        }
    }
    const std::size_t cosRank = cosine >= 0 ? file.Dimensions(cosine).size() : 0;
    for (StationPlan& plan : stations_) {
        plan.turns.clear();
        for (std::size_t k = 0; k < plan.points.size(); ++k) {
            const GridWeight& p = plan.points[k];
            if (cosine >= 0 && sine >= 0) {
                if (cosRank < 2) {
                    file.Fail("COSALPHA does not lie on the grid");
                }
                plan.turns.push_back({PointValue(file, cosine, cosRank, p.y, p.x, true, false),
                                      PointValue(file, sine, cosRank, p.y, p.x, true, false)});
                continue;
            }
            std::string error;
            const auto turn = ProjectionTurn(projection, plan.longitudes[k], error);
            if (!turn) {
                file.Fail(error);
            }
            plan.turns.push_back(*turn);
        }
    }
}

FileTimes Extraction::ReadTimes(const NcFile& file) {
    FileTimes result;
    std::size_t steps = 0;
    for (const NcDimension& d : file.Dimensions(file.Variable(fields_.front().name, ""))) {
        if (d.name == layout_.timeDimension) {
            steps = d.length;
            break;
        }
    }
    if (wrf_) {
        const int times = file.Variable("Times", "the times of the fields");
        const std::vector<NcDimension> dims = file.Dimensions(times);
        if (dims.size() != 2 || dims[0].length != steps || dims[1].length < 19 ||
            dims[1].length > 64) {
            file.Fail("the variable \"Times\" does not hold one time text per field");
        }
        std::string text;
        file.ReadText(times, {0, 0}, {steps, dims[1].length}, text);
        for (std::size_t i = 0; i < steps; ++i) {
            const std::string one = text.substr(i * dims[1].length, 19);
            const auto time = ReadWrfTime(one);
            if (!time) {
                file.Fail("the time " + Quoted(one) + " (Times, field " + std::to_string(i + 1) +
                          ") is not YYYY-MM-DD_hh:mm:ss");
            }
            result.times.push_back(*time);
        }
        for (const char* name : {"SIMULATION_START_DATE", "START_DATE"}) {
            if (const auto text = file.TextAttribute(kNcGlobal, name); text && !result.initial) {
                result.initial = ReadWrfTime(*text);
            }
        }
    } else {
        const int time = file.Variable(layout_.timeDimension, "the time coordinate");
        const std::string units = file.TextAttribute(time, "units").value_or("");
        const std::string calendar = file.TextAttribute(time, "calendar").value_or("");
        std::string error;
        const auto decoded = ReadCfTimeUnits(units, calendar, error);
        if (!decoded) {
            file.Fail("the time coordinate " + Quoted(layout_.timeDimension) + ": " + error);
        }
        std::vector<double> raw;
        file.ReadRaw(time, {0}, {steps}, raw);
        for (const double value : raw) {
            const auto t = CfTime(*decoded, value);
            if (!t) {
                file.Fail("the time " + std::to_string(value) + " " + units +
                          " lies outside the years 100 to 9999");
            }
            result.times.push_back(*t);
        }
        for (const int id : file.Variables()) {
            if (file.TextAttribute(id, "standard_name") == "forecast_reference_time" &&
                !result.initial) {
                const std::string refUnits = file.TextAttribute(id, "units").value_or("");
                const auto refDecoded = ReadCfTimeUnits(
                    refUnits, file.TextAttribute(id, "calendar").value_or(""), error);
                std::vector<double> value;
                const std::size_t rank = file.Dimensions(id).size();
                file.ReadRaw(id, std::vector<std::size_t>(rank, 0),
                             std::vector<std::size_t>(rank, 1), value);
                if (refDecoded && !value.empty()) {
                    result.initial = CfTime(*refDecoded, value.front());
                }
            }
        }
    }
    if (o_.lead && !result.initial) {
        file.Fail(wrf_ ? "--lead needs the file's initial time: it has no SIMULATION_START_DATE "
                         "or START_DATE"
                       : "--lead needs the file's initial time: it has no variable with "
                         "standard_name forecast_reference_time");
    }
    return result;
}

}  // namespace corvane::tsfconvert::gridded
