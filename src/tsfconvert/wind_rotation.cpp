#include "tsfconvert/wind_rotation.h"

#include <cmath>
#include <numbers>

namespace corvane::tsfconvert {
namespace {

constexpr double kRadians = std::numbers::pi / 180;

}  // namespace

std::optional<GridTurn> ProjectionTurn(const WrfProjection& projection, double lon,
                                       std::string& error) {
    double cone = 0;
    const double lat1 = projection.trueLatitude1;
    const double lat2 = projection.trueLatitude2;
    switch (projection.mapProjection) {
        case 1:  // Lambert conformal: the cone constant of its one or two true latitudes
            if (std::fabs(lat1 - lat2) > 0.1) {
                cone = (std::log(std::cos(lat1 * kRadians)) - std::log(std::cos(lat2 * kRadians))) /
                       (std::log(std::tan((45 - std::fabs(lat1) / 2) * kRadians)) -
                        std::log(std::tan((45 - std::fabs(lat2) / 2) * kRadians)));
            } else {
                cone = std::sin(std::fabs(lat1) * kRadians);
            }
            break;
        case 2:  // polar stereographic
            cone = 1;
            break;
        case 3:  // Mercator and latitude-longitude grids run with the meridians
        case 6:
            return GridTurn{};
        default:
            error = "MAP_PROJ " + std::to_string(projection.mapProjection) +
                    " is no projection this program can turn winds for (1 Lambert conformal, "
                    "2 polar stereographic, 3 Mercator, 6 latitude-longitude); the file has "
                    "no COSALPHA and SINALPHA";
            return std::nullopt;
    }
    if (!std::isfinite(cone)) {
        error = "the true latitudes TRUELAT1 and TRUELAT2 give no Lambert cone";
        return std::nullopt;
    }
    // Grid north leans from true north by the longitude's distance from the standard
    // longitude times the cone constant, the other way in the southern hemisphere.
    const double alpha = std::remainder(lon - projection.standardLongitude, 360.0) * cone *
                         kRadians * (lat1 < 0 ? -1.0 : 1.0);
    // Earth u = u cos(alpha) + v sin(alpha): in WRF's terms a sine of -sin(alpha).
    return GridTurn{std::cos(alpha), -std::sin(alpha)};
}

void SpeedAndDirection(double u, double v, double& speed, double& direction) {
    speed = std::hypot(u, v);
    direction = speed == 0 ? 0 : std::atan2(-u, -v) / kRadians;
    if (direction < 0) {
        direction += 360;
    }
    if (direction >= 360) {
        direction -= 360;
    }
}

}  // namespace corvane::tsfconvert
