#include "selectdirmodels.h"

#include "directorylisting.h"

#include <QApplication>
#include <QFile>
#include <QStyle>

DirectoryLinesModel::DirectoryLinesModel(QObject *parent) : QAbstractListModel(parent)
{
    m_openIcon = QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon);
    m_closedIcon = QApplication::style()->standardIcon(QStyle::SP_DirClosedIcon);
}

void DirectoryLinesModel::setCurrent(const QByteArray &cleanPath)
{
    beginResetModel();
    m_current = cleanPath;
    m_levels = pathLevels(cleanPath);
    m_subdirectories = NameList();
    endResetModel();
}

void DirectoryLinesModel::setSubdirectories(const NameList &names)
{
    beginResetModel();
    m_subdirectories = names;
    endResetModel();
}

QByteArray DirectoryLinesModel::pathAt(int row) const
{
    if (row < 0)
        return QByteArray();
    if (row < m_levels.size())
        return m_levels[row];
    const qsizetype sub = row - m_levels.size();
    return sub < m_subdirectories.size() ? joinPath(m_current, m_subdirectories.at(sub))
                                         : QByteArray();
}

int DirectoryLinesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_levels.size() + m_subdirectories.size());
}

QVariant DirectoryLinesModel::data(const QModelIndex &index, int role) const
{
    const int row = index.row();
    if (!index.isValid() || row >= rowCount())
        return QVariant();
    const bool level = row < m_levels.size();
    switch (role) {
    case Qt::DisplayRole:
        return level ? QFile::decodeName(lastPathPart(m_levels[row]))
                     : m_subdirectories.displayName(row - m_levels.size());
    case Qt::DecorationRole:
        return level ? m_openIcon : m_closedIcon;
    case DepthRole:
        return level ? row : int(m_levels.size());
    case PathRole:
        return pathAt(row);
    default:
        return QVariant();
    }
}

FileNamesModel::FileNamesModel(QObject *parent) : QAbstractListModel(parent)
{
}

void FileNamesModel::setNames(const NameList &names)
{
    beginResetModel();
    m_names = names;
    endResetModel();
}

int FileNamesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant FileNamesModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_names.size())
        return QVariant();
    return m_names.displayName(index.row());
}

void DirectoryLineDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    QStyleOptionViewItem indented(option);
    indented.rect.setLeft(option.rect.left() +
                          IndentStep * index.data(DirectoryLinesModel::DepthRole).toInt());
    QStyledItemDelegate::paint(painter, indented, index);
}

QSize DirectoryLineDelegate::sizeHint(const QStyleOptionViewItem &option,
                                      const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setWidth(size.width() + IndentStep * index.data(DirectoryLinesModel::DepthRole).toInt());
    size.setHeight(RowHeight);
    return size;
}
