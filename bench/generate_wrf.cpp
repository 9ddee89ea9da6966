// Writes WRF-like output for the converter's gridded benchmark: daily files of hourly
// fields (Times, XLAT, XLONG, U10, V10, T2, Q2, COSALPHA, SINALPHA) on a curvilinear grid,
// and a station list inside the grid.
//   generate_wrf FOLDER [NX NY FILES HOURS STATIONS]   (default 200 200 31 24 100)

#include <netcdf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Check(int status, const std::string& what) {
    if (status != NC_NOERR) {
        std::fprintf(stderr, "generate_wrf: %s: %s\n", what.c_str(), nc_strerror(status));
        std::exit(1);
    }
}

// Month and day of day `index` (0 = 1 January) of 2024, wrapping after a year.
void DayOf(int index, int& month, int& day) {
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    index %= 366;
    month = 0;
    while (index >= kDays[month]) {
        index -= kDays[month++];
    }
    ++month;
    day = index + 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: generate_wrf FOLDER [NX NY FILES HOURS STATIONS]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const auto arg = [&](int i, int fallback) { return argc > i ? std::atoi(argv[i]) : fallback; };
    const int nx = arg(2, 200), ny = arg(3, 200), files = arg(4, 31), hours = arg(5, 24);
    const int stations = arg(6, 100);
    const std::size_t points = static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny);
    std::vector<float> lat(points), lon(points), field(points), cosine(points), sine(points);
    // About 0.1 degrees apart, closer on grids too large to stay within the latitudes.
    const double step = std::min(0.1, 40.0 / std::max(nx, ny));
    for (int y = 0; y < ny; ++y) {
        for (int x = 0; x < nx; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * nx + x;
            // A gently curved grid north-east of 40 N 5 E.
            lat[i] = static_cast<float>(40 + step * (y + 0.02 * x));
            lon[i] = static_cast<float>(5 + step * (x - 0.02 * y));
            const double alpha = 0.02 * (x - nx / 2.0) * 3.14159265 / 180;
            cosine[i] = static_cast<float>(std::cos(alpha));
            sine[i] = static_cast<float>(std::sin(alpha));
        }
    }
    FILE* list = std::fopen((folder + "/stations.csv").c_str(), "w");
    std::fprintf(list, "id,lat,lon,name\n");
    for (int s = 0; s < stations; ++s) {
        const double fy = 0.05 + 0.9 * ((s * 37) % 101) / 100.0;
        const double fx = 0.05 + 0.9 * ((s * 61) % 101) / 100.0;
        std::fprintf(list, "S%03d,%.4f,%.4f,Station %d\n", s, 40 + step * (ny - 1) * fy,
                     5 + step * (nx - 1) * fx, s);
    }
    std::fclose(list);
    for (int f = 0; f < files; ++f) {
        int month = 0;
        int day = 0;
        DayOf(f, month, day);
        char date[32];
        std::snprintf(date, sizeof date, "2024-%02d-%02d_00:00:00", month, day);
        char name[64];
        std::snprintf(name, sizeof name, "/wrfout_d01_%s", date);
        int id = 0;
        Check(nc_create((folder + name).c_str(), NC_CLOBBER | NC_64BIT_OFFSET, &id), name);
        int time = 0, len = 0, sn = 0, we = 0;
        nc_def_dim(id, "Time", NC_UNLIMITED, &time);
        nc_def_dim(id, "DateStrLen", 19, &len);
        nc_def_dim(id, "south_north", ny, &sn);
        nc_def_dim(id, "west_east", nx, &we);
        const int grid[3] = {time, sn, we};
        const int text[2] = {time, len};
        int times = 0;
        nc_def_var(id, "Times", NC_CHAR, 2, text, &times);
        const char* names[] = {"XLAT", "XLONG", "U10", "V10", "T2", "Q2", "COSALPHA", "SINALPHA"};
        const char* units[] = {
            "degree_north", "degree_east", "m s-1", "m s-1", "K", "kg kg-1", "", ""};
        int vars[8];
        for (int v = 0; v < 8; ++v) {
            nc_def_var(id, names[v], NC_FLOAT, 3, grid, &vars[v]);
            if (*units[v] != '\0') {
                nc_put_att_text(id, vars[v], "units", std::string(units[v]).size(), units[v]);
            }
        }
        nc_put_att_text(id, NC_GLOBAL, "SIMULATION_START_DATE", 19, date);
        Check(nc_enddef(id), name);
        for (int h = 0; h < hours; ++h) {
            const std::size_t start[3] = {static_cast<std::size_t>(h), 0, 0};
            const std::size_t count[3] = {1, static_cast<std::size_t>(ny),
                                          static_cast<std::size_t>(nx)};
            // Hours beyond a day run into the next (daily forecasts of more than 24 hours).
            int hm = 0;
            int hd = 0;
            DayOf(f + h / 24, hm, hd);
            char stamp[32];
            std::snprintf(stamp, sizeof stamp, "2024-%02d-%02d_%02d:00:00", hm, hd, h % 24);
            const std::size_t tstart[2] = {static_cast<std::size_t>(h), 0};
            const std::size_t tcount[2] = {1, 19};
            nc_put_vara_text(id, times, tstart, tcount, stamp);
            nc_put_vara_float(id, vars[0], start, count, lat.data());
            nc_put_vara_float(id, vars[1], start, count, lon.data());
            for (int v = 2; v < 6; ++v) {
                const double base = v == 4 ? 280 : v == 5 ? 0.005 : 3;
                for (std::size_t i = 0; i < points; ++i) {
                    field[i] = static_cast<float>(base + (v == 5 ? 0.001 : 2) *
                                                             std::sin(0.01 * i + h + 0.3 * v));
                }
                nc_put_vara_float(id, vars[v], start, count, field.data());
            }
            nc_put_vara_float(id, vars[6], start, count, cosine.data());
            Check(nc_put_vara_float(id, vars[7], start, count, sine.data()), name);
        }
        Check(nc_close(id), name);
    }
    return 0;
}
