#include "resultlistpane.h"

#include "common/messagebox.h"
#include "components/msgbitbtn.h"
#include "fileremover.h"
#include "openwith.h"
#include "resultlistmodel.h"
#include "resultlistview.h"

#include <QAction>
#include <QHBoxLayout>
#include <QItemSelection>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QFont listFont()
{
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setPixelSize(12);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}
} // namespace

ResultListPane::ResultListPane(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ResultListPane"));
    m_model = new ResultListModel(this);
    m_list = new ResultListView(this);
    m_list->setObjectName(QStringLiteral("ListImage"));
    m_list->setFont(listFont());
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->setTextElideMode(Qt::ElideNone);
    m_delegate = new ResultLineDelegate(m_list);
    m_list->setItemDelegate(m_delegate);
    m_list->setModel(m_model);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setDragEnabled(true);
    m_list->setDragDropMode(QAbstractItemView::DragOnly);
    m_list->setDefaultDropAction(Qt::CopyAction);

    // The labels stand over the date and size columns of the fixed-pitch lines.
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel12"));
    auto *top = new QHBoxLayout(panel);
    top->setContentsMargins(2, 2, 2, 2);
    top->setSpacing(2);
    const QFontMetrics metrics(listFont());
    const int column = metrics.horizontalAdvance(QLatin1Char('0'));
    auto *date = new QLabel(QStringLiteral("作成日"), panel);
    date->setMinimumWidth(column * 9);
    auto *size = new QLabel(QStringLiteral("サイズ"), panel);
    top->addWidget(date);
    top->addWidget(size);
    top->addStretch();
    auto *selectAll = new QPushButton(QStringLiteral("全選択(&Z)"), panel);
    selectAll->setObjectName(QStringLiteral("Button1"));
    m_delete = new TMsgBitBtn(QStringLiteral("削除(&D)"), panel);
    m_delete->setObjectName(QStringLiteral("MsgBitBtn1"));
    m_delete->setDisplayMsg(QStringLiteral("ファイル削除ＯＫ？"));
    m_delete->setOnOkClick([this](QObject *) { DeleteSelectedFiles(); });
    auto *erase = new QPushButton(QStringLiteral("消去(&R)"), panel);
    erase->setObjectName(QStringLiteral("ButtonListErase"));
    top->addWidget(selectAll);
    top->addWidget(m_delete);
    top->addWidget(erase);

    m_popup = new QMenu(m_list);
    m_popup->setObjectName(QStringLiteral("PopupDelete"));
    QAction *deleteItem = m_popup->addAction(QStringLiteral("削除"));
    deleteItem->setObjectName(QStringLiteral("Delete1"));
    QAction *lookAlikes = m_popup->addAction(QStringLiteral("似た画像を選ぶ"));
    lookAlikes->setObjectName(QStringLiteral("SelectLookAlikes1"));
    connect(lookAlikes, &QAction::triggered, this, &ResultListPane::lookAlikesWanted);
    OpenWith::addItems(m_popup, [this] { return EntryFileName(currentIndex()); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel);
    layout->addWidget(m_list, 1);

    connect(selectAll, &QPushButton::clicked, this, &ResultListPane::selectAll);
    connect(erase, &QPushButton::clicked, this, &ResultListPane::erase);
    connect(deleteItem, &QAction::triggered, this, &ResultListPane::DeleteSelectedFiles);
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { m_popup->popup(m_list->viewport()->mapToGlobal(at)); });
    connect(m_list, &QAbstractItemView::clicked, this, &ResultListPane::entryClicked);
    connect(m_list, &ResultListView::currentMovedByKey, this, &ResultListPane::entryClicked);
    connect(m_list, &QAbstractItemView::doubleClicked, this, &ResultListPane::entryDoubleClicked);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &ResultListPane::updateRowWidth);
    connect(m_model, &QAbstractItemModel::modelReset, this, &ResultListPane::updateRowWidth);
    updateRowWidth();
}

QListView *ResultListPane::listView() const
{
    return m_list;
}

void ResultListPane::updateRowWidth()
{
    const qsizetype columns = m_model->longestLine();
    if (columns == m_columns)
        return;
    m_columns = columns;
    m_delegate->setColumns(columns);
    // The view keeps the size of its uniform rows until it lays them out anew.
    m_list->doItemsLayout();
}

int ResultListPane::count() const
{
    return m_model->count();
}

int ResultListPane::currentIndex() const
{
    const QModelIndex current = m_list->currentIndex();
    return current.isValid() ? current.row() : -1;
}

QList<int> ResultListPane::selectedIndexes() const
{
    QList<int> rows;
    const QItemSelection selection = m_list->selectionModel()->selection();
    for (const QItemSelectionRange &range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

QByteArray ResultListPane::EntryFileName(int index) const
{
    return m_model->fileName(index);
}

void ResultListPane::appendEntry(const QByteArray &line)
{
    m_model->appendLine(line);
}

void ResultListPane::appendEntries(const ResultBatch &batch)
{
    m_model->appendBatch(batch);
}

void ResultListPane::selectEntry(int index)
{
    if (index < 0 || index >= count())
        return;
    const QModelIndex entry = m_model->index(index);
    m_list->selectionModel()->setCurrentIndex(entry, QItemSelectionModel::Select);
    m_list->scrollTo(entry);
}

void ResultListPane::selectAll()
{
    if (count() > 0)
        m_list->selectAll();
}

void ResultListPane::clear()
{
    m_model->clear();
}

void ResultListPane::erase()
{
    clear();
    emit erased();
}

void ResultListPane::DeleteSelectedFiles()
{
    const QList<int> selected = selectedIndexes();
    const int n = int(selected.size());
    if (n == 0) {
        MessageBox::show(this, QStringLiteral("リストを選択してください"));
        return;
    }
    // Each file goes for good; whether it went is not asked, and its entry is
    // removed all the same.
    std::vector<QByteArray> paths;
    paths.reserve(size_t(n));
    for (const int row : selected)
        paths.push_back(m_model->fileName(row));
    FileRemover::removeInBackground(std::move(paths));
    m_model->removeSortedRows(std::vector<int>(selected.begin(), selected.end()));
    // The entry that followed the last deleted one moved up to this place.
    const int p = selected.last() - (n - 1);
    if (p < count()) {
        selectEntry(p);
        emit entryClicked();
    }
    emit filesDeleted(n);
}

std::vector<QByteArray> ResultListPane::fileNames() const
{
    std::vector<QByteArray> paths;
    paths.reserve(size_t(count()));
    for (int row = 0; row < count(); ++row)
        paths.push_back(m_model->fileName(row));
    return paths;
}

void ResultListPane::selectFiles(const QList<QByteArray> &paths)
{
    // The list may have changed while the paths were sought: rows are found
    // by their paths, in one pass, and selected as runs of neighbours.
    const QSet<QByteArray> wanted(paths.begin(), paths.end());
    QItemSelection selection;
    int first = -1;
    for (int row = 0; row <= count(); ++row) {
        const bool take = row < count() && wanted.contains(m_model->fileName(row));
        if (take && first < 0)
            first = row;
        if (!take && first >= 0) {
            selection.select(m_model->index(first), m_model->index(row - 1));
            first = -1;
        }
    }
    m_list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!selection.isEmpty())
        m_list->scrollTo(selection.first().topLeft());
}
