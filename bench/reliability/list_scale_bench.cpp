// Scale of the dataset lists: NEXT's store step and its site check, moving and removing on
// two lists of N entries each, as the dataset screen's list boxes hold them.
//
//   list_scale_bench [N]        (default 40000)
//
// Prints the time of each operation and the peak resident size. The site check reads N
// pairs of real files (a header with a site line, then 1 MiB without blocks on disk),
// written into a temporary folder first.

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "datasets/site_check.h"
#include "datasets/store_file_lists.h"
#include "dialogs/list_widget_list.h"
#include "dialogs/message_box.h"
#include "shell/run_setup.h"

namespace {

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Fill(QListWidget& list, int count, const char* set) {
    QStringList texts;
    texts.reserve(count);
    for (int i = 0; i < count; ++i) {
        texts << QStringLiteral("/data/evaluation/%1/station_%2.tsf")
                     .arg(QString::fromLatin1(set))
                     .arg(i, 5, 10, QLatin1Char('0'));
    }
    list.addItems(texts);
}

// A block of entries, as a shift-click selects them.
void SelectBlock(QListWidget& list, int first, int last) {
    list.clearSelection();
    const QItemSelection block(list.model()->index(first, 0), list.model()->index(last, 0));
    list.selectionModel()->select(block, QItemSelectionModel::Select);
}

// Every `step`-th entry, as ctrl-clicks select them.
void SelectEvery(QListWidget& list, int step) {
    list.clearSelection();
    for (int i = step / 2; i < list.count(); i += step) {
        list.item(i)->setSelected(true);
    }
}

// A series file of the station `index` whose site line names `site`.
QString WriteSeries(const QString& folder, const char* set, int index, const QString& site) {
    const QString path = QStringLiteral("%1/%2_%3.tsf").arg(folder, QLatin1String(set)).arg(index);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write("TIMESERIES.TSF 1.3\n2-\nSite: " + site.toUtf8() +
                   "\nwritten by list_scale_bench\nUNITS\nNAMES\nUTC+0000\nGREGORIAN_YMD\n"
                   "2008 01 01 01 0000 2008 12 31 24 0000 3600\n2-\nWSPEED m/s\nWDIR deg\n") < 0 ||
        !file.resize(1 << 20)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    return path;
}

template <typename Step>
void Timed(const char* what, int count, Step step) {
    QElapsedTimer timer;
    timer.start();
    step();
    std::printf("%-28s %7d entries %9.1f ms\n", what, count,
                static_cast<double>(timer.nsecsElapsed()) / 1e6);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 40000;
    if (count < 2) {
        std::fprintf(stderr, "usage: %s [ENTRIES >= 2]\n", argv[0]);
        return 2;
    }
    // The header check of the first entry fails silently; any other message is answered.
    int messages = 0;
    corvane::SetMessageHandler([&messages](const corvane::MessageRequest&) {
        ++messages;
        return corvane::MessageAnswer::Ok;
    });

    QListWidget predicted;
    QListWidget observed;
    predicted.setSelectionMode(QAbstractItemView::ExtendedSelection);
    observed.setSelectionMode(QAbstractItemView::ExtendedSelection);
    predicted.resize(600, 400);
    predicted.show();
    Timed("fill both lists", count, [&] {
        Fill(predicted, count, "predicted");
        Fill(observed, count, "observed");
    });

    corvane::RunSetup setup;
    Timed("NEXT: store both lists", count,
          [&] { corvane::StoreFileLists(&predicted, &observed, setup); });
    if (setup.PredictedCount != count || setup.ObservedCount != count) {
        std::fprintf(stderr, "stored %d and %d entries, expected %d\n", setup.PredictedCount,
                     setup.ObservedCount, count);
        return 1;
    }

    // Every 100th pair names two sites.
    QTemporaryDir folder;
    QStringList models;
    QStringList observations;
    Timed("write the series files", count, [&] {
        for (int i = 0; i < count; ++i) {
            const QString site = QStringLiteral("Station %1").arg(i);
            models << WriteSeries(folder.path(), "model", i, site);
            observations << WriteSeries(folder.path(), "obs", i,
                                        i % 100 == 0 ? site + u'x' : site.toUpper());
        }
    });
    QString warning;
    Timed("NEXT: compare the sites", count,
          [&] { warning = corvane::SiteWarning(models, observations, count); });
    if (!warning.startsWith(QStringLiteral("The two files of these stations"))) {
        std::fprintf(stderr, "no warning about the differing sites\n");
        return 1;
    }

    corvane::ListWidgetList list(&predicted);
    SelectBlock(predicted, count / 4, count / 4 + count / 2 - 1);
    Timed("move a block of half up", count, [&] { corvane::MoveSelectionUp(list); });
    Timed("move a block of half down", count, [&] { corvane::MoveSelectionDown(list); });
    SelectEvery(predicted, 100);
    Timed("move every 100th up", count, [&] { corvane::MoveSelectionUp(list); });
    Timed("remove every 100th", count, [&] { corvane::RemoveSelection(list); });
    SelectBlock(predicted, 0, predicted.count() / 2 - 1);
    Timed("remove the first half", count, [&] { corvane::RemoveSelection(list); });
    const int left = predicted.count();
    predicted.selectAll();
    Timed("remove all the rest", left, [&] { corvane::RemoveSelection(list); });
    app.processEvents();
    if (predicted.count() != 0) {
        std::fprintf(stderr, "%d entries left after removing all\n", predicted.count());
        return 1;
    }
    std::printf("messages shown: %d\npeak resident: %ld KiB\n", messages, PeakResidentKiB());
    return 0;
}
