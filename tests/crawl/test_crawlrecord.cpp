// The crawl with the record of saved pictures: each crawl runs in a fresh
// engine with a fresh record object, as after a restart of the program.
#include "crawl/crawlengine.h"
#include "crawl/linkextractor.h"
#include "filebytes.h"
#include "httpserver.h"
#include "record/picturerecord.h"
#include "reportrecorder.h"
#include "testsite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

namespace {

using Response = TestHttpServer::Response;

struct Crawl
{
    ReportRecorder rec;
    PictureRecord record;
    CrawlEngine engine{&rec};
    QStringList imageLines;
};

int imageRequests(const TestHttpServer &server)
{
    int n = 0;
    for (const QByteArray &line : server.requestLines())
        n += line.contains(".jpg");
    return n;
}

QStringList listedPaths(const ReportRecorder &rec)
{
    QStringList paths;
    for (const auto &[path, size] : rec.listed)
        paths.append(QFile::decodeName(path));
    return paths;
}

} // namespace

class TestCrawlRecord : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_saveDir;
    SearchConditions m_conditions;

    std::unique_ptr<Crawl> crawl(const QString &startURL)
    {
        auto c = std::make_unique<Crawl>();
        c->engine.setTickInterval(20);
        c->engine.setRecord(&c->record);
        c->engine.setConditions(m_conditions);
        QSignalSpy finished(&c->engine, &CrawlEngine::runFinished);
        c->engine.PrepareRun();
        c->engine.StartCrawl(startURL);
        if (!finished.wait(20000))
            return nullptr;
        c->imageLines = c->engine.links()->imageList()->texts();
        return c;
    }
    QString saved(const char *name) const { return m_saveDir->filePath(QLatin1String(name)); }
    QString recordPath() const { return saved("Vellisk.db"); }

private slots:
    void init()
    {
        m_saveDir = std::make_unique<QTemporaryDir>();
        m_conditions = SearchConditions{};
        m_conditions.saveDirectory = m_saveDir->path();
        m_conditions.checkSize = false;
        m_conditions.speed = 6;
    }
    void extrasOffCrawlAsBefore();
    void secondCrawlFetchesNoRecordedPicture();
    void sameBytesUnderTwoAddressesSavedOnce();
    void numbersContinuePastFilesInUse();
    void damagedRecordMovedAsideCrawlGoesOn();
    void killedCrawlKeepsEveryFinishedPicture();
};

// First-run conditions: no database file, every picture fetched again, and
// numbers from 0001 as they always were.
void TestCrawlRecord::extrasOffCrawlAsBefore()
{
    TestHttpServer server;
    server.route("/index.html", Response{200, {"<img src=a.jpg><img src=b.jpg>"}});
    server.route("/a.jpg", Response{200, {makeJpeg({40, 30}, 6000, 1)}, "image/jpeg"});
    server.route("/b.jpg", Response{200, {makeJpeg({40, 30}, 6000, 1)}, "image/jpeg"});
    for (int run = 0; run < 2; ++run)
        QVERIFY(crawl(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(imageRequests(server), 4);
    QCOMPARE(QDir(m_saveDir->path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("0001.jpg"), QStringLiteral("0002.jpg")}));
}

void TestCrawlRecord::secondCrawlFetchesNoRecordedPicture()
{
    TestHttpServer server;
    server.route("/index.html", Response{200, {"<a href=p.html><img src=a.jpg>"}});
    server.route("/p.html", Response{200, {"<img src=b.jpg><img src=c.jpg>"}});
    for (const char *p : {"/a.jpg", "/b.jpg", "/c.jpg"})
        server.route(p, Response{200, {makeJpeg({40, 30}, 6000, quint32(p[1]))}, "image/jpeg"});
    m_conditions.extra.record = true;
    m_conditions.extra.skipSaved = true;
    const auto first = crawl(server.url(QStringLiteral("/index.html")));
    QVERIFY(first);
    QCOMPARE(imageRequests(server), 3);
    QCOMPARE(first->rec.listed.size(), 3);
    QVERIFY(QFile::exists(recordPath()));

    // b.jpg went missing: only it is fetched again.
    const QString lost = listedPaths(first->rec).at(1);
    QVERIFY(QFile::remove(lost));
    const auto second = crawl(server.url(QStringLiteral("/index.html")));
    QVERIFY(second);
    QCOMPARE(imageRequests(server), 4);
    QCOMPARE(second->imageLines, first->imageLines); // every line "終了"
    // The same files, though the recorded come before the one fetched again.
    QStringList again = listedPaths(second->rec);
    again.sort();
    QStringList before = listedPaths(first->rec);
    before.sort();
    QCOMPARE(again, before);
    QCOMPARE(second->rec.panel(2), QStringLiteral("画像 : 3件"));
    QVERIFY(second->rec.normal.contains(QStringLiteral("記録済み : ") +
                                        server.url(QStringLiteral("/a.jpg")) +
                                        QStringLiteral(" → ") + listedPaths(first->rec).at(0)));

    const auto third = crawl(server.url(QStringLiteral("/index.html")));
    QVERIFY(third);
    QCOMPARE(imageRequests(server), 4);
    // What the record holds for a picture.
    const std::optional<RecordedPicture> a =
        third->record.findURL(server.url(QStringLiteral("/a.jpg")));
    QVERIFY(a);
    QCOMPARE(a->pageURL, server.url(QStringLiteral("/index.html")));
    QCOMPARE(QSize(a->width, a->height), QSize(40, 30));
    QCOMPARE(a->bytes, 6000);
    QCOMPARE(a->sha256, QCryptographicHash::hash(fileBytes(a->file), QCryptographicHash::Sha256));
}

void TestCrawlRecord::sameBytesUnderTwoAddressesSavedOnce()
{
    TestHttpServer server;
    const QByteArray jpeg = makeJpeg({40, 30}, 6000, 7);
    server.route("/index.html", Response{200, {"<img src=a.jpg><a href=p.html>"}});
    server.route("/p.html", Response{200, {"<img src=copy.jpg><img src=other.jpg>"}});
    server.route("/a.jpg", Response{200, {jpeg}, "image/jpeg"});
    server.route("/copy.jpg", Response{200, {jpeg}, "image/jpeg"});
    server.route("/other.jpg", Response{200, {makeJpeg({40, 30}, 6000, 8)}, "image/jpeg"});
    m_conditions.speed = 1; // a.jpg is saved before its copy arrives
    m_conditions.extra.record = true;
    m_conditions.extra.sameContent = true;
    const auto first = crawl(server.url(QStringLiteral("/index.html")));
    QVERIFY(first);
    QCOMPARE(QDir(m_saveDir->path()).entryList({QStringLiteral("*.jpg")}),
             (QStringList{QStringLiteral("0001.jpg"), QStringLiteral("0003.jpg")}));
    QCOMPARE(listedPaths(first->rec), (QStringList{saved("0001.jpg"), saved("0003.jpg")}));
    QCOMPARE(first->rec.panel(2), QStringLiteral("画像 : 2件"));
    QCOMPARE(first->rec.normal.filter(QStringLiteral("同じ画像 : ")),
             QStringList{QStringLiteral("同じ画像 : ") + server.url(QStringLiteral("/copy.jpg")) +
                         QStringLiteral(" = ") + saved("0001.jpg")});
    QVERIFY(first->imageLines.at(1).contains(QStringLiteral("終了")));

    // The copy's address is recorded with the kept file: skipped next time.
    m_conditions.extra.skipSaved = true;
    const int before = imageRequests(server);
    QVERIFY(crawl(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(imageRequests(server), before);
}

void TestCrawlRecord::numbersContinuePastFilesInUse()
{
    TestHttpServer server;
    server.route("/index.html", Response{200, {"<img src=a.jpg><img src=b.gif>"}});
    server.route("/a.jpg", Response{200, {makeJpeg({40, 30}, 6000, 1)}, "image/jpeg"});
    server.route("/b.gif", Response{200, {"GIF89a"}, "image/gif"});
    m_conditions.imageTypes.gif = true;
    m_conditions.extra.continueNumbers = true;
    for (const char *name : {"0007.jpg", "0012.gif", "0099x.jpg", "notes.txt"})
        QVERIFY(QFile(saved(name)).open(QIODevice::WriteOnly));
    QVERIFY(crawl(server.url(QStringLiteral("/index.html"))));
    QVERIFY(QFile::exists(saved("0013.jpg")));
    QVERIFY(QFile::exists(saved("0014.gif")));
    QCOMPARE(QFileInfo(saved("0007.jpg")).size(), 0);

    // A recorded number counts too, though its file is gone.
    m_conditions.extra.record = true;
    QVERIFY(crawl(server.url(QStringLiteral("/index.html"))));
    QVERIFY(QFile::remove(saved("0016.gif")));
    QVERIFY(crawl(server.url(QStringLiteral("/index.html"))));
    QVERIFY(QFile::exists(saved("0017.jpg")));
}

void TestCrawlRecord::damagedRecordMovedAsideCrawlGoesOn()
{
    TestHttpServer server;
    server.route("/index.html", Response{200, {"<img src=a.jpg>"}});
    server.route("/a.jpg", Response{200, {makeJpeg({40, 30}, 6000, 1)}, "image/jpeg"});
    const QByteArray junk(8192, 'x');
    QFile damaged(recordPath());
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(junk);
    damaged.close();
    QFile wal(recordPath() + QStringLiteral("-wal"));
    QVERIFY(wal.open(QIODevice::WriteOnly));
    wal.close();
    m_conditions.extra.record = true;
    const auto c = crawl(server.url(QStringLiteral("/index.html")));
    QVERIFY(c);
    QCOMPARE(c->rec.listed.size(), 1);
    const QStringList errors = c->rec.errorsStarting(QStringLiteral("記録DBエラー : "));
    QCOMPARE(errors.size(), 1);
    const QStringList aside =
        QDir(m_saveDir->path()).entryList({QStringLiteral("Vellisk.db.damaged-*")});
    QCOMPARE(aside.size(), 2); // with its journal
    QVERIFY2(errors.first().endsWith(saved(qPrintable(aside.first()))), qPrintable(errors.first()));
    QCOMPARE(fileBytes(saved(qPrintable(aside.first()))), junk);
    QVERIFY(c->record.findURL(server.url(QStringLiteral("/a.jpg"))));

    // A record another program holds locked is in use, not damaged: it stays.
    const QString locked = saved("locked.db");
    {
        QSqlDatabase other =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(locked);
        QVERIFY(other.open());
        QSqlQuery q(other);
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE t (x)")));
        QVERIFY(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        PictureRecord record;
        QStringList errors;
        QVERIFY(!record.open(locked, &errors));
        QCOMPARE(errors.size(), 1);
        QVERIFY(QDir(m_saveDir->path()).entryList({QStringLiteral("locked.db.*")}).isEmpty());
        q.exec(QStringLiteral("ROLLBACK"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

// A crawl in a child process killed with SIGKILL: the record opens, and
// every picture whose line the child had marked "終了" is in it.
void TestCrawlRecord::killedCrawlKeepsEveryFinishedPicture()
{
    TestHttpServer server;
    QByteArray page;
    for (int i = 0; i < 60; ++i) {
        const QByteArray path = "/i" + QByteArray::number(i) + ".jpg";
        page += "<img src=" + path + ">";
        Response slow{200, {makeJpeg({40, 30}, 6000, quint32(i))}, "image/jpeg"};
        slow.pauseMs = 60;
        server.route(path, slow);
    }
    server.route("/index.html", Response{200, {page}});
    QProcess child;
    child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/record_crawl_child"),
                {server.url(QStringLiteral("/index.html")), m_saveDir->path()});
    QStringList done;
    QTRY_VERIFY_WITH_TIMEOUT((done += QString::fromUtf8(child.readAllStandardOutput())
                                          .split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                              done.size() >= 8),
                             20000);
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());
    done += QString::fromUtf8(child.readAllStandardOutput())
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(done.size() < 60);

    PictureRecord record;
    QStringList errors;
    QVERIFY(record.open(recordPath(), &errors));
    QVERIFY(errors.isEmpty());
    for (const QString &url : std::as_const(done))
        QVERIFY2(record.findURL(url), qPrintable(url));
}

QTEST_GUILESS_MAIN(TestCrawlRecord)
#include "test_crawlrecord.moc"
