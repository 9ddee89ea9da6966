#include "datasets/site_check.h"

#include <QFile>
#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#include "dialogs/message_box.h"
#include "tsf/tsf_site.h"

namespace corvane {
namespace {

/// A site as the message quotes it: at most this many characters, then "...".
constexpr qsizetype kQuotedSite = 60;
/// Reading headers waits on the file system far more than it computes: long lists are
/// read by several threads, each taking a run of stations of at least this many.
constexpr qsizetype kStationsPerThread = 500;
constexpr unsigned kMaxThreads = 8;

struct Difference {
    qsizetype station;  // 0-based
    std::string predicted;
    std::string observed;
};

/// The differences among the stations `first` to `last` - 1: the first kListedInMessage
/// of them, and how many there are.
struct Differences {
    std::vector<Difference> listed;
    qsizetype count = 0;
};

std::string SiteOf(const QString& path) {
    return ReadTsfSite(QFile::encodeName(path).toStdString());
}

void Compare(const QStringList& predicted, const QStringList& observed, qsizetype first,
             qsizetype last, Differences& out) {
    for (qsizetype i = first; i < last; ++i) {
        // Without a site in the predicted file there is nothing to compare.
        std::string predictedSite = SiteOf(predicted.at(i));
        if (predictedSite.empty()) {
            continue;
        }
        std::string observedSite = SiteOf(observed.at(i));
        if (!SitesDiffer(predictedSite, observedSite)) {
            continue;
        }
        if (++out.count <= kListedInMessage) {
            out.listed.push_back({i, std::move(predictedSite), std::move(observedSite)});
        }
    }
}

QString Quoted(const std::string& site) {
    const QString text = QString::fromUtf8(site);
    return u'"' +
           (text.size() > kQuotedSite ? text.left(kQuotedSite) + QStringLiteral("...") : text) +
           u'"';
}

}  // namespace

QString SiteWarning(const QStringList& predicted, const QStringList& observed, qsizetype count) {
    count = std::min({count, predicted.size(), observed.size()});
    const auto threads = static_cast<qsizetype>(std::clamp(
        std::min<qsizetype>(std::thread::hardware_concurrency(), count / kStationsPerThread),
        qsizetype{1}, qsizetype{kMaxThreads}));
    std::vector<Differences> parts(static_cast<std::size_t>(threads));
    const auto comparePart = [&](qsizetype t) {
        Compare(predicted, observed, count * t / threads, count * (t + 1) / threads,
                parts[static_cast<std::size_t>(t)]);
    };
    {
        std::vector<std::jthread> workers;
        for (qsizetype t = 0; t < threads; ++t) {
            try {
                workers.emplace_back(comparePart, t);
            } catch (const std::system_error&) {
                comparePart(t);  // no thread to be had: this one does the part
            }
        }
    }  // the workers join here

    QStringList shown;
    qsizetype differing = 0;
    for (const Differences& part : parts) {
        differing += part.count;
        for (const Difference& difference : part.listed) {
            if (shown.size() < kListedInMessage) {
                shown << QStringLiteral("Station %1: predicted %2, observed %3")
                             .arg(difference.station + 1)
                             .arg(Quoted(difference.predicted), Quoted(difference.observed));
            }
        }
    }
    if (differing == 0) {
        return {};
    }
    return QStringLiteral(
               "The two files of these stations name different sites (compared "
               "without letter case):\n\n") +
           ListedLines(shown, differing) +
           QStringLiteral(
               "\n\nCheck that each station's files stand at the same position in "
               "both lists. The evaluation can go on as it is.");
}

}  // namespace corvane
