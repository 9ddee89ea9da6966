#pragma once

// The extraction of station series from gridded NetCDF files, as the converter's two source
// files of it share it: the quantities and their units, the fields and the grid's layout,
// each station's grid points, and the run that reads one file at a time.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tsf/text_scan.h"
#include "tsf/units.h"
#include "tsfconvert/grid_points.h"
#include "tsfconvert/netcdf_file.h"
#include "tsfconvert/options.h"
#include "tsfconvert/series.h"
#include "tsfconvert/station_list.h"
#include "tsfconvert/wind_rotation.h"

namespace corvane::tsfconvert::gridded {

// Most station-hours one run holds in memory (a value of each variable each): a hundred
// stations over a century of hours.
inline constexpr std::size_t kMaxStationHours = 100'000'000;

enum class Quantity { U, V, Speed, Direction, Temperature, Mixr, Shum, Rhum, DewPoint };

struct QuantityInfo {
    Quantity quantity;
    const char* key;           // of --var
    const char* wrfName;       // default name in WRF files
    const char* standardName;  // in CF files
    double level;              // metres above ground of its height coordinate
};

inline constexpr QuantityInfo kQuantities[] = {
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

inline const QuantityInfo& Info(Quantity quantity) {
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

inline bool UnitsIn(std::string_view units, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (EqualsNoCase(Trim(units), name)) {
            return true;
        }
    }
    return false;
}

// value * scale + offset in the units written: m/s, degrees, K, g/kg, %.
inline bool UnitMap(Quantity quantity, std::string_view units, double& scale, double& offset) {
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

}  // namespace corvane::tsfconvert::gridded
