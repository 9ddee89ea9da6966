// Label placement alone: a soccer-plot sized chart with N labelled markers, timed from the
// first marker to the finished picture, with a checksum of the picture so that two builds
// can be shown to place the same labels.
//   label_placement_bench N [ordered|random]
// "ordered" puts the markers along a curve in station order, as a station list sorted by
// region gives: each label's neighbours were placed just before it. "random" scatters them.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "chart/plot.h"
#include "chart/scale.h"

int main(int argc, char** argv) {
    using namespace corvane::chart;
    const long n = argc > 1 ? std::atol(argv[1]) : 0;
    const std::string layout = argc > 2 ? argv[2] : "ordered";
    if (n <= 0 || (layout != "ordered" && layout != "random")) {
        std::fputs("Usage: label_placement_bench N [ordered|random]\n", stderr);
        return 2;
    }
    std::mt19937 random(3);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<LabelledPoint> points;
    for (long i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(n);
        const double bias = layout == "ordered" ? -0.9 + 1.8 * t : -0.9 + 1.8 * unit(random);
        const double error = layout == "ordered" ? 0.4 + 1.6 * std::sin(3.1 * t) * std::sin(3.1 * t)
                                                 : 0.2 + 2.0 * unit(random);
        points.push_back({bias, error, std::to_string(i + 1), "Station " + std::to_string(i + 1)});
    }
    const auto start = std::chrono::steady_clock::now();
    Extent x, y;
    x.Add(-1);
    x.Add(1);
    y.Add(0);
    y.Add(2.4);
    Plot plot(Frame{350, 330, "Wind speed", "bench"}, NiceAxis(x, "Bias (m/s)"),
              NiceAxis(y, "RMSE (m/s)"));
    SeriesStyle style;
    style.marker = Marker::Circle;
    plot.Points(points, style);
    const std::string svg = plot.Finish();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::uint64_t hash = 1469598103934665603u;  // FNV-1a
    for (const char c : svg) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
    }
    std::printf("%ld markers (%s): %.3f s, picture %zu bytes, checksum %016llx\n", n,
                layout.c_str(), seconds, svg.size(), static_cast<unsigned long long>(hash));
    return 0;
}
