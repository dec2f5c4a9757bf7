// Every kind of run driven through the run controller, without any window.
#include "crawl/crawlengine.h"
#include "crawl/linkextractor.h"
#include "crawl/singlefetch.h"
#include "crawl/thttp.h"
#include "disksearch/disksearch.h"
#include "httpserver.h"
#include "reportrecorder.h"
#include "run/runcontroller.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using Response = TestHttpServer::Response;
using Target = RunController::Target;
using State = RunController::State;
using Refusal = RunController::Refusal;

class TestRunController : public QObject
{
    Q_OBJECT

private:
    ReportRecorder m_rec;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RunController> m_run;
    SearchConditions m_conditions;
    QList<bool> m_busy; // what the indicator was told, in order

    QTimer *startTimer() const
    {
        return m_run->findChild<QTimer *>(QStringLiteral("TimerTansaku"));
    }
    LinkList *pages() const { return m_run->crawl()->links()->urlList(); }
    LinkList *images() const { return m_run->crawl()->links()->imageList(); }
    QString status(LinkList *list, qsizetype row) const
    {
        return list->lineText(row).mid(6, 4).trimmed();
    }
    void setConditions() { m_run->setConditions(m_conditions); }
    // Runs `command` and waits for the run it starts to end.
    bool runToEnd(const std::function<void()> &command, int timeoutMs = 20000)
    {
        QSignalSpy ended(m_run.get(), &RunController::runEnded);
        command();
        return ended.wait(timeoutMs);
    }
    // A tree of `subdirectories` folders below one picture, each with one.
    QString makeTree(int subdirectories)
    {
        const QString root = m_dir->filePath(QStringLiteral("tree"));
        QDir().mkpath(root);
        QFile(root + QStringLiteral("/top.jpg")).open(QIODevice::WriteOnly);
        for (int i = 0; i < subdirectories; ++i) {
            const QString sub = root + QStringLiteral("/d%1").arg(i);
            QDir().mkpath(sub);
            QFile(sub + QStringLiteral("/p.jpg")).open(QIODevice::WriteOnly);
        }
        return root;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_rec = ReportRecorder{};
        m_run = std::make_unique<RunController>(&m_rec);
        m_run->crawl()->setTickInterval(20);
        m_conditions = SearchConditions{};
        m_conditions.saveDirectory = m_dir->path();
        m_conditions.checkSize = false;
        m_conditions.speed = 6;
        setConditions();
        m_busy.clear();
        connect(m_run.get(), &RunController::busyChanged, this,
                [this](bool busy) { m_busy.append(busy); });
    }
    void cleanup() { m_run.reset(); }

    void walkAndItsStops()
    {
        QCOMPARE(m_run->search(QString()), Refusal::NoTarget);
        QVERIFY(m_busy.isEmpty());
        const QString root = makeTree(3);
        QVERIFY(runToEnd([&] {
            QCOMPARE(m_run->search(root), Refusal::None);
            // Prepared at once; the walk waits for the deferred start.
            QCOMPARE(m_run->state(), State::Waiting);
            QVERIFY(startTimer()->isActive());
        }));
        QCOMPARE(m_run->state(), State::Idle);
        QCOMPARE(m_busy, (QList<bool>{true, false}));
        QCOMPARE(m_rec.panel(0), QStringLiteral("検索完了 : 4 件"));

        // A stop in the wait: the walk stops at its first subdirectory; the
        // indicator is idle at once.
        QVERIFY(runToEnd([&] {
            m_run->search(root);
            m_run->Stop();
            QVERIFY(!m_run->busy());
            QCOMPARE(m_rec.panel(0), QStringLiteral("探索中止"));
        }));
        QVERIFY(m_run->diskSearch()->FoundCount() <= 1);
        QCOMPARE(m_rec.panel(3), QStringLiteral("探索中止"));

        // A stop while the walk runs: seen at the next subdirectory.
        const QString big = makeTree(300);
        QVERIFY(runToEnd([&] {
            connect(
                startTimer(), &QTimer::timeout, this,
                [this] {
                    QCOMPARE(m_run->state(), State::Walk);
                    m_run->Stop();
                },
                Qt::SingleShotConnection);
            m_run->search(big);
        }));
        QVERIFY(m_run->diskSearch()->FoundCount() < 301);
        QCOMPARE(m_rec.panel(3), QStringLiteral("探索中止"));
        QVERIFY(!m_run->busy());
    }

    void crawlAndItsStops()
    {
        TestHttpServer server;
        server.route("/index.html", Response{200, {"<a href=a.html>"}});
        server.route("/a.html", Response{200, {"<p>"}});
        m_run->setTarget(Target::WWW);
        const QString start = server.url(QStringLiteral("/index.html"));
        QVERIFY(runToEnd([&] { m_run->search(start); }));
        QCOMPARE(server.requestLines().size(), 2);
        QCOMPARE(m_rec.slotURLs, QStringList{start});
        QCOMPARE(m_busy, (QList<bool>{true, false}));

        // A stop in the wait: the crawl never begins.
        m_conditions.clearWWWResults = true;
        setConditions();
        m_run->search(start);
        m_run->Stop();
        QTRY_VERIFY(!startTimer()->isActive());
        QCOMPARE(m_run->state(), State::Idle);
        QCOMPARE(server.requestLines().size(), 2);

        // A stop while slots wait for pages that never come, then a run with
        // one slot: the transfers left on the other slots do not hold it.
        Response silent;
        silent.silent = true;
        server.route("/slow.html",
                     Response{200, {"<a href=s1.html><a href=s2.html><a href=s3.html>"}});
        for (const char *p : {"/s1.html", "/s2.html", "/s3.html"})
            server.route(p, silent);
        m_run->search(server.url(QStringLiteral("/slow.html")));
        QTRY_COMPARE_WITH_TIMEOUT(server.requestLines().size(), 6, 10000);
        m_run->Stop();
        QCOMPARE(m_run->state(), State::Idle);
        QVERIFY(!m_run->busy());
        QCOMPARE(m_rec.panel(0), QStringLiteral("探索中止"));
        QVERIFY(m_run->http(2)->IsBusy()); // a stop leaves transfers to end
        m_conditions.speed = 1;
        setConditions();
        QVERIFY(runToEnd([&] { m_run->search(start); }, 5000));
        QVERIFY(!m_run->http(2)->IsBusy());
    }

    // Collect runs download the selected lines; their mode ends with them,
    // whatever ran, and the next crawl still takes the lines they passed.
    void collectRuns()
    {
        QCOMPARE(m_run->collect(QString()), Refusal::NoImages);
        TestHttpServer server;
        server.route("/index.html",
                     Response{200, {"<img src=a.jpg><img src=b.jpg><img src=c.jpg>"}});
        server.setFallback(Response{200, {"picture"}, "image/jpeg"});
        m_run->setTarget(Target::WWW);
        const QString start = server.url(QStringLiteral("/index.html"));
        m_conditions.saveToFile = false;
        setConditions();
        QVERIFY(runToEnd([&] { m_run->search(start); }));
        QCOMPARE(images()->size(), 3);
        QCOMPARE(m_run->collect(start), Refusal::NoFileSave);
        QCOMPARE(m_run->state(), State::Idle);

        m_conditions.saveToFile = true;
        setConditions();
        m_run->crawl()->imageSelection()->select(images()->index(2), QItemSelectionModel::Select);
        QVERIFY(runToEnd([&] {
            QCOMPARE(m_run->collect(start), Refusal::None);
            QCOMPARE(m_rec.panel(0), QStringLiteral("画像収集開始.."));
            QTRY_COMPARE(m_run->state(), State::Collect);
            QVERIFY(m_run->crawl()->collectMode());
        }));
        QCOMPARE(status(images(), 2), QStringLiteral("終了"));
        QCOMPARE(status(images(), 0), QStringLiteral("----"));
        QVERIFY(!m_run->crawl()->collectMode());

        // In hard-disk mode the deferred start walks; collect mode never begins.
        m_run->crawl()->imageSelection()->select(images()->index(0), QItemSelectionModel::Select);
        m_run->setTarget(Target::HardDisk);
        QVERIFY(runToEnd([&] { QCOMPARE(m_run->collect(makeTree(1)), Refusal::None); }));
        QVERIFY(!m_run->crawl()->collectMode());
        QCOMPARE(status(images(), 0), QStringLiteral("----"));

        // The next crawl downloads the lines the collect run passed over.
        m_run->setTarget(Target::WWW);
        QVERIFY(runToEnd([&] { m_run->search(start); }));
        QCOMPARE(status(images(), 0), QStringLiteral("終了"));
        QCOMPARE(status(images(), 1), QStringLiteral("終了"));
    }

    // The first-run folder in the user's pictures is made by the first run
    // that saves into it.
    void firstRunFolderIsMadeWhenNeeded()
    {
        const QByteArray home = qgetenv("HOME");
        const QByteArray config = qgetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", home);
            if (!config.isEmpty())
                qputenv("XDG_CONFIG_HOME", config);
        });
        qputenv("HOME", QFile::encodeName(m_dir->path()));
        qunsetenv("XDG_CONFIG_HOME");
        const QString folder = SearchSetting::picturesSaveDirectory();
        QVERIFY(folder.startsWith(m_dir->path()));
        QVERIFY(!QDir(folder).exists());

        TestHttpServer server;
        server.route("/index.html", Response{200, {"<img src=a.jpg>"}});
        server.route("/a.jpg", Response{200, {"picture"}, "image/jpeg"});
        m_conditions.saveDirectory = folder;
        setConditions();
        m_run->setTarget(Target::WWW);
        QVERIFY(runToEnd([&] { m_run->search(server.url(QStringLiteral("/index.html"))); }));
        QVERIFY(QFile::exists(folder + QStringLiteral("/0001.jpg")));
    }

    void singleFetches()
    {
        TestHttpServer server;
        server.route("/page.html", Response{200, {"<p>page</p>"}});
        Response silent;
        silent.silent = true;
        server.route("/silent.html", silent);
        server.route("/wait.jpg", silent);
        SingleFetch *fetch = m_run->singleFetch();

        QSignalSpy ended(fetch, &SingleFetch::fetchEnded);
        m_run->fetchPage(server.url(QStringLiteral("/page.html")));
        QCOMPARE(m_run->state(), State::SingleFetch);
        QVERIFY(m_run->busy());
        QVERIFY(ended.wait(5000));
        QCOMPARE(m_run->state(), State::Idle);
        QCOMPARE(m_busy, (QList<bool>{true, false}));
        QCOMPARE(m_rec.panel(0), QStringLiteral("探索終了"));

        // The stop command cancels a single fetch that would never end.
        m_run->fetchPage(server.url(QStringLiteral("/silent.html")));
        QTRY_VERIFY(m_run->http(0)->IsBusy());
        m_run->Stop();
        QVERIFY(!m_run->http(0)->IsBusy());
        QVERIFY(!m_run->busy());

        // A single fetch ending during a collect run leaves that run alone.
        m_run->setTarget(Target::WWW);
        m_run->crawl()->links()->AddEntry(*images(),
                                          server.url(QStringLiteral("/wait.jpg")).toLatin1());
        m_run->crawl()->imageSelection()->select(images()->index(0), QItemSelectionModel::Select);
        m_run->collect(server.url(QStringLiteral("/index.html")));
        QTRY_COMPARE(m_run->state(), State::Collect);
        m_run->fetchPage(server.url(QStringLiteral("/page.html")));
        QVERIFY(ended.wait(5000));
        QCOMPARE(m_run->state(), State::Collect);
        QVERIFY(m_run->crawl()->collectMode());
        QVERIFY(m_run->busy());
        m_run->Stop();
        QVERIFY(!m_run->crawl()->collectMode());
    }
};

QTEST_GUILESS_MAIN(TestRunController)
#include "test_runcontroller.moc"
