#pragma once

#include "directorylisting.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QIcon>
#include <QStyledItemDelegate>

// Lines of the chooser's directory list: the path from the root down to the
// current directory, one line per level, then the current directory's
// subdirectories. The display text is the directory's own name ("/" for the
// root); the depth is drawn as indentation.
class DirectoryLinesModel : public QAbstractListModel
{
    Q_OBJECT
public:
    static constexpr int DepthRole = Qt::UserRole + 1;
    static constexpr int PathRole = Qt::UserRole + 2;

    explicit DirectoryLinesModel(QObject *parent = nullptr);

    // Shows the levels of `cleanPath` and no subdirectories (yet).
    void setCurrent(const QByteArray &cleanPath);
    void setSubdirectories(const NameList &names);

    QByteArray current() const { return m_current; }
    int currentRow() const { return int(m_levels.size()) - 1; }
    QByteArray pathAt(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QByteArray m_current;
    QList<QByteArray> m_levels;
    NameList m_subdirectories;
    QIcon m_openIcon;
    QIcon m_closedIcon;
};

// The names of the files shown beside the directory list, decoded only for
// the lines on screen. One reset takes a whole directory: a uniform-row list
// lays out 100,000 lines in a few milliseconds, less than slices would cost.
class FileNamesModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit FileNamesModel(QObject *parent = nullptr);

    void setNames(const NameList &names);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    NameList m_names;
};

// Indents each directory line by its depth and keeps rows 16 pixels high.
class DirectoryLineDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int RowHeight = 16;
    static constexpr int IndentStep = 8;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
