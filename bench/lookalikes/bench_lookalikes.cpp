// Look-alikes among 2,000 photographs with camera thumbnails, beside
// findimagedupes (Debian) on the same files in the same run:
//   lookalikes_vs_findimagedupes  time to group them all, from files never
//                                 hashed before, against findimagedupes's
//   lookalikes_agreement          the share of pictures whose group (the
//                                 set of pictures it is grouped with) is the
//                                 one findimagedupes gives it
// The photographs are 320 x 200 tiles cut from the wallpapers Debian ships
// (each at 2560 wide), those with detail in them; three tiles in four get three
// copies: half the size, quality 40, and cropped by 1 % a side. Every file carries a 160-wide
// thumbnail as a camera writes it.
#include "benchreport.h"

#include "disksearch/lookalikefinder.h"
#include "picturefiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Files = 2000;
const QSize Tile(320, 200);

// The largest picture of each wallpaper, 2560 wide.
QList<QImage> wallpapers()
{
    QList<QImage> found;
    const QDir root(QStringLiteral("/usr/share/wallpapers"));
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir images(root.filePath(name + QStringLiteral("/contents/images")));
        QString largest;
        qint64 pixels = 0;
        for (const QString &file :
             images.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.png")})) {
            const QStringList wh = QFileInfo(file).completeBaseName().split(QLatin1Char('x'));
            const qint64 p = wh.size() == 2 ? wh[0].toLongLong() * wh[1].toLongLong() : 0;
            if (p > pixels) {
                pixels = p;
                largest = images.filePath(file);
            }
        }
        const QImage image(largest);
        if (!image.isNull())
            found.append(image.convertToFormat(QImage::Format_RGB32)
                             .scaledToWidth(2560, Qt::SmoothTransformation));
    }
    return found;
}

// A tile with little in it (a clear sky, a smooth shade) looks like any
// other such tile to every tool; those are left out, as no grouping of them
// is the right one.
bool hasDetail(const QImage &tile)
{
    const QImage small = tile.scaled(64, 40, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double sum = 0;
    double squares = 0;
    for (int y = 0; y < small.height(); ++y) {
        for (int x = 0; x < small.width(); ++x) {
            const double grey = qGray(small.pixel(x, y));
            sum += grey;
            squares += grey * grey;
        }
    }
    const double n = 64.0 * 40.0;
    return squares / n - (sum / n) * (sum / n) >= 20.0 * 20.0;
}

bool writeWithThumbnail(const QString &path, const QImage &image, int quality)
{
    const QByteArray exif = PictureFiles::exifPayload(
        PictureFiles::jpegBytes(image.scaledToWidth(160, Qt::SmoothTransformation)), false);
    return PictureFiles::writeSampledJpeg(path, image, 2, false, exif, quality);
}

// The groups findimagedupes prints, one a line, as sets of file paths.
QList<QSet<QString>> parseGroups(const QByteArray &out)
{
    QList<QSet<QString>> groups;
    for (const QByteArray &line : out.split('\n')) {
        const QList<QByteArray> files = line.trimmed().split(' ');
        if (files.size() < 2)
            continue;
        QSet<QString> group;
        for (const QByteArray &file : files)
            group.insert(QFile::decodeName(file));
        groups.append(group);
    }
    return groups;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (QStandardPaths::findExecutable(QStringLiteral("findimagedupes")).isEmpty() ||
        !QFileInfo::exists(QStringLiteral("/usr/share/wallpapers"))) {
        std::printf("# bench_lookalikes needs plasma-workspace-wallpapers and findimagedupes: "
                    "scripts/install-deps.sh bench\n");
        return 0;
    }
    QTemporaryDir dir;
    std::vector<QByteArray> files;
    int base = 0;
    for (const QImage &wallpaper : wallpapers()) {
        for (int y = 0; y + Tile.height() <= wallpaper.height(); y += Tile.height()) {
            for (int x = 0; x + Tile.width() <= wallpaper.width(); x += Tile.width()) {
                if (int(files.size()) >= Files)
                    break;
                const QImage tile = wallpaper.copy(QRect(QPoint(x, y), Tile));
                if (!hasDetail(tile))
                    continue;
                const QString stem = dir.filePath(QString::asprintf("%04d", base));
                QList<QPair<QString, QImage>> set{{stem + QStringLiteral("a.jpg"), tile}};
                const bool copies = base % 4 != 0 && int(files.size()) + 4 <= Files;
                if (copies) {
                    set.append(
                        {stem + QStringLiteral("b.jpg"),
                         tile.scaled(Tile / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)});
                    set.append({stem + QStringLiteral("c.jpg"), tile});
                    set.append({stem + QStringLiteral("d.jpg"),
                                tile.copy(Tile.width() / 100, Tile.height() / 100,
                                          Tile.width() * 49 / 50, Tile.height() * 49 / 50)});
                }
                for (const auto &[path, image] : set) {
                    const int quality = path.endsWith(QLatin1String("c.jpg")) ? 40 : 90;
                    if (!writeWithThumbnail(path, image, quality))
                        return 1;
                    files.push_back(QFile::encodeName(path));
                }
                ++base;
            }
        }
    }
    std::printf("# %zu photographs from %d tiles\n", files.size(), base);

    QElapsedTimer clock;
    clock.start();
    const LookAlikeResult ours = LookAlikeFinder::find(files, {});
    const double oursS = double(clock.nsecsElapsed()) / 1e9;

    QProcess peer;
    peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    clock.start();
    peer.start(QStringLiteral("findimagedupes"), {QStringLiteral("-q"), dir.path()});
    if (!peer.waitForFinished(3600000) || peer.exitCode() != 0) {
        std::fprintf(stderr, "bench_lookalikes: findimagedupes failed\n");
        return 1;
    }
    const double peerS = double(clock.nsecsElapsed()) / 1e9;
    const QList<QSet<QString>> theirs = parseGroups(peer.readAllStandardOutput());

    // Each picture's group as a set of paths (itself alone when ungrouped).
    QHash<QString, QSet<QString>> ourGroup;
    QHash<QString, QSet<QString>> theirGroup;
    for (const std::vector<int> &group : ours.groups) {
        QSet<QString> members;
        for (const int i : group)
            members.insert(QFile::decodeName(files[size_t(i)]));
        for (const QString &member : std::as_const(members))
            ourGroup.insert(member, members);
    }
    for (const QSet<QString> &group : theirs) {
        for (const QString &member : group)
            theirGroup.insert(member, group);
    }
    // The groups as they were made: a tile with its copies.
    QHash<QString, QSet<QString>> madeGroup;
    for (const QByteArray &file : files) {
        const QString name = QFile::decodeName(file);
        const QString tile = QFileInfo(name).fileName().left(4);
        madeGroup[tile].insert(name);
    }
    int agree = 0;
    int oursTrue = 0;
    int theirsTrue = 0;
    int madeAsCopies = 0;
    for (const QByteArray &file : files) {
        const QString name = QFile::decodeName(file);
        const QSet<QString> alone{name};
        const QSet<QString> made = madeGroup.value(QFileInfo(name).fileName().left(4));
        agree += ourGroup.value(name, alone) == theirGroup.value(name, alone);
        oursTrue += ourGroup.value(name, alone) == made;
        theirsTrue += theirGroup.value(name, alone) == made;
        madeAsCopies += ourGroup.contains(name);
    }
    std::printf("# pictures grouped exactly as made: ours %.3f, findimagedupes %.3f\n",
                double(oursTrue) / double(files.size()), double(theirsTrue) / double(files.size()));
    std::printf("# ours: %zu groups, %d pictures grouped, %.2f s; findimagedupes: %lld groups, "
                "%.2f s\n",
                ours.groups.size(), madeAsCopies, oursS, qlonglong(theirs.size()), peerS);
    printBench("lookalikes_vs_findimagedupes", oursS, "s", peerS, "<=0.05");
    const double share = double(agree) / double(files.size());
    printBench("lookalikes_agreement", share, "share", 1.0, share, ">=0.9");
    return 0;
}
