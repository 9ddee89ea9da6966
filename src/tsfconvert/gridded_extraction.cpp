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
#include "tsfconvert/netcdf_file.h"
#include "tsfconvert/output_file.h"
#include "tsfconvert/station_list.h"
#include "tsfconvert/wind_rotation.h"

#ifndef TSFCONVERT_VERSION
#define TSFCONVERT_VERSION "dev"
#endif

namespace corvane::tsfconvert {
namespace {

// Most station-hours one run holds in memory (a value of each variable each): a hundred
// stations over a century of hours.
constexpr std::size_t kMaxStationHours = 100'000'000;
constexpr std::size_t kListedSources = 100;

enum class Quantity { U, V, Speed, Direction, Temperature, Mixr, Shum, Rhum, DewPoint };

struct QuantityInfo {
    Quantity quantity;
    const char* key;           // of --var
    const char* wrfName;       // default name in WRF files
    const char* standardName;  // in CF files
    double level;              // metres above ground of its height coordinate
};

constexpr QuantityInfo kQuantities[] = {
    {Quantity::U, "u", "U10", "eastward_wind", 10},
    {Quantity::V, "v", "V10", "northward_wind", 10},
    {Quantity::Speed, "wspeed", "", "wind_speed", 10},
    {Quantity::Direction, "wdir", "", "wind_from_direction", 10},
    {Quantity::Temperature, "temp", "T2", "air_temperature", 2},
    {Quantity::Mixr, "mixr", "Q2", "", 2},
    {Quantity::Shum, "shum", "", "specific_humidity", 2},
    {Quantity::Rhum, "rhum", "", "relative_humidity", 2},
    {Quantity::DewPoint, "dewpoint", "", "dew_point_temperature", 2},
};

const QuantityInfo& Info(Quantity quantity) {
    return kQuantities[static_cast<int>(quantity)];
}

// A variable read from every file, with the linear map of its units into those written.
struct Field {
    Quantity quantity;
    std::string name;
    std::string units;
    double scale = 1;
    double offset = 0;
    int level = -1;  // index along its height dimension, -1 without one
};

bool UnitsIn(std::string_view units, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (EqualsNoCase(Trim(units), name)) {
            return true;
        }
    }
    return false;
}

// value * scale + offset in the units written: m/s, degrees, K, g/kg, %.
bool UnitMap(Quantity quantity, std::string_view units, double& scale, double& offset) {
    scale = 1;
    offset = 0;
    switch (quantity) {
        case Quantity::U:
        case Quantity::V:
        case Quantity::Speed:
            if (UnitsIn(units, {"knots", "knot", "kt"})) {
                scale = 1852.0 / 3600.0;
                return true;
            }
            return UnitsIn(units, {"m s-1", "m/s", "m s**-1", "m s^-1", "m.s-1", "m sec-1",
                                   "meter second-1", "metre second-1", "meters/second"});
        case Quantity::Direction:
            return UnitsIn(units, {"degree", "degrees", "deg", "degree_true", "degrees_true"});
        case Quantity::Temperature:
        case Quantity::DewPoint:
            if (UnitsIn(units, {"degC", "C", "deg_C", "celsius", "degree_Celsius",
                                "degrees_Celsius", "degree_C"})) {
                offset = 273.15;
                return true;
            }
            return UnitsIn(units, {"K", "kelvin", "degK", "deg_K"});
        case Quantity::Mixr:
        case Quantity::Shum:
            if (UnitsIn(units, {"g kg-1", "g/kg", "g kg**-1", "g kg^-1"})) {
                return true;
            }
            scale = 1000;
            return UnitsIn(units, {"kg kg-1", "kg/kg", "kg kg**-1", "kg kg^-1", "1", "kg.kg-1"});
        case Quantity::Rhum:
            if (UnitsIn(units, {"1", "fraction"})) {
                scale = 100;
                return true;
            }
            return UnitsIn(units, {"%", "percent"});
    }
    return false;
}

// Where the fields lie in every file: the names of their time, y and x dimensions.
struct Layout {
    std::string timeDimension;
    std::string yDimension;
    std::string xDimension;
    std::size_t ny = 0;
    std::size_t nx = 0;
    std::string latName;  // the grid's coordinates
    std::string lonName;
    bool regular = false;
};

struct FileTimes {
    std::vector<Seconds> times;
    std::optional<Seconds> initial;
};

// One record of the output: the time and where it is read.
struct Step {
    Seconds time = 0;
    std::uint32_t file = 0;
    std::size_t index = 0;
};

struct StationPlan {
    Station station;
    std::vector<GridWeight> points;
    std::vector<GridTurn> turns;    // per point, WRF winds only
    std::vector<double> latitudes;  // of the points, to check later files' grids
    std::vector<double> longitudes;
    std::string failure;  // non-empty once the station has failed
};

class Extraction {
public:
    Extraction(const ConvertOptions& options, std::ostream& out, std::ostream& err)
        : o_(options), wrf_(options.format == InputFormat::Wrf), out_(out), err_(err) {}

    int Run();

private:
    void ResolveFields(const NcFile& file);
    std::optional<Field> FindField(const NcFile& file, Quantity quantity, bool required);
    void CheckField(const NcFile& file, Field& field, bool first);
    Grid ReadGrid(const NcFile& file);
    void ReadTurns(const NcFile& file);
    FileTimes ReadTimes(const NcFile& file);
    void CheckGridPoints(const NcFile& file);
    std::vector<Step> PlanSteps(const std::vector<FileTimes>& files);
    void Extract(const std::vector<Step>& steps);
    int Write(const std::vector<Step>& steps);

    const ConvertOptions& o_;
    const bool wrf_;
    std::ostream& out_;
    std::ostream& err_;
    Layout layout_;
    std::vector<Field> fields_;
    std::vector<OutputVariable> variables_;
    std::vector<StationPlan> stations_;
    // Per station, per record, per variable; NaN where missing.
    std::vector<std::vector<double>> values_;
    std::size_t yFirst_ = 0, yLast_ = 0, xFirst_ = 0, xLast_ = 0;  // the stations' box
};

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
    // The stations' rows in one read per coordinate (the axes whole on a regular grid).
    std::vector<double> lats;
    std::vector<double> lons;
    if (layout_.regular) {
        file.ReadRaw(lat, {0}, {layout_.ny}, lats);
        file.ReadRaw(lon, {0}, {layout_.nx}, lons);
    } else {
        std::vector<std::size_t> start(rank, 0);
        std::vector<std::size_t> count(rank, 1);
        start[rank - 2] = yFirst_;
        count[rank - 2] = yLast_ - yFirst_ + 1;
        count[rank - 1] = layout_.nx;
        file.ReadRaw(lat, start, count, lats);
        file.ReadRaw(lon, start, count, lons);
    }
    for (const StationPlan& plan : stations_) {
        for (std::size_t k = 0; k < plan.points.size(); ++k) {
            const GridWeight& p = plan.points[k];
            const std::size_t at = (p.y - yFirst_) * layout_.nx + p.x;
            const double a = layout_.regular ? lats[p.y] : lats[at];
            const double b = layout_.regular ? lons[p.x] : lons[at];
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
    const std::size_t boxY = yLast_ - yFirst_ + 1;
    const std::size_t boxX = xLast_ - xFirst_ + 1;
    std::vector<double> box;
    // The points' values of each field at one time, per station.
    std::vector<std::vector<double>> point(fields_.size() * stations_.size());
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
                std::vector<std::size_t> start = {steps[r].index, yFirst_, xFirst_};
                std::vector<std::size_t> count = {1, boxY, boxX};
                if (field.level >= 0) {
                    start.insert(start.begin() + 1, static_cast<std::size_t>(field.level));
                    count.insert(count.begin() + 1, 1);
                }
                // Only the stations' points are unpacked.
                file.ReadRaw(ids[v], start, count, box);
                for (std::size_t s = 0; s < stations_.size(); ++s) {
                    std::vector<double>& at = point[v * stations_.size() + s];
                    at.clear();
                    for (const GridWeight& p : stations_[s].points) {
                        const double raw = box[(p.y - yFirst_) * boxX + (p.x - xFirst_)];
                        at.push_back(packings[v].Unpack(raw) * field.scale + field.offset);
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
    std::vector<std::string> common;
    for (std::size_t i = 0; i < o_.inputs.size() && i < kListedSources; ++i) {
        common.push_back("Source: " + o_.inputs[i]);
    }
    if (o_.inputs.size() > kListedSources) {
        common.push_back("Source: and " + std::to_string(o_.inputs.size() - kListedSources) +
                         " more files");
    }
    common.push_back("Command: tsfconvert " + CommandText(o_.arguments));
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
    // Whole rows: one contiguous read per field and time, where a narrower box would be read
    // row by row.
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

}  // namespace

int ExtractGridded(const ConvertOptions& options, std::ostream& out, std::ostream& err) {
    return Extraction(options, out, err).Run();
}

}  // namespace corvane::tsfconvert
