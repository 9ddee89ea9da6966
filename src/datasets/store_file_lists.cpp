#include "datasets/store_file_lists.h"

#include <QListWidget>
#include <limits>

#include "datasets/check_tsf_header.h"
#include "dialogs/check_path_length.h"
#include "shell/run_setup.h"

namespace corvane {
namespace {

// Fits every non-empty entry in place and returns them in list order. The entries are read
// by index on every pass: a message box of CheckPathLength runs the event loop.
QStringList FitEntries(QListWidget* list) {
    QStringList entries;
    for (int i = 0; list != nullptr && i < list->count(); ++i) {
        const QString text = list->item(i)->text();
        if (text.isEmpty()) {
            continue;
        }
        const QString fitted = CheckPathLength(text, list);
        if (i < list->count() && list->item(i)->text() != fitted) {
            list->item(i)->setText(fitted);
        }
        entries.append(fitted);
    }
    return entries;
}

void StoreEntries(const QStringList& entries, QStringList& files, std::int32_t& count) {
    // A list box cannot hold more entries than an int counts, so the count always fits.
    count = static_cast<std::int32_t>(
        std::min<qsizetype>(entries.size(), std::numeric_limits<std::int32_t>::max()));
    if (count > 0) {
        files = entries;
    }
}

}  // namespace

void StoreFileLists(QListWidget* lstTSFFiles1, QListWidget* lstTSFFiles2, RunSetup& setup) {
    const QString first = lstTSFFiles1 != nullptr && lstTSFFiles1->count() > 0
                              ? lstTSFFiles1->item(0)->text()
                              : QString();
    CheckTSFHeader(first, QStringLiteral("MET"), lstTSFFiles1, setup);
    StoreEntries(FitEntries(lstTSFFiles1), setup.PredictedFiles, setup.PredictedCount);
    StoreEntries(FitEntries(lstTSFFiles2), setup.ObservedFiles, setup.ObservedCount);
}

}  // namespace corvane
