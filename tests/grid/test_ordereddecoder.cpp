#include "picture/ordereddecoder.h"

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A JPEG of the given size whose top-left pixel is `color`.
QByteArray writeJpeg(const QTemporaryDir &dir, const QString &name, QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    const QString path = dir.filePath(name);
    if (!image.save(path, "JPEG", 90))
        qWarning("cannot write %s", qPrintable(path));
    return QFile::encodeName(path);
}

struct Delivery
{
    QString kind;
    int index;
};

} // namespace

class TestOrderedDecoder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void deliversInListOrder();
    void firstFailureEndsTheRun();
    void restartDropsTheEarlierRun();
    void emptyRunStillFinishes();
};

void TestOrderedDecoder::deliversInListOrder()
{
    // A big picture first: the small ones after it finish sooner on the
    // other thread, yet arrive after it.
    QList<OrderedDecoder::Job> jobs;
    jobs.append({writeJpeg(m_dir, QStringLiteral("big.jpg"), QSize(3000, 2000), Qt::red), false});
    jobs.append({QByteArray("/nowhere/skipped.gif"), true});
    for (int i = 0; i < 6; ++i)
        jobs.append(
            {writeJpeg(m_dir, QStringLiteral("s%1.jpg").arg(i), QSize(40, 30), Qt::blue), false});

    OrderedDecoder decoder;
    decoder.setMaxThreads(2);
    QList<Delivery> log;
    QList<QSize> sizes;
    connect(&decoder, &OrderedDecoder::pictureReady, this, [&](int index, const QImage &image) {
        log.append({QStringLiteral("picture"), index});
        sizes.append(image.size());
    });
    connect(&decoder, &OrderedDecoder::skipped, this, [&](int index) {
        log.append({QStringLiteral("skip"), index});
    });
    QSignalSpy finished(&decoder, &OrderedDecoder::finished);
    QSignalSpy failed(&decoder, &OrderedDecoder::failed);

    decoder.start(jobs, QSize(100, 100));
    QVERIFY(decoder.isRunning());
    QVERIFY(log.isEmpty()); // nothing is reported from inside start()
    QVERIFY(finished.wait(10000));
    QCOMPARE(failed.count(), 0);
    QCOMPARE(log.size(), jobs.size());
    for (int i = 0; i < log.size(); ++i) {
        QCOMPARE(log[i].index, i);
        QCOMPARE(log[i].kind, i == 1 ? QStringLiteral("skip") : QStringLiteral("picture"));
    }
    // Reduced to cover the box, never the 3000 x 2000 original.
    QCOMPARE(sizes[0], QSize(150, 100));
    QCOMPARE(sizes[1], QSize(40, 30)); // small pictures keep their size
    QVERIFY(!decoder.isRunning());
}

void TestOrderedDecoder::firstFailureEndsTheRun()
{
    QFile damaged(m_dir.filePath(QStringLiteral("damaged.jpg")));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("this is not a JPEG file at all");
    damaged.close();

    QList<OrderedDecoder::Job> jobs;
    jobs.append({writeJpeg(m_dir, QStringLiteral("a.jpg"), QSize(2000, 2000), Qt::green), false});
    jobs.append({QFile::encodeName(damaged.fileName()), false});
    jobs.append({QFile::encodeName(m_dir.filePath(QStringLiteral("missing.jpg"))), false});
    jobs.append({writeJpeg(m_dir, QStringLiteral("b.jpg"), QSize(20, 20), Qt::green), false});

    OrderedDecoder decoder;
    QList<int> pictures;
    connect(&decoder, &OrderedDecoder::pictureReady, this,
            [&](int index, const QImage &) { pictures.append(index); });
    QSignalSpy failed(&decoder, &OrderedDecoder::failed);
    QSignalSpy finished(&decoder, &OrderedDecoder::finished);
    decoder.start(jobs, QSize(50, 50));
    QVERIFY(failed.wait(10000));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed[0][0].toInt(), 1);
    QVERIFY(failed[0][1].toString().startsWith(QStringLiteral("JPEG ｴﾗｰ #")));
    QVERIFY(!decoder.isRunning());
    // Whatever the workers still had is delivered now, and must be dropped.
    decoder.waitForWorkers();
    QCoreApplication::processEvents();
    QCOMPARE(pictures, QList<int>{0});
    QCOMPARE(finished.count(), 0);
    QCOMPARE(failed.count(), 1);
}

void TestOrderedDecoder::restartDropsTheEarlierRun()
{
    const QByteArray big = writeJpeg(m_dir, QStringLiteral("c.jpg"), QSize(2500, 2500), Qt::gray);
    const QByteArray small = writeJpeg(m_dir, QStringLiteral("d.jpg"), QSize(10, 10), Qt::gray);
    OrderedDecoder decoder;
    QList<int> pictures;
    connect(&decoder, &OrderedDecoder::pictureReady, this,
            [&](int index, const QImage &) { pictures.append(index); });
    QSignalSpy finished(&decoder, &OrderedDecoder::finished);
    decoder.start({{big, false}, {big, false}, {big, false}}, QSize(10, 10));
    decoder.start({{small, false}}, QSize(10, 10));
    QVERIFY(finished.wait(10000));
    decoder.waitForWorkers();
    QCoreApplication::processEvents();
    QCOMPARE(pictures, QList<int>{0});
    QCOMPARE(finished.count(), 1);
}

void TestOrderedDecoder::emptyRunStillFinishes()
{
    OrderedDecoder decoder;
    QSignalSpy finished(&decoder, &OrderedDecoder::finished);
    QSignalSpy skipped(&decoder, &OrderedDecoder::skipped);
    decoder.start({{QByteArray("a.gif"), true}, {QByteArray("b.GIF"), true}}, QSize(1, 1));
    QCOMPARE(finished.count(), 0);
    QVERIFY(finished.wait(2000));
    QCOMPARE(skipped.count(), 2);
    decoder.start({}, QSize(0, 0));
    QVERIFY(finished.wait(2000));
}

QTEST_MAIN(TestOrderedDecoder)
#include "test_ordereddecoder.moc"
