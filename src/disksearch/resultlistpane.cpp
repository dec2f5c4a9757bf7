#include "resultlistpane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

ResultListPane::ResultListPane(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ResultListPane"));
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel12"));
    auto *top = new QHBoxLayout(panel);
    top->setContentsMargins(2, 2, 2, 2);
    top->addWidget(new QLabel(QStringLiteral("作成日"), panel));
    top->addWidget(new QLabel(QStringLiteral("サイズ"), panel));
    top->addStretch();
    auto *selectAll = new QPushButton(QStringLiteral("全選択(&Z)"), panel);
    selectAll->setObjectName(QStringLiteral("Button1"));
    auto *erase = new QPushButton(QStringLiteral("消去(&R)"), panel);
    erase->setObjectName(QStringLiteral("ButtonListErase"));
    top->addWidget(selectAll);
    top->addWidget(erase);

    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("ListImage"));
    m_list->setModel(new QStringListModel(m_list));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setUniformItemSizes(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel);
    layout->addWidget(m_list, 1);
    connect(selectAll, &QPushButton::clicked, m_list, &QListView::selectAll);
    connect(erase, &QPushButton::clicked, this, &ResultListPane::erase);
}

void ResultListPane::erase()
{
    if (auto *model = qobject_cast<QStringListModel *>(m_list->model()))
        model->setStringList({});
    emit erased();
}
