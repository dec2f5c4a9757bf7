// The directory chooser opening a directory of 100,000 image files: the time
// from show() until both lists hold the whole directory and the window has
// been painted. The reference is `ls -f | wc -l` in the same directory, run
// as a process, in the same run.
#include "benchreport.h"

#include "settings/tformselectdir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Files = 100000;
constexpr int Runs = 5;

bool makeFiles(const QByteArray &directory)
{
    char name[64];
    for (int i = 0; i < Files; ++i) {
        std::snprintf(name, sizeof name, "/img_%06d.jpg", i);
        const int fd = ::open(QByteArray(directory + name).constData(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
    }
    return true;
}

double listingWithLs(const QString &directory)
{
    QProcess ls;
    ls.setWorkingDirectory(directory);
    QElapsedTimer clock;
    clock.start();
    ls.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("ls -f | wc -l")});
    ls.waitForFinished(60000);
    const double ms = clock.nsecsElapsed() / 1e6;
    if (ls.readAllStandardOutput().trimmed().toInt() < Files)
        return -1;
    return ms;
}

double openChooser(TFormSelectDir &chooser, QListView *files)
{
    QElapsedTimer clock;
    clock.start();
    chooser.show();
    while (chooser.isListing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QCoreApplication::processEvents(); // the paint that shows the filled lists
    const double ms = clock.nsecsElapsed() / 1e6;
    chooser.hide();
    if (files->model()->rowCount() != Files)
        return -1;
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);

    QTemporaryDir data;
    const QByteArray directory = QFile::encodeName(data.path());
    if (!makeFiles(directory)) {
        std::fprintf(stderr, "bench_settings_chooser: cannot create the test files\n");
        return 1;
    }

    TFormSelectDir chooser;
    auto *files = chooser.findChild<QListView *>(QStringLiteral("FileListBox1"));
    if (!chooser.setDirectory(data.path()) || files == nullptr)
        return 1;

    // One round of each warms the page cache and the code paths.
    listingWithLs(data.path());
    openChooser(chooser, files);
    std::vector<double> ours, ref;
    for (int run = 0; run < Runs; ++run) {
        ref.push_back(listingWithLs(data.path()));
        ours.push_back(openChooser(chooser, files));
    }
    if (*std::min_element(ours.begin(), ours.end()) < 0 ||
        *std::min_element(ref.begin(), ref.end()) < 0) {
        std::fprintf(stderr, "bench_settings_chooser: a listing came back incomplete\n");
        return 1;
    }
    const double value = median(ours);
    const double reference = median(ref);
    std::printf(
        "BENCH name=chooser_open_100k value=%.1f unit=ms ref=%.1f ratio=%.2f goal=<1000ms\n", value,
        reference, value / reference);
    return 0;
}
