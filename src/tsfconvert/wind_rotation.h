#pragma once

// WRF's winds are relative to its grid; the stations want them relative to the earth. The
// angle between the grid's y axis and north comes from the file's COSALPHA and SINALPHA
// where it writes them, else from its map projection.

#include <optional>
#include <string>

namespace corvane::tsfconvert {

/// WRF's projection attributes: MAP_PROJ 1 Lambert conformal, 2 polar stereographic,
/// 3 Mercator (6, latitude-longitude, needs no turning either).
struct WrfProjection {
    int mapProjection = 0;
    double trueLatitude1 = 0;
    double trueLatitude2 = 0;
    double standardLongitude = 0;
};

/// The cosine and sine of the grid's turn at a point, as WRF's COSALPHA and SINALPHA give
/// them: earth u = u cos - v sin, earth v = v cos + u sin.
struct GridTurn {
    double cos = 1;
    double sin = 0;
};

/// The turn at longitude `lon` from the projection; nullopt with the reason for a
/// projection it does not know.
std::optional<GridTurn> ProjectionTurn(const WrfProjection& projection, double lon,
                                       std::string& error);

/// Earth-relative components of a grid-relative wind.
inline void TurnToEarth(const GridTurn& turn, double& u, double& v) {
    const double east = u * turn.cos - v * turn.sin;
    const double north = v * turn.cos + u * turn.sin;
    u = east;
    v = north;
}

/// Speed and the direction the wind blows from, degrees clockwise from north in [0, 360).
void SpeedAndDirection(double u, double v, double& speed, double& direction);

}  // namespace corvane::tsfconvert
