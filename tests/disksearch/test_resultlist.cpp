// The disk search through the main window, the result file list and its
// commands, and the confirmation button, driven as a user would.
#include "components/logpane.h"
#include "components/msgbitbtn.h"
#include "disksearch/resultentry.h"
#include "disksearch/resultlistpane.h"
#include "settings/tformsetting.h"
#include "shell/appwindows.h"
#include "shell/tformmain.h"
#include "testutils.h"
#include "treebuilder.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

struct Program
{
    ConfigSandbox sandbox;
    std::unique_ptr<AppWindows> windows = createWindows();

    TFormMain *main() const { return windows->main(); }
    ResultListPane *pane() const { return main()->resultList(); }
    QListView *list() const { return main()->findChild<QListView *>(QStringLiteral("ListImage")); }
    QString panel(int i) const
    {
        return main()->findChild<QLabel *>(QStringLiteral("STB_") + QString::number(i))->text();
    }
    template <typename T = QWidget> T *control(const QString &name) const
    {
        T *found = main()->findChild<T *>(name);
        if (found == nullptr && windows->setting() != nullptr)
            found = windows->setting()->findChild<T *>(name);
        return found;
    }
    QStringList lines() const
    {
        QStringList out;
        for (int i = 0; i < list()->model()->rowCount(); ++i)
            out.append(list()->model()->index(i, 0).data().toString());
        return out;
    }
    QList<QByteArray> paths() const
    {
        QList<QByteArray> out;
        for (int i = 0; i < pane()->count(); ++i)
            out.append(pane()->EntryFileName(i));
        return out;
    }
    bool busy() const { return main()->busyIndicator() == TFormMain::ImageBusy; }

    void startSearch(const QString &directory) const
    {
        control<QComboBox>(QStringLiteral("ComboDirectory"))->setEditText(directory);
        control<QToolButton>(QStringLiteral("BtTansaku"))->click();
    }
    // Runs a search to its report in panel 0.
    void search(const QString &directory) const
    {
        startSearch(directory);
        QVERIFY(waitUntil(
            [this] {
                return !busy() && (panel(0).startsWith(QStringLiteral("検索完了")) ||
                                   panel(0) == QStringLiteral("検索該当なし"));
            },
            20000));
    }
    // Chooses an item of the results choice of the settings dialog.
    bool setRadioKekka(int item) const
    {
        auto *radio = control<QRadioButton>(QStringLiteral("RadioKekka") + QString::number(item));
        if (radio == nullptr)
            return false;
        radio->click();
        return radio->isChecked();
    }
    void click(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        const QRect rect = list()->visualRect(list()->model()->index(row, 0));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, modifiers, rect.center());
    }
    void append(const QList<QByteArray> &paths) const
    {
        for (const QByteArray &path : paths)
            pane()->appendEntry(ResultEntry::format(0, 1, path));
    }
};

QList<QByteArray> sorted(QList<QByteArray> list)
{
    std::sort(list.begin(), list.end());
    return list;
}

} // namespace

class TestResultList : public QObject
{
    Q_OBJECT

private slots:
    void searchListsLinesAndReports();
    void emptyTreeReportsNothingFound();
    void accumulateOrClear_data();
    void accumulateOrClear();
    void stopReachesTheWalk();
    void stopBeforeTheWalkBegins();
    void newSearchEndsTheOldOne();
    void unreadableFileGoesToErrorLog();
    void deleteEntries2And4Of5();
    void deleteLastEntryWithPopup();
    void deleteAskedAndRefused();
    void nonUtf8NameDeletedAsItself();
    void eraseKeepsFiles();
    void selectAllKeepsCurrent();
    void clicksAndKeysReachThePreview();
    void listLayout();
    void msgBitBtnAnswers_data();
    void msgBitBtnAnswers();
    void msgBitBtnEmptyDisplayMsg();
    void msgBitBtnHelpKeepsTheQuestion();
};

void TestResultList::searchListsLinesAndReports()
{
    Program p;
    TreeBuilder tree;
    const time_t when = 1700000000;
    const QByteArray a = tree.file("a.jpg", 12345, when);
    tree.file("sub/b.JPG", 10, when);
    tree.file("sub/c.png", 10, when);
    p.search(tree.rootText());
    QCOMPARE(p.panel(0), QStringLiteral("検索完了 : 2 件"));
    QCOMPARE(p.main()->FoundCount(), 2);
    QCOMPARE(p.main()->ListedCount(), 2);
    QVERIFY(!p.control<QObject>(QStringLiteral("Animate1"))->property("active").toBool());
    QCOMPARE(p.main()->pages()->currentWidget()->objectName(), QStringLiteral("TabList"));
    const int row = int(p.paths().indexOf(a));
    QVERIFY(row >= 0);
    const QString date = QDateTime::fromSecsSinceEpoch(when).toString(QStringLiteral("yy/MM/dd"));
    QCOMPARE(p.lines().at(row), date + QStringLiteral("    12345 ") + QFile::decodeName(a));
    QCOMPARE(p.lines().at(row).mid(18), QFile::decodeName(a));
    QCOMPARE(sorted(p.paths()), sorted({a, tree.root() + "/sub/b.JPG"}));
}

void TestResultList::emptyTreeReportsNothingFound()
{
    Program p;
    TreeBuilder tree;
    tree.file("x/readme.txt");
    p.append({"/kept.jpg"});
    QVERIFY(p.setRadioKekka(0));
    p.search(tree.rootText());
    QCOMPARE(p.panel(0), QStringLiteral("検索該当なし"));
    QCOMPARE(p.pane()->count(), 1);
    p.search(tree.rootText() + QStringLiteral("/missing"));
    QCOMPARE(p.panel(0), QStringLiteral("検索該当なし"));
}

void TestResultList::accumulateOrClear_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("rowsAfterTwo");
    QTest::newRow("結果を累積する") << 0 << 4;
    QTest::newRow("毎回クリアする") << 1 << 2;
}

void TestResultList::accumulateOrClear()
{
    QFETCH(int, item);
    QFETCH(int, rowsAfterTwo);
    Program p;
    QVERIFY(p.setRadioKekka(item));
    TreeBuilder tree;
    tree.file("a.jpg");
    tree.file("d/b.jpg");
    p.search(tree.rootText());
    p.search(tree.rootText());
    QCOMPARE(p.pane()->count(), rowsAfterTwo);
    // The report counts the last search only.
    QCOMPARE(p.panel(0), QStringLiteral("検索完了 : 2 件"));
}

void TestResultList::stopReachesTheWalk()
{
    Program p;
    TreeBuilder tree;
    for (int d = 0; d < 1500; ++d)
        tree.file("d" + QByteArray::number(d) + "/x.jpg");
    // The stop command comes right after the walk has begun.
    auto *timer = p.main()->findChild<QTimer *>(QStringLiteral("TimerTansaku"));
    QMetaObject::Connection stopper = connect(timer, &QTimer::timeout, this, [&p] {
        p.control<QToolButton>(QStringLiteral("BtStop"))->click();
    });
    p.search(tree.rootText());
    disconnect(stopper);
    QCOMPARE(p.panel(3), QStringLiteral("探索中止"));
    QVERIFY(p.pane()->count() < 1500);
    const QString report = p.pane()->count() == 0
                               ? QStringLiteral("検索該当なし")
                               : QStringLiteral("検索完了 : %1 件").arg(p.pane()->count());
    QCOMPARE(p.panel(0), report);
    QVERIFY(p.panel(5).endsWith(QStringLiteral(" 秒")));
    QVERIFY(!p.busy());
}

// "中止" right after "探索", inside the wait before the walk: the walk ends at
// its first subdirectory, and the root holds nothing but subdirectories.
void TestResultList::stopBeforeTheWalkBegins()
{
    Program p;
    TreeBuilder tree;
    for (int d = 0; d < 50; ++d)
        tree.file("d" + QByteArray::number(d) + "/x.jpg");
    p.startSearch(tree.rootText());
    p.control<QToolButton>(QStringLiteral("BtStop"))->click();
    QVERIFY(waitUntil([&p] { return p.panel(0) == QStringLiteral("検索該当なし"); }));
    QCOMPARE(p.panel(3), QStringLiteral("探索中止"));
    QCOMPARE(p.pane()->count(), 0);
    QVERIFY(!p.busy());
}

void TestResultList::newSearchEndsTheOldOne()
{
    Program p;
    QVERIFY(p.setRadioKekka(1));
    TreeBuilder big;
    TreeBuilder small;
    for (int d = 0; d < 1500; ++d)
        big.file("d" + QByteArray::number(d) + "/x.jpg");
    const QByteArray only = small.file("only.jpg");
    auto *timer = p.main()->findChild<QTimer *>(QStringLiteral("TimerTansaku"));
    bool again = true;
    QMetaObject::Connection restarter = connect(timer, &QTimer::timeout, this, [&] {
        if (std::exchange(again, false))
            p.startSearch(small.rootText());
    });
    p.startSearch(big.rootText());
    QVERIFY(waitUntil([&] { return !again && !p.busy(); }, 20000));
    disconnect(restarter);
    // Both walks are joined by now: whatever the first one left queued is
    // handled here, and must not reach the list.
    QCoreApplication::processEvents();
    QCOMPARE(p.panel(0), QStringLiteral("検索完了 : 1 件"));
    QCOMPARE(p.panel(3), QString());
    QCOMPARE(p.paths(), QList<QByteArray>{only});
}

void TestResultList::unreadableFileGoesToErrorLog()
{
    Program p;
    TreeBuilder tree;
    tree.file("a.jpg", 1);
    const QByteArray broken = tree.symlink("b.jpg", "gone.jpg");
    tree.file("c.jpg", 3);
    tree.file("d/e.jpg", 4);
    const QByteArray closed = tree.file("f.jpg", 5);
    ::chmod(closed.constData(), 0);
    {
        PermissionsBind permissions;
        if (!permissions.binds())
            QSKIP("file permissions cannot be made to bind here (superuser without capset)");
        p.search(tree.rootText());
    }
    QCOMPARE(p.pane()->count(), 3);
    QVERIFY(!p.paths().contains(broken));
    QVERIFY(!p.paths().contains(closed));
    // The report counts what the list holds.
    QCOMPARE(p.panel(0), QStringLiteral("検索完了 : 3 件"));
    QCOMPARE(p.main()->FoundCount(), 3);
    QCOMPARE(p.main()->ListedCount(), 3);
    QVERIFY(!p.busy());
    auto *errors = p.control<LogPane>(QStringLiteral("MemoError"));
    QStringList lines = errors->text().split(QLatin1Char('\n'));
    lines.sort();
    QCOMPARE(lines,
             (QStringList{QStringLiteral("ﾌｧｲﾙが見つかりません : ") + QFile::decodeName(broken),
                          QStringLiteral("ﾌｧｲﾙへのｱｸｾｽが拒否されました : ") +
                              QFile::decodeName(closed)}));
}

void TestResultList::deleteEntries2And4Of5()
{
    Program p;
    TreeBuilder tree;
    QList<QByteArray> files;
    for (int i = 1; i <= 5; ++i)
        files.append(tree.file(QByteArray::number(i) + ".jpg"));
    p.append(files);
    QSignalSpy previews(p.pane(), &ResultListPane::entryClicked);
    p.click(1);
    p.click(3, Qt::ControlModifier);
    QCOMPARE(p.pane()->selectedIndexes(), (QList<int>{1, 3}));
    previews.clear();

    QString caption;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    onNextMessageBox([&](QMessageBox *box) {
        caption = box->windowTitle();
        icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            buttons.append(b->text());
        const QString text = box->text();
        QCOMPARE(text, QStringLiteral("ファイル削除ＯＫ？"));
        for (QAbstractButton *b : box->buttons()) {
            if (b->text() == QStringLiteral("OK"))
                b->click();
        }
    });
    p.control<QPushButton>(QStringLiteral("MsgBitBtn1"))->click();
    QCOMPARE(caption, QStringLiteral("確認"));
    QCOMPARE(icon, QMessageBox::Question);
    QCOMPARE(buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("ｷｬﾝｾﾙ")}));

    // The files go on a worker thread.
    QVERIFY(waitUntil(
        [&] { return !TreeBuilder::exists(files[1]) && !TreeBuilder::exists(files[3]); }));
    QVERIFY(TreeBuilder::exists(files[0]) && TreeBuilder::exists(files[2]) &&
            TreeBuilder::exists(files[4]));
    QCOMPARE(p.paths(), (QList<QByteArray>{files[0], files[2], files[4]}));
    QCOMPARE(p.pane()->currentIndex(), 2);
    QCOMPARE(p.pane()->selectedIndexes(), QList<int>{2});
    QCOMPARE(previews.count(), 1);
    QCOMPARE(p.panel(0), QStringLiteral("削除完了 : 2 件"));
}

void TestResultList::deleteLastEntryWithPopup()
{
    Program p;
    TreeBuilder tree;
    const QList<QByteArray> files{tree.file("a.jpg"), tree.file("b.jpg"), tree.file("c.jpg")};
    p.append(files);
    p.append({tree.root() + "/never-there.jpg"}); // a file that cannot be deleted still goes
    p.click(2);
    p.click(3, Qt::ShiftModifier);
    QSignalSpy previews(p.pane(), &ResultListPane::entryClicked);
    auto *item = p.pane()->findChild<QAction *>(QStringLiteral("Delete1"));
    QCOMPARE(item->text(), QStringLiteral("削除"));
    QCOMPARE(item->parent()->objectName(), QStringLiteral("PopupDelete"));
    item->trigger(); // no question: the deletion is done when trigger returns
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QCOMPARE(p.paths(), (QList<QByteArray>{files[0], files[1]}));
    QVERIFY(waitUntil([&] { return !TreeBuilder::exists(files[2]); }));
    QVERIFY(p.pane()->selectedIndexes().isEmpty());
    QCOMPARE(previews.count(), 0);
    QCOMPARE(p.panel(0), QStringLiteral("削除完了 : 2 件"));
}

void TestResultList::deleteAskedAndRefused()
{
    Program p;
    TreeBuilder tree;
    const QByteArray file = tree.file("a.jpg");
    p.append({file});
    auto *button = p.control<QPushButton>(QStringLiteral("MsgBitBtn1"));
    // Nothing selected: the question, then after OK only the message.
    QStringList texts;
    onNextMessageBox([&](QMessageBox *box) {
        texts.append(box->text());
        onNextMessageBox([&](QMessageBox *second) {
            texts.append(second->text());
            second->accept();
        });
        box->buttons().constFirst()->click();
    });
    button->click();
    QCOMPARE(texts, (QStringList{QStringLiteral("ファイル削除ＯＫ？"),
                                 QStringLiteral("リストを選択してください")}));
    QCOMPARE(p.pane()->count(), 1);

    p.click(0);
    QString text = textOfMessageBoxFrom([&] { button->click(); }, QStringLiteral("ｷｬﾝｾﾙ"));
    QCOMPARE(text, QStringLiteral("ファイル削除ＯＫ？"));
    QVERIFY(TreeBuilder::exists(file));
    QCOMPARE(p.pane()->count(), 1);

    p.pane()->listView()->clearSelection();
    text = textOfMessageBoxFrom([&] { p.pane()->DeleteSelectedFiles(); });
    QCOMPARE(text, QStringLiteral("リストを選択してください"));
    QVERIFY(TreeBuilder::exists(file));
}

void TestResultList::nonUtf8NameDeletedAsItself()
{
    Program p;
    TreeBuilder tree;
    const QByteArray odd = tree.file("\xff\xfe.jpg");
    // What a lossy conversion would make of that name: U+FFFD twice.
    const QByteArray twin = tree.file("\xef\xbf\xbd\xef\xbf\xbd.jpg");
    p.search(tree.rootText());
    QCOMPARE(sorted(p.paths()), sorted({odd, twin}));
    const int row = int(p.paths().indexOf(odd));
    p.click(row);
    QCOMPARE(p.pane()->EntryFileName(p.pane()->currentIndex()), odd);
    p.pane()->findChild<QAction *>(QStringLiteral("Delete1"))->trigger();
    QVERIFY(waitUntil([&] { return !TreeBuilder::exists(odd); }));
    QVERIFY(TreeBuilder::exists(twin));
    QCOMPARE(p.paths(), QList<QByteArray>{twin});
}

void TestResultList::eraseKeepsFiles()
{
    Program p;
    TreeBuilder tree;
    const QByteArray file = tree.file("a.jpg");
    p.append({file, file});
    QSignalSpy erased(p.pane(), &ResultListPane::erased);
    p.control<QPushButton>(QStringLiteral("ButtonListErase"))->click();
    QCOMPARE(p.pane()->count(), 0);
    QCOMPARE(erased.count(), 1);
    QVERIFY(TreeBuilder::exists(file));
    p.append({file});
    p.control<QAction>(QStringLiteral("M1"))->trigger();
    QCOMPARE(p.pane()->count(), 0);
    QVERIFY(TreeBuilder::exists(file));
}

void TestResultList::selectAllKeepsCurrent()
{
    Program p;
    auto *button = p.control<QPushButton>(QStringLiteral("Button1"));
    button->click();
    QVERIFY(p.pane()->selectedIndexes().isEmpty());
    p.append({"/a.jpg", "/b.jpg", "/c.jpg"});
    p.click(1);
    QSignalSpy previews(p.pane(), &ResultListPane::entryClicked);
    button->click();
    QCOMPARE(p.pane()->selectedIndexes(), (QList<int>{0, 1, 2}));
    QCOMPARE(p.pane()->currentIndex(), 1);
    QCOMPARE(previews.count(), 0);
}

void TestResultList::clicksAndKeysReachThePreview()
{
    Program p;
    p.append({"/a.jpg", "/b.jpg", "/c.jpg", "/d.jpg"});
    QSignalSpy previews(p.pane(), &ResultListPane::entryClicked);
    QSignalSpy doubles(p.pane(), &ResultListPane::entryDoubleClicked);
    p.click(0);
    QCOMPARE(previews.count(), 1);
    p.click(3, Qt::ShiftModifier);
    QCOMPARE(p.pane()->selectedIndexes(), (QList<int>{0, 1, 2, 3}));
    p.click(1, Qt::ControlModifier);
    QCOMPARE(p.pane()->selectedIndexes(), (QList<int>{0, 2, 3}));
    previews.clear();
    p.list()->setFocus();
    QTest::keyClick(p.list(), Qt::Key_Down);
    QCOMPARE(p.pane()->currentIndex(), 2);
    QCOMPARE(previews.count(), 1);
    QTest::keyClick(p.list(), Qt::Key_Down); // already at the end? no: row 3
    QCOMPARE(p.pane()->currentIndex(), 3);
    QTest::keyClick(p.list(), Qt::Key_Down); // at the end the current entry stays
    QCOMPARE(previews.count(), 2);
    const QRect rect = p.list()->visualRect(p.list()->model()->index(1, 0));
    QTest::mouseDClick(p.list()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QCOMPARE(doubles.count(), 1);
    // The crawl's way in: the newest entry becomes current and selected.
    p.pane()->selectEntry(3);
    QCOMPARE(p.pane()->currentIndex(), 3);
    QVERIFY(p.pane()->selectedIndexes().contains(3));
}

void TestResultList::listLayout()
{
    Program p;
    QListView *list = p.list();
    QVERIFY(list->uniformItemSizes());
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(list->font().pixelSize(), 12);
    QCOMPARE(list->font().family(), QStringLiteral("ＭＳ ゴシック"));
    const QFontMetrics metrics(list->font());
    QCOMPARE(metrics.horizontalAdvance(QLatin1Char('i')),
             metrics.horizontalAdvance(QLatin1Char('W')));
    const QByteArray longPath = "/" + QByteArray(300, 'x') + ".jpg";
    p.append({"/a.jpg", longPath});
    // Twelve pixels, or the height of the font fontconfig put in its place,
    // so that an underscore in a path is not cut off below the row.
    QTRY_COMPARE(list->visualRect(list->model()->index(0, 0)).height(), qMax(12, metrics.height()));
    QVERIFY(list->visualRect(list->model()->index(0, 0)).height() >=
            metrics.ascent() + metrics.descent());
    // Rows are as wide as the longest line, so the view scrolls over it.
    QTRY_VERIFY(list->horizontalScrollBar()->maximum() > 0);
    auto *panel = p.pane()->findChild<QWidget *>(QStringLiteral("Panel12"));
    QStringList labels;
    for (QLabel *label : panel->findChildren<QLabel *>())
        labels.append(label->text());
    QCOMPARE(labels, (QStringList{QStringLiteral("作成日"), QStringLiteral("サイズ")}));
    // From right to left: erase, delete, select all.
    const int erase = p.control(QStringLiteral("ButtonListErase"))->x();
    const int del = p.control(QStringLiteral("MsgBitBtn1"))->x();
    const int all = p.control(QStringLiteral("Button1"))->x();
    QVERIFY(erase > del && del > all);
    QCOMPARE(p.control<QPushButton>(QStringLiteral("MsgBitBtn1"))->text(),
             QStringLiteral("削除(&D)"));
}

void TestResultList::msgBitBtnAnswers_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("press");
    QTest::addColumn<int>("answer");
    const int okCancel = TMsgBitBtn::OK | TMsgBitBtn::Cancel;
    const int all = 0xff;
    QTest::newRow("OK") << okCancel << QStringLiteral("OK") << 1;
    QTest::newRow("Cancel") << okCancel << QStringLiteral("ｷｬﾝｾﾙ") << 2;
    QTest::newRow("closed") << okCancel << QString() << 2;
    QTest::newRow("Abort") << all << MessageBox::buttonText(MessageBox::Abort) << 3;
    QTest::newRow("Retry") << all << MessageBox::buttonText(MessageBox::Retry) << 4;
    QTest::newRow("Ignore") << all << MessageBox::buttonText(MessageBox::Ignore) << 5;
    QTest::newRow("Yes") << all << MessageBox::buttonText(MessageBox::Yes) << 6;
    QTest::newRow("No") << all << MessageBox::buttonText(MessageBox::No) << 7;
    QTest::newRow("All") << all << MessageBox::buttonText(MessageBox::All) << 8;
}

void TestResultList::msgBitBtnAnswers()
{
    QFETCH(int, buttons);
    QFETCH(QString, press);
    QFETCH(int, answer);
    TMsgBitBtn button(QStringLiteral("x"));
    QCOMPARE(button.displayMsg(), QString());
    QCOMPARE(button.helpCtx(), 0);
    QCOMPARE(button.msgDlgType(), TMsgBitBtn::Confirmation);
    QCOMPARE(int(button.visibleButtons()), int(TMsgBitBtn::OK | TMsgBitBtn::Cancel));
    button.setDisplayMsg(QStringLiteral("よろしいですか"));
    button.setVisibleButtons(TMsgBitBtn::Buttons(buttons));
    QStringList events;
    button.setOnClick([&](QObject *sender) {
        QCOMPARE(sender, &button);
        events.append(QStringLiteral("Click"));
    });
    const std::pair<void (TMsgBitBtn::*)(TMsgBitBtn::ClickEvent), QString> setters[] = {
        {&TMsgBitBtn::setOnOkClick, QStringLiteral("1")},
        {&TMsgBitBtn::setOnCancelClick, QStringLiteral("2")},
        {&TMsgBitBtn::setOnAbortClick, QStringLiteral("3")},
        {&TMsgBitBtn::setOnRetryClick, QStringLiteral("4")},
        {&TMsgBitBtn::setOnIgnoreClick, QStringLiteral("5")},
        {&TMsgBitBtn::setOnYesClick, QStringLiteral("6")},
        {&TMsgBitBtn::setOnNoClick, QStringLiteral("7")},
        {&TMsgBitBtn::setOnAllClick, QStringLiteral("8")}};
    for (const auto &[setter, name] : setters) {
        (button.*setter)([&events, &button, name = name](QObject *sender) {
            QCOMPARE(sender, &button);
            events.append(name);
        });
    }
    QString text;
    onNextMessageBox([&](QMessageBox *box) {
        text = box->text();
        for (QAbstractButton *b : box->buttons()) {
            if (b->text() == press) {
                b->click();
                return;
            }
        }
        box->reject();
    });
    button.click();
    QCOMPARE(text, QStringLiteral("よろしいですか"));
    QCOMPARE(button.answer(), answer);
    QCOMPARE(events, (QStringList{QStringLiteral("Click"), QString::number(answer)}));
}

void TestResultList::msgBitBtnEmptyDisplayMsg()
{
    TMsgBitBtn button(QStringLiteral("x"));
    int clicks = 0;
    int answers = 0;
    button.setOnClick([&](QObject *) { ++clicks; });
    button.setOnOkClick([&](QObject *) { ++answers; });
    button.setOnCancelClick([&](QObject *) { ++answers; });
    // A question would be shown, and answered here, before click() returns.
    MessageBoxWatcher watcher([](QMessageBox *box) { box->reject(); });
    button.click();
    QCOMPARE(watcher.seen(), 0);
    QCOMPARE(clicks, 1);
    QCOMPARE(answers, 0);
    QCOMPARE(button.answer(), 0);
}

// The help button asks for help on the box's context and leaves the question
// open; the answer comes from another button.
void TestResultList::msgBitBtnHelpKeepsTheQuestion()
{
    TMsgBitBtn button(QStringLiteral("x"));
    button.setDisplayMsg(QStringLiteral("よろしいですか"));
    button.setHelpCtx(42);
    button.setVisibleButtons(TMsgBitBtn::OK | TMsgBitBtn::Cancel | TMsgBitBtn::Help);
    QSignalSpy help(&button, &TMsgBitBtn::helpRequested);
    QStringList texts;
    onNextMessageBox([&](QMessageBox *box) {
        for (QAbstractButton *b : box->buttons())
            texts.append(b->text());
        box->buttons().constLast()->click();
        QVERIFY(box->isVisible());
        box->buttons().constFirst()->click();
    });
    button.click();
    QCOMPARE(texts, (QStringList{QStringLiteral("OK"), QStringLiteral("ｷｬﾝｾﾙ"),
                                 MessageBox::buttonText(MessageBox::Help)}));
    QCOMPARE(help.count(), 1);
    QCOMPARE(help.first().first().toInt(), 42);
    QCOMPARE(button.answer(), 1);
}

QTEST_MAIN(TestResultList)
#include "test_resultlist.moc"
