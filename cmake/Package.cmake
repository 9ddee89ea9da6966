# The Debian package (`make package`, or `cpack` in a build folder): what `cmake --install`
# puts under /usr, with the dependencies dpkg-shlibdeps finds in the programs.

set(CORVANE_PACKAGE_MAINTAINER "The Corvane developers <maintainers@corvane.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "The Corvane developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "evaluate a weather model against observations, station by station")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvane is a desktop wizard for meteorologists: pick the predicted and
observed time series files of a set of weather stations, choose the
processing period and the output settings, and press RUN. Its statistics
engine wxcheck pairs the series hour by hour and writes a list file and
hourly and daily statistics of wind speed and direction, temperature and
humidity: bias, gross error, RMSE with its systematic and unsystematic
parts, index of agreement and correlation, per time-of-day window and
wind-speed range, with a benchmark table. wxcheck also runs on its own
from scripts.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the libraries do not say: the run opens the list file through xdg-open, Qt needs a
# platform plugin to open a window, and the screens are laid out for Arial's metrics.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
if(CORVANE_BUILD_GUI)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", qt6-qpa-plugins")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
