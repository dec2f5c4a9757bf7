#include "arrctrl.h"

#include "common/messagebox.h"
#include "eventsetthread.h"

#include <QMetaMethod>
#include <QSet>
#include <QWidget>

TCntrlItem *TCntrls::Add()
{
    m_items.push_back(std::make_unique<TCntrlItem>());
    return m_items.back().get();
}

TCntrlItem *TCntrls::Items(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_items[size_t(index)].get();
}

void TCntrls::Delete(int index)
{
    if (index >= 0 && index < Count())
        m_items.erase(m_items.begin() + index);
}

namespace {

// The window that owns a control: its top-level window; a window itself is
// owned by whatever it was created under.
QObject *ownerOf(const QWidget *widget)
{
    if (widget == nullptr)
        return nullptr;
    return widget->isWindow() ? widget->parent() : widget->window();
}

// The control's events: its signals named "On...".
template <class F> void forEachEvent(const QWidget *control, F &&f)
{
    const QMetaObject *meta = control->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Signal && method.name().startsWith("On"))
            f(method);
    }
}

} // namespace

TArCntrl::TArCntrl(QObject *owner) : TArCntrl(owner, &QWidget::staticMetaObject)
{
}

TArCntrl::TArCntrl(QObject *owner, const QMetaObject *elementClass)
    : QObject(owner), m_elementClass(elementClass)
{
}

TArCntrl::~TArCntrl()
{
    PendingArrays::remove(this);
    for (int i = 0; i < m_collection.Count(); ++i) {
        if (QWidget *control = m_collection.Items(i)->Cntrl)
            UnwireEvents(control);
    }
    m_collection.Clear();
}

QWidget *TArCntrl::Element(int index) const
{
    if (index < 0 || index >= m_num)
        return nullptr;
    const TCntrlItem *item = m_collection.Items(index);
    return item != nullptr ? item->Cntrl : nullptr;
}

int TArCntrl::IndexOf(const QObject *control) const
{
    for (int i = 0; i < m_collection.Count(); ++i) {
        if (static_cast<const QObject *>(m_collection.Items(i)->Cntrl) == control)
            return i;
    }
    return -1;
}

void TArCntrl::Delete(int index)
{
    if (index < 0 || index >= m_num || index >= m_collection.Count())
        return;
    if (QWidget *control = m_collection.Items(index)->Cntrl)
        UnwireEvents(control);
    removeItem(index);
}

void TArCntrl::removeItem(int index)
{
    m_collection.Delete(index);
    // The count follows the items, so Element() never reaches past the end.
    if (!m_loading && m_num > 0)
        --m_num;
}

QWidget *TArCntrl::CreateElement(int, QObject *owner)
{
    auto *parent = qobject_cast<QWidget *>(owner);
    if (QObject *made = m_elementClass->newInstance(Q_ARG(QWidget *, parent))) {
        if (auto *widget = qobject_cast<QWidget *>(made))
            return widget;
        delete made;
    }
    return new QWidget(parent);
}

bool TArCntrl::WireEvents(QWidget *control)
{
    if (control == nullptr)
        return false;
    connect(control, &QObject::destroyed, this, &TArCntrl::elementDestroyed, Qt::UniqueConnection);
    const QMetaObject *self = metaObject();
    forEachEvent(control, [&](const QMetaMethod &event) {
        const QByteArray forwarder = "E" + event.methodSignature();
        const int index = self->indexOfMethod(forwarder.constData());
        if (index < 0) {
            if (m_designing)
                MessageBox::show(nullptr, QStringLiteral("オブジェクト ") + control->objectName() +
                                              QStringLiteral(" のイベント ") +
                                              QString::fromLatin1(event.name()) +
                                              QStringLiteral(" に対するハンドラはありません"));
            return;
        }
        // An event calls one handler: whatever it called before is replaced.
        disconnect(control, event, nullptr, QMetaMethod());
        connect(control, event, this, self->method(index), Qt::DirectConnection);
    });
    return true;
}

void TArCntrl::UnwireEvents(QWidget *control)
{
    if (control == nullptr)
        return;
    const QMetaObject *self = metaObject();
    forEachEvent(control, [&](const QMetaMethod &event) {
        const QByteArray forwarder = "E" + event.methodSignature();
        if (self->indexOfMethod(forwarder.constData()) >= 0)
            disconnect(control, event, nullptr, QMetaMethod());
    });
}

bool TArCntrl::IsValidElement(const QWidget *control) const
{
    if (control == nullptr)
        return false;
    const QMetaObject *cls = control->metaObject();
    return cls->inherits(m_elementClass) || m_elementClass->inherits(cls);
}

int TArCntrl::Add(QWidget *control)
{
    if (!IsValidElement(control)) {
        const QString name = control != nullptr
                                 ? QString::fromLatin1(control->metaObject()->className())
                                 : QString();
        throw EInvalidOperation(name + QStringLiteral(" オブジェクトは受け入れられません"));
    }
    const bool wired = WireEvents(control);
    TCntrlItem *item = m_collection.Add();
    item->Cntrl = control;
    item->EventSeted = wired;
    if (!m_loading)
        ++m_num;
    return m_collection.Count() - 1;
}

bool TArCntrl::wireAllElements()
{
    bool all = true;
    for (int i = 0; i < m_collection.Count(); ++i) {
        TCntrlItem *item = m_collection.Items(i);
        if (item->EventSeted)
            continue;
        if (WireEvents(item->Cntrl))
            item->EventSeted = true;
        else
            all = false;
    }
    return all;
}

void TArCntrl::Loaded()
{
    m_loading = false;
    if (!wireAllElements())
        PendingArrays::append(this);
}

QWidget *TArCntrl::ownerWidget() const
{
    return qobject_cast<QWidget *>(parent());
}

QObject *TArCntrl::ownerForNewElements() const
{
    if (m_parent == nullptr || parent() == ownerOf(m_parent))
        return parent();
    if (m_parent->isWindow())
        return m_parent;
    return ownerOf(m_parent);
}

QString TArCntrl::freeElementName(int k, const QObject *scope) const
{
    // The names in use are gathered once; trying the numbers from k on
    // then costs a set lookup each.
    QSet<QString> taken;
    const auto gather = [&taken](const QObject *root) {
        if (root == nullptr)
            return;
        taken.insert(root->objectName());
        for (const QObject *child : root->findChildren<QObject *>())
            taken.insert(child->objectName());
    };
    if (scope != nullptr) {
        gather(scope);
        gather(m_parent);
    }
    for (qint64 n = k;; ++n) {
        QString name = objectName() + QLatin1Char('_') + QString::number(n);
        if (!taken.contains(name))
            return name;
    }
}

void TArCntrl::setNumOfArry(int n)
{
    n = qMax(n, 0);
    if (m_loading) {
        m_num = n;
        return;
    }
    if (n == m_num)
        return;
    if (m_parent == nullptr)
        m_parent = ownerWidget();
    QObject *owner = ownerForNewElements();
    const int old = m_num;

    if (n > old) {
        int x = m_designPosition.x() + 15;
        int y = m_designPosition.y() - 30;
        if (QWidget *last = Element(old - 1)) {
            x = last->x();
            y = last->y();
        }
        for (int k = old + 1; k <= n; ++k) {
            QWidget *control = CreateElement(k, owner);
            control->setObjectName(freeElementName(k, owner));
            if (m_parent != nullptr) {
                const QRect client = m_parent->contentsRect();
                if (client.height() < y + 30 + control->height())
                    y = 0;
                if (client.width() < x + 15 + control->width())
                    x = 0;
            }
            control->move(x + 15, y + 30);
            WireEvents(control);
            if (m_parent != nullptr && control->parentWidget() != m_parent) {
                control->setParent(m_parent);
                control->move(x + 15, y + 30);
            }
            control->show();
            Add(control);
            x += 15;
            y += 30;
        }
    } else {
        for (int k = old; k > n; --k) {
            QWidget *control = Element(k - 1);
            Delete(k - 1);
            delete control;
        }
    }
    m_num = n;
}

void TArCntrl::setArryParent(QWidget *parent)
{
    if (parent == nullptr)
        parent = ownerWidget();
    if (parent == m_parent)
        return;
    if (!m_loading && parent != nullptr) {
        const QObject *parentOwner = ownerOf(parent);
        for (int i = 0; i < m_collection.Count(); ++i) {
            QWidget *control = m_collection.Items(i)->Cntrl;
            if (control == nullptr || control->parentWidget() == parent)
                continue;
            const QObject *owner = ownerOf(control);
            if (owner != parentOwner && owner != parent)
                continue;
            const bool hidden = control->isHidden();
            const QPoint position = control->pos();
            control->setParent(parent);
            control->move(position);
            control->setVisible(!hidden);
        }
    }
    if (m_parent != nullptr)
        m_parent->update();
    if (parent != nullptr)
        parent->update();
    m_parent = parent;
}

void TArCntrl::elementDestroyed(QObject *control)
{
    // The control is half gone: its events disconnect themselves, so only the
    // item goes, and the elements above it move down by one.
    for (int i = IndexOf(control); i >= 0; i = IndexOf(control))
        removeItem(i);
}

void TArCntrl::EOnClick(QObject *Sender)
{
    if (OnClick)
        OnClick(Sender, IndexOf(Sender));
}

void TArCntrl::EOnDblClick(QObject *Sender)
{
    if (OnDblClick)
        OnDblClick(Sender, IndexOf(Sender));
}

void TArCntrl::EOnDragOver(QObject *Sender, QObject *Source, int X, int Y, TDragState State,
                           bool &Accept)
{
    if (OnDragOver)
        OnDragOver(Sender, IndexOf(Sender), Source, X, Y, State, Accept);
}

void TArCntrl::EOnDragDrop(QObject *Sender, QObject *Source, int X, int Y)
{
    if (OnDragDrop)
        OnDragDrop(Sender, IndexOf(Sender), Source, X, Y);
}

void TArCntrl::EOnEndDrag(QObject *Sender, QObject *Target, int X, int Y)
{
    if (OnEndDrag)
        OnEndDrag(Sender, IndexOf(Sender), Target, X, Y);
}

void TArCntrl::EOnStartDrag(QObject *Sender, QObject *&DragObject)
{
    if (OnStartDrag)
        OnStartDrag(Sender, IndexOf(Sender), DragObject);
}

void TArCntrl::EOnMouseDown(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                            int X, int Y)
{
    if (OnMouseDown)
        OnMouseDown(Sender, IndexOf(Sender), Button, Shift, X, Y);
}

void TArCntrl::EOnMouseMove(QObject *Sender, Qt::KeyboardModifiers Shift, int X, int Y)
{
    if (OnMouseMove)
        OnMouseMove(Sender, IndexOf(Sender), Shift, X, Y);
}

void TArCntrl::EOnMouseUp(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                          int X, int Y)
{
    if (OnMouseUp)
        OnMouseUp(Sender, IndexOf(Sender), Button, Shift, X, Y);
}
