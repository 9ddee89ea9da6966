// tsfconvert on gridded NetCDF files, made by the tests from CDL text with ncgen: the grid
// points and weights, the winds turned to the earth's, units, times, forecasts stitched by
// lead time, and what the engine reads back; also the split of a long CSV by station.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "tsf/plain_file.h"
#include "tsf/record_stamp.h"
#include "tsf/tsf_header.h"
#include "tsf/tsf_records.h"
#include "tsfconvert/cf_time.h"
#include "tsfconvert/convert.h"
#include "tsfconvert/converter_fixture.h"
#include "tsfconvert/grid_points.h"
#include "tsfconvert/wind_rotation.h"

namespace corvane::tsfconvert {
namespace {

namespace fs = std::filesystem;

class GriddedTest : public ConverterTest {
protected:
    void Ncgen(const std::string& name, const std::string& cdl) const {
        Write(name + ".cdl", cdl);
        const std::string command = std::string(TSFCONVERT_NCGEN) + " -o '" + Path(name) + "' '" +
                                    Path(name + ".cdl") + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    // The data lines of a written file, after a header the wizard's check accepts.
    std::vector<std::string> Records(const std::string& name) const {
        const TsfHeader header = ReadTsfHeaderFile(Path(name));
        EXPECT_TRUE(header.ok()) << header.message;
        std::vector<std::string> lines;
        std::istringstream in(Read(name));
        std::string line;
        for (std::int64_t n = 1; std::getline(in, line); ++n) {
            if (n >= header.dataLine) {
                lines.push_back(line.substr(38));  // the values after both stamps
            }
        }
        return lines;
    }
};

// A 3 x 3 WRF grid, 1 degree apart, turned by 30 degrees, with the given times.
std::string WrfFile(const std::string& start, const std::string& times, const std::string& u,
                    const std::string& t2, int count) {
    std::string lat, lon, v, q, c, s;
    for (int n = 0; n < count; ++n) {
        for (int i = 0; i < 9; ++i) {
            const char* sep = n == 0 && i == 0 ? "" : ",";
            lat.append(sep).append(std::to_string(10 + i / 3));
            lon.append(sep).append(std::to_string(20 + i % 3));
            v.append(sep).append("0");
            q.append(sep).append("0.0055");
            c.append(sep).append("0.8660254");
            s.append(sep).append("0.5");
        }
    }
    return "netcdf w {\ndimensions: Time = UNLIMITED ; DateStrLen = 19 ; south_north = 3 ; "
           "west_east = 3 ;\nvariables:\n char Times(Time, DateStrLen) ;\n"
           " float XLAT(Time, south_north, west_east) ;\n"
           " float XLONG(Time, south_north, west_east) ;\n"
           " float U10(Time, south_north, west_east) ; U10:units = \"m s-1\" ;\n"
           " float V10(Time, south_north, west_east) ; V10:units = \"m s-1\" ;\n"
           " float T2(Time, south_north, west_east) ; T2:units = \"K\" ;\n"
           " float Q2(Time, south_north, west_east) ; Q2:units = \"kg kg-1\" ;\n"
           " float COSALPHA(Time, south_north, west_east) ;\n"
           " float SINALPHA(Time, south_north, west_east) ;\n"
           " :SIMULATION_START_DATE = \"" +
           start + "\" ;\ndata:\n Times = " + times + " ;\n XLAT = " + lat + " ;\n XLONG = " + lon +
           " ;\n U10 = " + u + " ;\n V10 = " + v + " ;\n T2 = " + t2 + " ;\n Q2 = " + q +
           " ;\n COSALPHA = " + c + " ;\n SINALPHA = " + s + " ;\n}\n";
}

const std::string kNine = "280,281,282,283,284,285,286,287,288";

TEST_F(GriddedTest, WrfStationsAreInterpolatedTurnedAndReadBack) {
    Ncgen("wrf.nc", WrfFile("2024-01-01_00:00:00", "\"2024-01-01_00:00:00\"",
                            "10,10,10,10,10,10,10,10,10", kNine, 1));
    // A site text with a terminal escape: written as one line, the escape shown as '?'.
    Write("stations.csv", "id,lat,lon,name\nA,11.2,21.4,Alpha\x1b[2J\nB,11.5,21.5,\nC,30,30,Far\n");
    const Outcome nearest =
        Run({"--from", "wrf", "--stations", "stations.csv", "-o", "prd", "wrf.nc"});
    // The station outside the grid is named and gets no file; the others are written.
    EXPECT_EQ(nearest.status, kWrittenWithWarnings);
    EXPECT_NE(nearest.err.find("station C (stations.csv line 4): it lies outside the grid"),
              std::string::npos)
        << nearest.err;
    EXPECT_FALSE(fs::exists(folder_ / "prd" / "C_prd.tsf"));
    // A westerly grid wind, grid turned by 30 degrees: from 240 degrees on the earth. Nearest
    // to (11.2, 21.4) is the point (1, 1) at 284 K; Q2 0.0055 kg/kg is 5.5 g/kg.
    EXPECT_EQ(Records("prd/A_prd.tsf"), std::vector<std::string>{"10 240 284 5.5"});
    const std::string text = Read("prd/A_prd.tsf");
    EXPECT_NE(text.find("\nSite: Alpha?[2J\nStation: A\nLatitude: 11.2\nLongitude: 21.4\n"
                        "Grid point: south_north 1, west_east 1 (lat 11, lon 21), weight 1"),
              std::string::npos)
        << text;
    EXPECT_NE(Read("prd/B_prd.tsf").find("\nSite: B\n"), std::string::npos);

    // Bilinear at (11.2, 21.4): weights 0.48, 0.32, 0.12, 0.08 on 284, 285, 287, 288:
    // 136.32 + 91.2 + 34.44 + 23.04.
    const Outcome bilinear = Run({"--from", "wrf", "--stations", "stations.csv", "--interp",
                                  "bilinear", "--suffix", ".tsf", "-o", "bi", "wrf.nc"});
    EXPECT_EQ(bilinear.status, kWrittenWithWarnings);
    EXPECT_EQ(Records("bi/A.tsf"), std::vector<std::string>{"10 240 285 5.5"});

    // The engine reads the file as it reads any: its stamps and values.
    const TsfHeader header = ReadTsfHeaderFile(Path("bi/A.tsf"));
    ASSERT_TRUE(header.ok());
    EXPECT_EQ(header.variables.size(), 4u);
    EXPECT_EQ(header.variables[3].name + " " + header.variables[3].units, "MIXR g/kg");
    EXPECT_EQ(header.site, "Alpha?[2J");
    const std::vector<Record> records = EngineRecords("bi/A.tsf", HumidityKind::MixingRatio);
    ASSERT_EQ(records.size(), 1u);
    // Kelvin kept as the difference to 273.15; the mixing ratio in g/kg.
    EXPECT_NEAR(records[0].value[2], 285 - 273.15, 1e-9);
    EXPECT_NEAR(records[0].value[3], 5.5, 1e-9);
    EXPECT_EQ(records[0].value[1], 240);
}

// Each value `count` times, with commas: the fields of one time.
std::string Fields(const std::vector<int>& values, int count = 9) {
    std::string text;
    for (const int value : values) {
        for (int i = 0; i < count; ++i) {
            if (!text.empty()) {
                text += ',';
            }
            text += std::to_string(value);
        }
    }
    return text;
}

TEST_F(GriddedTest, ForecastsAreStitchedByLeadTimeAndRepeatsRefusedWithout) {
    // Two forecasts of three hours, the second begun an hour after the first.
    Ncgen("f1.nc", WrfFile("2024-01-01_00:00:00",
                           "\"2024-01-01_00:00:00\", \"2024-01-01_01:00:00\", "
                           "\"2024-01-01_02:00:00\"",
                           Fields({1, 1, 1}), Fields({280, 281, 282}), 3));
    Ncgen("f2.nc", WrfFile("2024-01-01_01:00:00",
                           "\"2024-01-01_01:00:00\", \"2024-01-01_02:00:00\", "
                           "\"2024-01-01_03:00:00\"",
                           Fields({1, 1, 1}), Fields({290, 291, 292}), 3));
    Write("stations.csv", "id,lat,lon\nA,11,21\n");
    const std::vector<std::string> common = {"--from",       "wrf", "--stations",
                                             "stations.csv", "-o",  "out"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments = common;
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return Run(arguments);
    };
    const Outcome repeated = with({"f2.nc", "f1.nc"});
    EXPECT_EQ(repeated.status, kNothingWritten);
    EXPECT_NE(repeated.err.find("the time 2024-01-01 01:00 occurs in f1.nc and in f2.nc; --lead"),
              std::string::npos)
        << repeated.err;
    EXPECT_FALSE(fs::exists(folder_ / "out" / "A_prd.tsf"));
    // Every lead allowed: the later forecast gives the hours both have, in any file order.
    ASSERT_EQ(with({"--lead", "0:5", "f2.nc", "f1.nc"}).status, kWritten);
    EXPECT_EQ(Records("out/A_prd.tsf"),
              (std::vector<std::string>{"1 240 280 5.5", "1 240 290 5.5", "1 240 291 5.5",
                                        "1 240 292 5.5"}));
    // Leads 1 to 2: hours 01 and 02 of the first, 02 and 03 of the second.
    ASSERT_EQ(with({"--lead", "1:2", "f1.nc", "f2.nc"}).status, kWritten);
    EXPECT_EQ(Records("out/A_prd.tsf"),
              (std::vector<std::string>{"1 240 281 5.5", "1 240 291 5.5", "1 240 292 5.5"}));
}

TEST_F(GriddedTest, CfFilesUnpackShortsAndHonourFillValues) {
    // A regular grid, latitudes falling; packed shorts with a fill value; minutes since an
    // epoch; a height coordinate with the 10 m level second; the dew point as humidity.
    const std::string cdl = R"(netcdf cf {
dimensions: time = 2 ; height = 2 ; lat = 2 ; lon = 3 ;
variables:
 double time(time) ; time:units = "minutes since 2024-07-01 00:00:00" ;
   time:calendar = "standard" ;
 float height(height) ; height:units = "m" ;
 float lat(lat) ; lat:standard_name = "latitude" ; lat:units = "degrees_north" ;
 float lon(lon) ; lon:standard_name = "longitude" ; lon:units = "degrees_east" ;
 short u(time, height, lat, lon) ; u:standard_name = "eastward_wind" ; u:units = "m s-1" ;
   u:scale_factor = 0.1 ; u:add_offset = 0. ; u:_FillValue = -32767s ;
 float v(time, height, lat, lon) ; v:standard_name = "northward_wind" ; v:units = "m/s" ;
 short t2m(time, lat, lon) ; t2m:standard_name = "air_temperature" ; t2m:units = "degC" ;
   t2m:scale_factor = 0.01 ; t2m:add_offset = 20. ; t2m:missing_value = 9999s ;
 float d2m(time, lat, lon) ; d2m:standard_name = "dew_point_temperature" ; d2m:units = "K" ;
data:
 time = 60, 120 ;
 height = 100, 10 ;
 lat = 50, 49 ;
 lon = 7, 8, 9 ;
 u = 0,0,0,0,0,0, -50,-50,-50,-50,-50,-50, 0,0,0,0,0,0, -32767,-32767,-32767,-32767,-32767,-32767 ;
 v = 0,0,0,0,0,0, 0,0,0,0,0,0, 0,0,0,0,0,0, 0,0,0,0,0,0 ;
 t2m = 0,0,0,0,0,0, 9999,9999,9999,9999,9999,9999 ;
 d2m = 283.15,283.15,283.15,283.15,283.15,283.15, 283.15,283.15,283.15,283.15,283.15,283.15 ;
}
)";
    Ncgen("cf.nc", cdl);
    Write("stations.csv", "id,lat,lon\nP,49.9,8.1\n");
    const Outcome outcome =
        Run({"--from", "netcdf", "--stations", "stations.csv", "-o", "out", "cf.nc"});
    ASSERT_EQ(outcome.status, kWritten) << outcome.err;
    // -5 m/s eastward: from the east; 20 C is 293.15 K; dew point 10 C at 20 C is 52.5 %.
    EXPECT_EQ(Records("out/P_prd.tsf"),
              (std::vector<std::string>{"5 90 293.15 52.5413", "-999 -999 -999 -999"}));
    EXPECT_EQ(ReadTsfHeaderFile(Path("out/P_prd.tsf")).end.fields.hour, 2);

    // A calendar it does not read, units it does not know: named, nothing written.
    std::string noleap = cdl;
    noleap.replace(noleap.find("\"standard\""), 10, "\"noleap\"");
    Ncgen("noleap.nc", noleap);
    std::string furlongs = cdl;
    furlongs.replace(furlongs.find("\"m/s\""), 5, "\"furlongs\"");
    Ncgen("furlongs.nc", furlongs);
    for (const auto& [file, message] : std::vector<std::pair<std::string, std::string>>{
             {"noleap.nc", "noleap.nc: the time coordinate \"time\": the calendar \"noleap\""},
             {"furlongs.nc", "noleap.nc"}}) {
        (void)message;
        const Outcome bad =
            Run({"--from", "netcdf", "--stations", "stations.csv", "-o", "bad", file});
        EXPECT_EQ(bad.status, kNothingWritten) << file;
        EXPECT_FALSE(fs::exists(folder_ / "bad" / "P_prd.tsf"));
    }
    EXPECT_NE(Run({"--from", "netcdf", "--stations", "stations.csv", "-o", "bad", "noleap.nc"})
                  .err.find("noleap.nc: the time coordinate \"time\": the calendar \"noleap\""),
              std::string::npos);
    EXPECT_NE(Run({"--from", "netcdf", "--stations", "stations.csv", "-o", "bad", "furlongs.nc"})
                  .err.find("furlongs.nc: the units \"furlongs\" of \"v\""),
              std::string::npos);
}

// A grid wide enough to be read in several strips of rows: points on the first and last
// row of a strip, and one whose cell spans two strips, get their own values.
TEST_F(GriddedTest, WideFieldsAreReadInStripsThatKeepEveryPoint) {
    constexpr int kWide = 2100;  // three rows to a strip
    constexpr int kRows = 7;
    std::string lon;
    std::string u;
    std::string t;
    for (int x = 0; x < kWide; ++x) {
        if (x > 0) {
            lon += ',';
        }
        lon += std::to_string(x / 1000.0);
    }
    for (int y = 0; y < kRows; ++y) {
        for (int x = 0; x < kWide; ++x) {
            if (y > 0 || x > 0) {
                u += ',';
                t += ',';
            }
            u += "-2";
            t += std::to_string(200 + 10 * y + x / 100.0);
        }
    }
    Ncgen("wide.nc",
          "netcdf wide {\ndimensions: time = 1 ; lat = 7 ; lon = " + std::to_string(kWide) +
              " ;\nvariables:\n double time(time) ; time:units = \"hours since "
              "2024-07-01\" ;\n float lat(lat) ; lat:units = \"degrees_north\" ;\n"
              " float lon(lon) ; lon:units = \"degrees_east\" ;\n"
              " float u(time, lat, lon) ; u:standard_name = \"eastward_wind\" ; "
              "u:units = \"m s-1\" ;\n float v(time, lat, lon) ; v:standard_name = "
              "\"northward_wind\" ; v:units = \"m s-1\" ;\n"
              " float t(time, lat, lon) ; t:standard_name = \"air_temperature\" ; "
              "t:units = \"K\" ;\ndata:\n time = 1 ;\n lat = 60, 59, 58, 57, 56, 55, 54 ;\n"
              " lon = " +
              lon + " ;\n u = " + u + " ;\n v = " + u + " ;\n t = " + t + " ;\n}\n");
    Write("stations.csv", "id,lat,lon\nA,60,0\nB,58,1\nC,57,2.098\nD,54,0.5\nE,57.5,0.0005\n");
    const Outcome outcome = Run({"--from", "netcdf", "--stations", "stations.csv", "--interp",
                                 "bilinear", "-o", "out", "wide.nc"});
    ASSERT_EQ(outcome.status, kWritten) << outcome.err;
    // Rows 0, 2 | 3, 5 | 6 lie in strips 0-2, 3-5 and 6; E's cell spans rows 2 and 3.
    for (const auto& [id, temperature] : std::vector<std::pair<std::string, std::string>>{
             {"A", "200"}, {"B", "230"}, {"C", "250.98"}, {"D", "265"}, {"E", "225.005"}}) {
        const std::vector<std::string> records = Records("out/" + id + "_prd.tsf");
        ASSERT_EQ(records.size(), 1u) << id;
        EXPECT_EQ(records[0], "2.8284 45 " + temperature) << id;
    }
}

TEST_F(GriddedTest, FilesThatAreNotWholeNetcdfAreNamed) {
    Ncgen("wrf.nc",
          WrfFile("2024-01-01_00:00:00", "\"2024-01-01_00:00:00\"", Fields({1}), kNine, 1));
    Write("stations.csv", "id,lat,lon\nA,11,21\n");
    const std::string whole = Read("wrf.nc");
    Write("cut.nc", whole.substr(0, whole.size() - 100));
    Write("text.nc", "not a NetCDF file\n");
    const auto run = [&](const std::string& file) {
        return Run({"--from", "wrf", "--stations", "stations.csv", "-o", "out", file});
    };
    EXPECT_NE(run("cut.nc").err.find("cut.nc: the file is cut off"), std::string::npos);
    EXPECT_NE(run("text.nc").err.find("text.nc: it is not a NetCDF file"), std::string::npos);
    EXPECT_NE(run("none.nc").err.find("none.nc"), std::string::npos);
    std::string noQ =
        WrfFile("2024-01-01_00:00:00", "\"2024-01-01_00:00:00\"", Fields({1}), kNine, 1);
    for (std::size_t at; (at = noQ.find("T2")) != std::string::npos;) {
        noQ[at + 1] = '3';
    }
    Ncgen("not2.nc", noQ);
    EXPECT_NE(run("not2.nc").err.find("not2.nc: the file has no variable \"T2\""),
              std::string::npos);
    EXPECT_FALSE(fs::exists(folder_ / "out" / "A_prd.tsf"));
}

TEST_F(GriddedTest, ALongCsvIsSplitIntoOneFilePerStation) {
    Write("obs.csv",
          "station,name,time,ws,wd\n"
          "B,Beach,2024-01-01T01:00,2,90\n"
          "A,Airport,2024-01-01T01:00,1,180\n"
          "B,Beach,2024-01-01T02:00,3,270\n"
          "../x,Bad,2024-01-01T01:00,9,0\n");
    const Outcome outcome = Run({"--time", "time", "--wspeed", "ws", "--wdir", "wd", "--station",
                                 "station", "--site-col", "name", "-o", "obs", "obs.csv"});
    EXPECT_EQ(outcome.status, kWrittenWithWarnings);
    EXPECT_NE(outcome.err.find("station \"../x\""), std::string::npos) << outcome.err;
    EXPECT_EQ(Records("obs/A_obs.tsf"), std::vector<std::string>{"1 180"});
    EXPECT_EQ(Records("obs/B_obs.tsf"), (std::vector<std::string>{"2 90", "3 270"}));
    EXPECT_NE(Read("obs/B_obs.tsf").find("\nSite: Beach\n"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_ / "obs"), fs::directory_iterator()), 2);
}

TEST(GridPoints, CurvilinearCellsAndRegularAxes) {
    // A sheared cell: (0,0) (0,2) in the first row, (1,1) (1,3) in the second.
    Grid sheared{2, 2, false, {0, 0, 1, 1}, {0, 2, 1, 3}};
    const std::vector<GridWeight> w = LocateStation(sheared, 0.5, 1.5, Interpolation::Bilinear);
    ASSERT_EQ(w.size(), 4u);  // s = 0.5, t = 0.5
    for (const GridWeight& p : w) {
        EXPECT_NEAR(p.weight, 0.25, 1e-9);
    }
    EXPECT_TRUE(LocateStation(sheared, 0.5, 0.2, Interpolation::Bilinear).empty());
    const std::vector<GridWeight> n = LocateStation(sheared, 0.9, 2.9, Interpolation::Nearest);
    ASSERT_EQ(n.size(), 1u);
    EXPECT_EQ(n[0].y, 1u);
    EXPECT_EQ(n[0].x, 1u);
    // A regular grid with falling latitudes and longitudes 0 to 359: -10 is 350.
    Grid global{3, 4, true, {10, 0, -10}, {0, 120, 240, 350}};
    const std::vector<GridWeight> g = LocateStation(global, 5, -10, Interpolation::Nearest);
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(g[0].y, 0u);
    EXPECT_EQ(g[0].x, 3u);
    EXPECT_TRUE(LocateStation(global, 11, 10, Interpolation::Nearest).empty());
    EXPECT_NE(CheckGrid(Grid{2, 2, true, {0, 0}, {0, 1}}), "");
}

TEST(CfTime, UnitsEpochsAndCalendars) {
    std::string error;
    const Seconds epoch = Stamp{0} + 0;  // 30 December 1899
    const auto hours = ReadCfTimeUnits("hours since 1900-01-01 00:00:0.0", "gregorian", error);
    ASSERT_TRUE(hours) << error;
    EXPECT_EQ(*CfTime(*hours, 1.5), epoch + 2 * kDay + 5400);
    const auto minutes = ReadCfTimeUnits("minutes since 2024-01-01T06:00:00Z", "", error);
    ASSERT_TRUE(minutes) << error;
    EXPECT_EQ(*CfTime(*minutes, 90) - *CfTime(*minutes, 0), 5400);
    const auto seconds = ReadCfTimeUnits("seconds since 1970-1-1", "proleptic_gregorian", error);
    ASSERT_TRUE(seconds) << error;
    EXPECT_EQ(*CfTime(*seconds, 86400), epoch + (25569 + 1) * kDay);
    EXPECT_FALSE(ReadCfTimeUnits("days since 2000-01-01", "noleap", error));
    EXPECT_NE(error.find("\"noleap\""), std::string::npos);
    EXPECT_FALSE(ReadCfTimeUnits("fortnights since 2000-01-01", "", error));
    EXPECT_FALSE(ReadCfTimeUnits("days since 1500-01-01", "standard", error));
    EXPECT_EQ(*ReadWrfTime("2024-01-01_01:00:00") - *ReadWrfTime("2024-01-01_00:00:00"), kHour);
}

TEST(WindRotation, ProjectionsAndDirections) {
    double speed = 0;
    double direction = 0;
    SpeedAndDirection(0, -5, speed, direction);  // blowing south: from the north
    EXPECT_EQ(direction, 0);
    SpeedAndDirection(-3, 0, speed, direction);
    EXPECT_EQ(direction, 90);
    std::string error;
    // Polar stereographic: the cone is 1, the grid turns by the whole longitude distance.
    const auto polar = ProjectionTurn({2, 60, 60, -100}, -70, error);
    ASSERT_TRUE(polar);
    EXPECT_NEAR(polar->cos, std::cos(30 * M_PI / 180), 1e-12);
    EXPECT_NEAR(polar->sin, -0.5, 1e-12);
    const auto mercator = ProjectionTurn({3, 0, 0, 0}, 40, error);
    ASSERT_TRUE(mercator);
    EXPECT_EQ(mercator->sin, 0);
    // Lambert with one true latitude of 30: cone sin(30) = 0.5, 20 degrees east: 10 degrees.
    const auto lambert = ProjectionTurn({1, 30, 30, 0}, 20, error);
    ASSERT_TRUE(lambert);
    EXPECT_NEAR(lambert->sin, -std::sin(10 * M_PI / 180), 1e-12);
    EXPECT_FALSE(ProjectionTurn({4, 0, 0, 0}, 0, error));
}

}  // namespace
}  // namespace corvane::tsfconvert
