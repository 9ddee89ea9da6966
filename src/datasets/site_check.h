#pragma once

// The dataset screen's check that the two files of each station name the same site.

#include <QString>
#include <QStringList>

namespace corvane {

/// Reads the site line of the first `count` entries of both lists, pair by pair, and returns
/// the warning that lists the stations whose two files name different sites (SitesDiffer:
/// letter case ignored; a file without a site line, or that cannot be read, is not
/// compared). Empty when no pair differs.
QString SiteWarning(const QStringList& predicted, const QStringList& observed, qsizetype count);

}  // namespace corvane
