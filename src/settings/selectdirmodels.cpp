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
    m_subdirectories.clear();
    endResetModel();
}

void DirectoryLinesModel::setSubdirectories(const QList<QByteArray> &names)
{
    if (!m_subdirectories.isEmpty()) {
        beginRemoveRows(QModelIndex(), int(m_levels.size()),
                        int(m_levels.size() + m_subdirectories.size()) - 1);
        m_subdirectories.clear();
        endRemoveRows();
    }
    if (names.isEmpty())
        return;
    beginInsertRows(QModelIndex(), int(m_levels.size()), int(m_levels.size() + names.size()) - 1);
    m_subdirectories = names;
    endInsertRows();
}

QByteArray DirectoryLinesModel::pathAt(int row) const
{
    if (row < 0)
        return QByteArray();
    if (row < m_levels.size())
        return m_levels[row];
    const qsizetype sub = row - m_levels.size();
    return sub < m_subdirectories.size() ? joinPath(m_current, m_subdirectories[sub]) : QByteArray();
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
        return QFile::decodeName(level ? lastPathPart(m_levels[row])
                                       : m_subdirectories[row - m_levels.size()]);
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

FileNamesModel::FileNamesModel(QObject *parent) : QAbstractListModel(parent) {}

void FileNamesModel::clear()
{
    beginResetModel();
    m_names.clear();
    endResetModel();
}

void FileNamesModel::append(const QStringList &names, qsizetype from, qsizetype count)
{
    if (count <= 0)
        return;
    beginInsertRows(QModelIndex(), int(m_names.size()), int(m_names.size() + count) - 1);
    if (m_names.isEmpty() && from == 0 && count == names.size())
        m_names = names;
    else
        m_names.append(names.mid(from, count));
    endInsertRows();
}

int FileNamesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant FileNamesModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_names.size())
        return QVariant();
    return m_names[index.row()];
}

void DirectoryLineDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    QStyleOptionViewItem indented(option);
    indented.rect.setLeft(option.rect.left()
                          + IndentStep * index.data(DirectoryLinesModel::DepthRole).toInt());
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
