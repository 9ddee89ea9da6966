// The limit the gridded extraction is measured against: reading U10, V10, T2, Q2 and
// Times of every file whole with nc_get_var, one file at a time, and nothing else.
//   read_whole_wrf [--open-only] FILE...
// --open-only opens and closes the files and reads nothing: the memory of the library alone.

#include <netcdf.h>

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    double sum = 0;
    const bool openOnly = argc > 1 && std::strcmp(argv[1], "--open-only") == 0;
    for (int f = openOnly ? 2 : 1; f < argc; ++f) {
        int id = 0;
        if (nc_open(argv[f], NC_NOWRITE, &id) != NC_NOERR) {
            std::fprintf(stderr, "read_whole_wrf: cannot open %s\n", argv[f]);
            return 1;
        }
        if (openOnly) {
            nc_close(id);
            continue;
        }
        for (const char* name : {"U10", "V10", "T2", "Q2"}) {
            int var = 0;
            int dims[3];
            std::size_t total = 1;
            nc_inq_varid(id, name, &var);
            nc_inq_vardimid(id, var, dims);
            for (const int d : dims) {
                std::size_t length = 0;
                nc_inq_dimlen(id, d, &length);
                total *= length;
            }
            std::vector<double> values(total);
            nc_get_var_double(id, var, values.data());
            sum += values[total / 2];
        }
        int times = 0;
        nc_inq_varid(id, "Times", &times);
        int dims[2];
        std::size_t steps = 0;
        std::size_t length = 0;
        nc_inq_vardimid(id, times, dims);
        nc_inq_dimlen(id, dims[0], &steps);
        nc_inq_dimlen(id, dims[1], &length);
        std::vector<char> text(steps * length + 1);
        nc_get_var_text(id, times, text.data());
        sum += text[0];
        nc_close(id);
    }
    std::printf("%g\n", sum);
    return 0;
}
