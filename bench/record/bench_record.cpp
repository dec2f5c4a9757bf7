// The record at 1,000,000 saved pictures, each figure beside its reference:
//   record_lookup_us  a lookup by URL through the record's prepared
//                     statement, each of 20,000 random addresses for the
//                     first time (its pages read from the file), against the
//                     same query prepared anew for each lookup
//   record_insert_us  one picture written in its own transaction (WAL,
//                     synchronous=NORMAL), against the same with
//                     synchronous=FULL, which waits for the disk each time
// The million rows are written in one transaction on a connection of the
// benchmark's own before the record opens the file.
#include "benchreport.h"

#include "record/picturerecord.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <cstdio>

namespace {

constexpr int Rows = 1'000'000;
constexpr int Lookups = 20'000;
constexpr int Inserts = 2'000;

QString urlOf(int i)
{
    return QStringLiteral("http://www.example.jp/gallery/%1/picture%2.jpg").arg(i / 1000).arg(i);
}

QByteArray shaOf(int i)
{
    return QCryptographicHash::hash(QByteArray::number(i), QCryptographicHash::Sha256);
}

RecordedPicture pictureOf(int i, const QString &dir)
{
    return {urlOf(i),
            QStringLiteral("http://www.example.jp/gallery/%1/index.html").arg(i / 1000),
            dir + QStringLiteral("/%1.jpg").arg(i % 10000, 4, 10, QLatin1Char('0')),
            100000 + i % 50000,
            1600,
            1200,
            shaOf(i),
            QStringLiteral("2026-12-10T07:00:00")};
}

bool fill(const QString &path, const QString &dir)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    db.setDatabaseName(path);
    if (!db.open())
        return false;
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA synchronous=OFF"));
    db.transaction();
    q.prepare(QStringLiteral("INSERT INTO pictures (url, page_url, file, number, bytes, width, "
                             "height, sha256, saved) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < Rows; ++i) {
        const RecordedPicture p = pictureOf(i, dir);
        for (const QVariant &value : {QVariant(p.url), QVariant(p.pageURL), QVariant(p.file),
                                      QVariant(i % 10000), QVariant(p.bytes), QVariant(p.width),
                                      QVariant(p.height), QVariant(p.sha256), QVariant(p.saved)})
            q.addBindValue(value);
        if (!q.exec())
            return false;
    }
    q.finish();
    return db.commit();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vellisk.db"));
    QStringList errors;
    {
        PictureRecord schema;
        if (!schema.open(path, &errors))
            return 1;
    }
    QElapsedTimer clock;
    clock.start();
    if (!fill(path, dir.path())) {
        std::fprintf(stderr, "bench_record: filling failed\n");
        return 1;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    std::printf("# %d pictures written in %.1f s\n", Rows, double(clock.elapsed()) / 1000);

    PictureRecord record;
    if (!record.open(path, &errors))
        return 1;
    QRandomGenerator random(7);
    std::vector<int> picks(Lookups);
    for (int &pick : picks)
        pick = int(random.bounded(Rows));
    int found = 0;
    clock.start();
    for (const int i : picks)
        found += record.findURL(urlOf(i)).has_value();
    const double lookupUs = double(clock.nsecsElapsed()) / 1e3 / Lookups;
    // The same addresses again: their pages are in memory now.
    clock.start();
    for (const int i : picks)
        found += record.findURL(urlOf(i)).has_value() ? 0 : 1;
    const double warmUs = double(clock.nsecsElapsed()) / 1e3 / Lookups;
    clock.start();
    for (const int i : picks)
        found += record.findSha256(shaOf(i)).has_value();
    const double shaUs = double(clock.nsecsElapsed()) / 1e3 / Lookups;

    // The reference: a query prepared anew for each lookup.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("ref"));
    db.setDatabaseName(path);
    if (!db.open())
        return 1;
    clock.start();
    for (const int i : picks) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT url, page_url, file, bytes, width, height, sha256, saved "
                                 "FROM pictures WHERE url = ? ORDER BY id DESC LIMIT 1"));
        q.addBindValue(urlOf(i));
        found += q.exec() && q.next();
    }
    const double refLookupUs = double(clock.nsecsElapsed()) / 1e3 / Lookups;
    if (found != 3 * Lookups) {
        std::fprintf(stderr, "bench_record: %d of %d lookups found\n", found, 3 * Lookups);
        return 1;
    }

    clock.start();
    for (int i = Rows; i < Rows + Inserts; ++i) {
        if (!record.add(pictureOf(i, dir.path())))
            return 1;
    }
    const double insertUs = double(clock.nsecsElapsed()) / 1e3 / Inserts;
    // The reference: the same inserts waiting for the disk at each commit.
    QSqlQuery full(db);
    full.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    full.prepare(QStringLiteral("INSERT INTO pictures (url, file, sha256) VALUES (?, ?, ?)"));
    clock.start();
    for (int i = Rows + Inserts; i < Rows + 2 * Inserts; ++i) {
        db.transaction();
        full.addBindValue(urlOf(i));
        full.addBindValue(pictureOf(i, dir.path()).file);
        full.addBindValue(shaOf(i));
        full.exec();
        db.commit();
    }
    const double refInsertUs = double(clock.nsecsElapsed()) / 1e3 / Inserts;
    full.finish();
    std::printf("# a lookup by SHA-256 takes %.1f us; by URL again (pages in memory) %.1f us\n",
                shaUs, warmUs);
    printBench("record_lookup_us", lookupUs, "us", refLookupUs, "value<=20");
    printBench("record_insert_us", insertUs, "us", refInsertUs, "value<=200");
    return 0;
}
