#include "components/eventsetthread.h"
#include "components/extarr.h"
#include "components/stdarr.h"
#include "testutils.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

namespace {

// An array that notes on which thread each wiring attempt ran.
class ThreadNotingArray : public TArImage
{
public:
    using TArImage::TArImage;
    bool WireEvents(QWidget *control) override
    {
        threads.append(QThread::currentThread());
        return TArImage::WireEvents(control);
    }
    QList<QThread *> threads;
};

// Loads an array the way a window description does: listed controls, then
// the count and the parent, then completion.
void loadArray(TArCntrl *array, const QList<QWidget *> &controls, QWidget *parent)
{
    array->beginLoading();
    for (QWidget *control : controls)
        array->Collection().Add()->Cntrl = control;
    array->setNumOfArry(int(controls.size()));
    array->setArryParent(parent);
    array->Loaded();
}

} // namespace

class TestComponentArrays : public QObject
{
    Q_OBJECT

private slots:
    void growthCascadesFromTheDesignPosition();
    void growthWrapsAtTheClientEdge();
    void growthSkipsTakenNames();
    void shrinkDestroysFromTheTop();
    void destroyedElementLeavesAndOthersMoveDown();
    void eventsCarryTheElementIndex_data();
    void eventsCarryTheElementIndex();
    void eventWithoutHandlerIsDropped();
    void elementOutsideTheRangeIsNone();
    void addRefusesAWrongClass();
    void addAcceptsBaseAndDerivedClasses();
    void deleteUnwiresAndKeepsTheControl();
    void loadedArrayIsWiredWithoutWorker();
    void missingControlIsWiredLaterOnTheUiThread();
    void laterArrayGetsANewWorker();
    void reparentMovesTheElements();
};

void TestComponentArrays::growthCascadesFromTheDesignPosition()
{
    QWidget window;
    window.resize(800, 600);
    TArImage array(&window);
    array.setObjectName(QStringLiteral("ArImage"));
    array.setDesignPosition(QPoint(36, 40));
    array.setNumOfArry(3);

    QCOMPARE(array.NumOfArry(), 3);
    const QList<QPoint> expected{{66, 40}, {81, 70}, {96, 100}};
    for (int i = 0; i < 3; ++i) {
        QWidget *element = array.Element(i);
        QVERIFY(element != nullptr);
        QCOMPARE(element->objectName(), QStringLiteral("ArImage_%1").arg(i + 1));
        QCOMPARE(element->pos(), expected[i]);
        QCOMPARE(element->parentWidget(), &window);
        QVERIFY(qobject_cast<TImageControl *>(element) != nullptr);
        QCOMPARE(array.IndexOf(element), i);
    }
    // Growing again continues from the last element.
    array.setNumOfArry(4);
    QCOMPARE(array.Element(3)->pos(), QPoint(111, 130));
    QCOMPARE(array.Element(3)->objectName(), QStringLiteral("ArImage_4"));
}

void TestComponentArrays::growthWrapsAtTheClientEdge()
{
    QWidget window;
    window.resize(200, 200);
    TArLabel array(&window);
    array.setObjectName(QStringLiteral("ArLabel"));
    array.setDesignPosition(QPoint(100, 190));
    array.setNumOfArry(2);
    // The first would reach below the client area: it goes to the top edge.
    QCOMPARE(array.Element(0)->pos(), QPoint(130, 30));
    QVERIFY(qobject_cast<TLabelControl *>(array.Element(0)) != nullptr);
    // The next would leave on the right: it goes to the left edge.
    const int width = array.Element(1)->width();
    QVERIFY(130 + 15 + width > 200);
    QCOMPARE(array.Element(1)->pos(), QPoint(15, 60));
}

void TestComponentArrays::growthSkipsTakenNames()
{
    QWidget window;
    window.resize(800, 600);
    QWidget taken(&window);
    taken.setObjectName(QStringLiteral("ArImage_2"));
    TArImage array(&window);
    array.setObjectName(QStringLiteral("ArImage"));
    array.setNumOfArry(3);
    QCOMPARE(array.Element(0)->objectName(), QStringLiteral("ArImage_1"));
    QCOMPARE(array.Element(1)->objectName(), QStringLiteral("ArImage_3"));
    // The loop's own number is not moved on by the clash.
    QCOMPARE(array.Element(2)->objectName(), QStringLiteral("ArImage_4"));
}

void TestComponentArrays::shrinkDestroysFromTheTop()
{
    QWidget window;
    window.resize(800, 600);
    TArImage array(&window);
    array.setObjectName(QStringLiteral("ArImage"));
    array.setNumOfArry(3);
    QStringList destroyedOrder;
    for (int i = 0; i < 3; ++i) {
        QWidget *element = array.Element(i);
        const QString name = element->objectName();
        connect(element, &QObject::destroyed, this,
                [&destroyedOrder, name] { destroyedOrder.append(name); });
    }
    QWidget *first = array.Element(0);
    array.setNumOfArry(1);
    QCOMPARE(destroyedOrder,
             (QStringList{QStringLiteral("ArImage_3"), QStringLiteral("ArImage_2")}));
    QCOMPARE(array.NumOfArry(), 1);
    QCOMPARE(array.Collection().Count(), 1);
    QCOMPARE(array.Element(0), first);
    array.setNumOfArry(-5);
    QCOMPARE(array.NumOfArry(), 0);
    QCOMPARE(array.Collection().Count(), 0);
}

void TestComponentArrays::destroyedElementLeavesAndOthersMoveDown()
{
    QWidget window;
    window.resize(800, 600);
    TArImage array(&window);
    array.setObjectName(QStringLiteral("ArImage"));
    array.setNumOfArry(3);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWidget *second = array.Element(1);
    QWidget *third = array.Element(2);
    delete array.Element(0);
    QCOMPARE(array.NumOfArry(), 2);
    QCOMPARE(array.Element(0), second);
    QCOMPARE(array.Element(1), third);
    QCOMPARE(array.Element(2), nullptr);

    int clicked = -1;
    array.OnClick = [&](QObject *, int index) { clicked = index; };
    QTest::mouseClick(third, Qt::LeftButton);
    QCOMPARE(clicked, 1);
}

void TestComponentArrays::eventsCarryTheElementIndex_data()
{
    QTest::addColumn<bool>("labels");
    QTest::newRow("images") << false;
    QTest::newRow("labels") << true;
}

void TestComponentArrays::eventsCarryTheElementIndex()
{
    QFETCH(bool, labels);
    QWidget window;
    QList<QWidget *> controls;
    for (int i = 0; i < 10; ++i) {
        QWidget *control = labels ? static_cast<QWidget *>(new TLabelControl(&window))
                                  : static_cast<QWidget *>(new TImageControl(&window));
        control->setGeometry(i * 50, 0, 40, 40);
        controls.append(control);
    }
    std::unique_ptr<TArCntrl> array;
    if (labels)
        array = std::make_unique<TArLabel>(&window);
    else
        array = std::make_unique<TArImage>(&window);
    loadArray(array.get(), controls, &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QList<std::pair<QObject *, int>> clicks;
    QList<int> doubleClicks;
    QList<std::tuple<int, Qt::MouseButton, int, int>> downs;
    QList<std::tuple<int, Qt::KeyboardModifiers>> ups;
    array->OnClick = [&](QObject *sender, int index) { clicks.append({sender, index}); };
    array->OnDblClick = [&](QObject *, int index) { doubleClicks.append(index); };
    array->OnMouseDown = [&](QObject *, int index, Qt::MouseButton button, Qt::KeyboardModifiers,
                             int x, int y) {
        downs.append({index, button, x, y});
    };
    array->OnMouseUp = [&](QObject *, int index, Qt::MouseButton, Qt::KeyboardModifiers shift, int,
                           int) {
        ups.append({index, shift});
    };

    QTest::mouseClick(controls[7], Qt::LeftButton, Qt::NoModifier, QPoint(5, 6));
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(clicks[0].first, controls[7]);
    QCOMPARE(clicks[0].second, 7);
    QCOMPARE(downs.size(), 1);
    QCOMPARE(downs[0], std::make_tuple(7, Qt::LeftButton, 5, 6));

    QTest::mouseClick(controls[3], Qt::RightButton, Qt::ShiftModifier);
    QCOMPARE(clicks.size(), 1); // only the left button clicks
    QCOMPARE(ups.last(), std::make_tuple(3, Qt::KeyboardModifiers(Qt::ShiftModifier)));

    QTest::mouseDClick(controls[2], Qt::LeftButton);
    QCOMPARE(doubleClicks, QList<int>{2});

    // Events whose forwarders exist are wired; the drag events carry the index too.
    bool accept = false;
    int overIndex = -1;
    array->OnDragOver = [&](QObject *, int index, QObject *, int, int, TDragState, bool &acc) {
        overIndex = index;
        acc = true;
    };
    if (labels)
        emit static_cast<TLabelControl *>(controls[4])
            ->OnDragOver(controls[4], nullptr, 1, 1, TDragState::DragMove, accept);
    else
        emit static_cast<TImageControl *>(controls[4])
            ->OnDragOver(controls[4], nullptr, 1, 1, TDragState::DragMove, accept);
    QCOMPARE(overIndex, 4);
    QVERIFY(accept);
}

void TestComponentArrays::eventWithoutHandlerIsDropped()
{
    QWidget window;
    auto *image = new TImageControl(&window);
    TArImage array(&window);
    loadArray(&array, {image}, &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // No handler set: the forwarder drops the event.
    QTest::mouseClick(image, Qt::LeftButton);
    int index = -1;
    array.OnClick = [&](QObject *, int i) { index = i; };
    QTest::mouseClick(image, Qt::LeftButton);
    QCOMPARE(index, 0);
}

void TestComponentArrays::elementOutsideTheRangeIsNone()
{
    QWidget window;
    TArImage array(&window);
    array.setObjectName(QStringLiteral("ArImage"));
    array.setNumOfArry(2);
    QCOMPARE(array.Element(-1), nullptr);
    QCOMPARE(array.Element(array.NumOfArry()), nullptr);
    QVERIFY(array.Element(1) != nullptr);
    array.Delete(-1);
    array.Delete(2);
    QCOMPARE(array.NumOfArry(), 2);
    QCOMPARE(array.IndexOf(&window), -1);
}

void TestComponentArrays::addRefusesAWrongClass()
{
    QWidget window;
    TArImage array(&window);
    array.setObjectName(QStringLiteral("ArImage"));
    array.setNumOfArry(1);
    QPushButton button(&window);
    QString message;
    try {
        array.Add(&button);
    } catch (const EInvalidOperation &error) {
        message = error.message();
    }
    QCOMPARE(message, QStringLiteral("QPushButton オブジェクトは受け入れられません"));
    QCOMPARE(array.NumOfArry(), 1);
    QCOMPARE(array.Collection().Count(), 1);
    QCOMPARE(array.IndexOf(&button), -1);

    TArLabel labels(&window);
    TImageControl image(&window);
    QVERIFY_THROWS_EXCEPTION(EInvalidOperation, labels.Add(&image));
    QCOMPARE(labels.NumOfArry(), 0);
}

void TestComponentArrays::addAcceptsBaseAndDerivedClasses()
{
    QWidget window;
    TArLabel array(&window);
    TLabelControl derived(&window); // the element class itself
    QLabel plain(&window);          // the element class derives from these two
    QWidget base(&window);
    QCOMPARE(array.Add(&plain), 0);
    QCOMPARE(array.Add(&derived), 1);
    QCOMPARE(array.Add(&base), 2);
    QCOMPARE(array.NumOfArry(), 3);
    QCOMPARE(array.Element(1), &derived);

    int index = -1;
    array.OnClick = [&](QObject *, int i) { index = i; };
    emit derived.OnClick(&derived);
    QCOMPARE(index, 1);
}

void TestComponentArrays::deleteUnwiresAndKeepsTheControl()
{
    QWidget window;
    TArImage array(&window);
    array.setObjectName(QStringLiteral("ArImage"));
    array.setNumOfArry(2);
    int clicks = 0;
    array.OnClick = [&](QObject *, int) { ++clicks; };
    QPointer<QWidget> first = array.Element(0);
    array.Delete(0);
    QVERIFY(!first.isNull());
    QCOMPARE(array.NumOfArry(), 1);
    emit static_cast<TImageControl *>(first.data())->OnClick(first);
    QCOMPARE(clicks, 0);
    delete first; // no longer listed: nothing changes
    QCOMPARE(array.NumOfArry(), 1);
}

void TestComponentArrays::loadedArrayIsWiredWithoutWorker()
{
    const int workers = PendingArrays::workersStarted();
    QWidget window;
    QList<QWidget *> controls;
    for (int i = 0; i < 60; ++i)
        controls.append(new TImageControl(&window));
    TArImage array(&window);
    loadArray(&array, controls, &window);
    QCOMPARE(array.NumOfArry(), 60);
    for (int i = 0; i < 60; ++i)
        QVERIFY(array.Collection().Items(i)->EventSeted);
    QVERIFY(!PendingArrays::contains(&array));
    QCOMPARE(PendingArrays::workersStarted(), workers);
}

void TestComponentArrays::missingControlIsWiredLaterOnTheUiThread()
{
    const int workers = PendingArrays::workersStarted();
    QWidget window;
    auto *present = new TImageControl(&window);
    auto *late = new TImageControl(&window);
    ThreadNotingArray array(&window);
    array.beginLoading();
    array.Collection().Add()->Cntrl = present;
    TCntrlItem *missing = array.Collection().Add(); // its control is not there yet
    array.setNumOfArry(2);
    array.Loaded();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QVERIFY(PendingArrays::contains(&array));
    QCOMPARE(PendingArrays::workersStarted(), workers + 1);
    QVERIFY(array.Collection().Items(0)->EventSeted);
    QVERIFY(!missing->EventSeted);
    // The worker keeps retrying while the control is missing.
    QVERIFY(waitUntil([&] { return array.threads.size() >= 4; }));
    QVERIFY(PendingArrays::contains(&array));

    missing->Cntrl = late;
    QVERIFY(waitUntil([&] { return !PendingArrays::contains(&array); }));
    QVERIFY(missing->EventSeted);
    for (QThread *thread : std::as_const(array.threads))
        QCOMPARE(thread, QThread::currentThread());
    QVERIFY(waitUntil([] { return !PendingArrays::workerRunning(); }));

    int index = -1;
    array.OnClick = [&](QObject *, int i) { index = i; };
    QTest::mouseClick(late, Qt::LeftButton);
    QCOMPARE(index, 1);
}

void TestComponentArrays::laterArrayGetsANewWorker()
{
    QVERIFY(waitUntil([] { return !PendingArrays::workerRunning(); }));
    const int workers = PendingArrays::workersStarted();
    for (int round = 1; round <= 2; ++round) {
        QWidget window;
        TArImage array(&window);
        array.beginLoading();
        TCntrlItem *item = array.Collection().Add();
        array.setNumOfArry(1);
        array.Loaded();
        QCOMPARE(PendingArrays::workersStarted(), workers + round);
        item->Cntrl = new TImageControl(&window);
        QVERIFY(waitUntil([&] { return !PendingArrays::contains(&array); }));
        QVERIFY(waitUntil([] { return !PendingArrays::workerRunning(); }));
    }
    // An array destroyed while pending leaves the list with it.
    {
        QWidget window;
        TArImage array(&window);
        array.beginLoading();
        array.Collection().Add();
        array.setNumOfArry(1);
        array.Loaded();
        QVERIFY(PendingArrays::contains(&array));
    }
    QVERIFY(
        waitUntil([] { return PendingArrays::count() == 0 && !PendingArrays::workerRunning(); }));
}

void TestComponentArrays::reparentMovesTheElements()
{
    QWidget window;
    window.resize(800, 600);
    auto *panel = new QWidget(&window);
    panel->resize(400, 400);
    TArImage array(&window);
    array.setObjectName(QStringLiteral("ArImage"));
    array.setNumOfArry(2);
    QCOMPARE(array.ArryParent(), &window);
    const QPoint position = array.Element(1)->pos();
    array.setArryParent(panel);
    QCOMPARE(array.ArryParent(), panel);
    QCOMPARE(array.Element(0)->parentWidget(), panel);
    QCOMPARE(array.Element(1)->parentWidget(), panel);
    QCOMPARE(array.Element(1)->pos(), position);
    // Elements of another window stay where they are.
    QWidget other;
    auto *foreign = new TImageControl(&other);
    array.Add(foreign);
    array.setArryParent(nullptr);
    QCOMPARE(array.ArryParent(), &window);
    QCOMPARE(array.Element(0)->parentWidget(), &window);
    QCOMPARE(foreign->parentWidget(), &other);
}

QTEST_MAIN(TestComponentArrays)
#include "test_componentarrays.moc"
