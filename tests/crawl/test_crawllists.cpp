#include "components/logpane.h"
#include "crawl/linkextractor.h"
#include "shell/appwindows.h"
#include "shell/tformmain.h"
#include "testutils.h"

#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QListView>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <memory>

class TestCrawlLists : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listsShowTheEngineModels();
    void linesShowStatusesAndClearAll();
    void engineTextsReachPanelsAndLogs();
    void doubleClickInImageLinkRunsSingleImage();
    void longListStaysAModelList();

private:
    QListView *list(const char *name) const
    {
        return m_windows->main()->findChild<QListView *>(QLatin1String(name));
    }
    QString panel(const char *name) const
    {
        return m_windows->main()->findChild<QLabel *>(QLatin1String(name))->text();
    }
    QString memo(const char *name) const
    {
        return m_windows->main()->findChild<LogPane *>(QLatin1String(name))->text();
    }
    static QStringList texts(QListView *view)
    {
        QStringList result;
        for (int row = 0; row < view->model()->rowCount(); ++row)
            result.append(view->model()->index(row, 0).data().toString());
        return result;
    }

    std::unique_ptr<ConfigSandbox> m_sandbox;
    std::unique_ptr<AppWindows> m_windows;
};

void TestCrawlLists::init()
{
    m_sandbox = std::make_unique<ConfigSandbox>();
    m_windows = createWindows();
}

void TestCrawlLists::cleanup()
{
    m_windows.reset();
    m_sandbox.reset();
}

void TestCrawlLists::listsShowTheEngineModels()
{
    TFormMain *main = m_windows->main();
    QListView *memoLink = list("MemoLink");
    QListView *imageLink = list("ImageLink");
    QVERIFY(memoLink && imageLink);
    QCOMPARE(memoLink->model(), main->links()->urlList());
    QCOMPARE(imageLink->model(), main->links()->imageList());
    QVERIFY(memoLink->uniformItemSizes());
    QVERIFY(imageLink->uniformItemSizes());
    QCOMPARE(imageLink->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(memoLink->model()->rowCount(), 0);
    QCOMPARE(imageLink->model()->rowCount(), 0);
}

void TestCrawlLists::linesShowStatusesAndClearAll()
{
    LinkExtractor *links = m_windows->main()->links();
    QVERIFY(links->AddEntry(*links->urlList(), "http://h/"));
    for (int status = 0; status < 4; ++status)
        QVERIFY(links->AddEntry(*links->imageList(),
                                QByteArray("http://h/" + QByteArray::number(status) + ".jpg")));
    for (int status = 1; status < 4; ++status)
        QVERIFY(links->MarkEntry(*links->imageList(), status, status));
    QCOMPARE(texts(list("MemoLink")), QStringList{QStringLiteral("0000  ----     http://h/")});
    QCOMPARE(texts(list("ImageLink")),
             (QStringList{QStringLiteral("0001  ----     http://h/0.jpg"),
                          QStringLiteral("0002  開始     http://h/1.jpg"),
                          QStringLiteral("0003  エラー   http://h/2.jpg"),
                          QStringLiteral("0004  終了     http://h/3.jpg")}));
    // The lines are laid out in columns: in the lists' fixed-pitch face a
    // full-width status word is as wide as its bytes, so every URL starts
    // at the same place.
    for (const char *name : {"MemoLink", "ImageLink"}) {
        QListView *view = list(name);
        QCOMPARE(view->font().family(), QStringLiteral("ＭＳ 明朝"));
        QCOMPARE(view->font().pixelSize(), 12);
    }
    const QFontMetrics metrics(list("ImageLink")->font());
    QSet<int> urlColumns;
    for (const QString &line : texts(list("ImageLink")))
        urlColumns.insert(
            metrics.horizontalAdvance(line.left(line.indexOf(QLatin1String("http")))));
    QCOMPARE(urlColumns.size(), 1);

    QAction *clearAll = m_windows->main()->findChild<QAction *>(QStringLiteral("MenuAllClear"));
    QVERIFY(clearAll);
    clearAll->trigger();
    QCOMPARE(list("MemoLink")->model()->rowCount(), 0);
    QCOMPARE(list("ImageLink")->model()->rowCount(), 0);
    // Entries that were cleared can be listed again, numbered from the start.
    QVERIFY(links->AddEntry(*links->urlList(), "http://h/"));
    QCOMPARE(texts(list("MemoLink")), QStringList{QStringLiteral("0000  ----     http://h/")});
}

void TestCrawlLists::engineTextsReachPanelsAndLogs()
{
    TFormMain *main = m_windows->main();
    LinkExtractor *links = main->links();
    const CrawlPage page{1, "h", "http://h/index.html"};
    links->ExtractLinks(page, "<a href=a.html><img src=b.jpg><a href=http:///c.html>",
                        main->imageTypes());
    QCOMPARE(panel("STB_1"), QStringLiteral("リンク : 2件"));
    QCOMPARE(memo("MemoError"), QStringLiteral("Error newHost http:///c.html"));

    links->MarkEntry(*links->imageList(), 0, LinkList::Started);
    QCOMPARE(memo("MemoLog"), QStringLiteral("0001  開始     http://h/b.jpg"));
    links->ReadEntry(*links->urlList(), 1);
    QCOMPARE(panel("STA_5"), QStringLiteral("0001  ----     http:///c.html"));

    links->ExtractLinks(CrawlPage{4, "h", "http://h/"}, QByteArrayView(), main->imageTypes());
    QCOMPARE(panel("STB_0"), QStringLiteral("HTML ソース無し"));
    QVERIFY(memo("MemoLog").endsWith(QStringLiteral("\nHTML ソース無し 4")));
}

void TestCrawlLists::doubleClickInImageLinkRunsSingleImage()
{
    TFormMain *main = m_windows->main();
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));
    main->pages()->setCurrentWidget(main->findChild<QWidget *>(QStringLiteral("TabURL")));
    LinkExtractor *links = main->links();
    links->AddEntry(*links->imageList(), "http://h/a.gif");
    QListView *imageLink = list("ImageLink");
    const QModelIndex first = imageLink->model()->index(0, 0);
    imageLink->setCurrentIndex(first);
    const QPoint at = imageLink->visualRect(first).center();
    // Only ".jpg" links are viewed: the command answers a GIF with its message.
    QSignalSpy doubleClicked(imageLink, &QAbstractItemView::doubleClicked);
    const QString text = textOfMessageBoxFrom([&] {
        QTest::mouseClick(imageLink->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(imageLink->viewport(), Qt::LeftButton, {}, at);
    });
    QCOMPARE(doubleClicked.size(), 1);
    QCOMPARE(text, QStringLiteral("画像リストの画像ファイルを選択してください"));
}

void TestCrawlLists::longListStaysAModelList()
{
    LinkExtractor *links = m_windows->main()->links();
    QListView *memoLink = list("MemoLink");
    QByteArray source;
    for (int i = 0; i < 100000; ++i)
        source += "<a href=p" + QByteArray::number(i) + ".html>";
    links->ExtractLinks(CrawlPage{1, "h", "http://h/"}, source, ImageTypes{});
    QCOMPARE(memoLink->model()->rowCount(), 100000);
    memoLink->scrollToBottom();
    QCOMPARE(memoLink->model()->index(99999, 0).data().toString(),
             QStringLiteral("99999  ----     http://h/p99999.html"));
    QCOMPARE(panel("STB_1"), QStringLiteral("リンク : 100000件"));
}

QTEST_MAIN(TestCrawlLists)
#include "test_crawllists.moc"
