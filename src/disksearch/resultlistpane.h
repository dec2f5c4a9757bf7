#pragma once

#include "resultentry.h"

#include <QList>
#include <QWidget>

#include <vector>

class QListView;
class QMenu;
class QPushButton;
class ResultLineDelegate;
class ResultListModel;
class ResultListView;
class TMsgBitBtn;

// The result file list with its buttons: select all, delete the selected
// files (after a question), erase the list, and the pop-up delete.
class ResultListPane : public QWidget
{
    Q_OBJECT
public:
    explicit ResultListPane(QWidget *parent = nullptr);

    QListView *listView() const;
    ResultListModel *model() const { return m_model; }

    int count() const;
    // -1 when the list has no current entry.
    int currentIndex() const;
    // Selected entries in list order.
    QList<int> selectedIndexes() const;
    // The file path of an entry as the bytes of the file system.
    QByteArray EntryFileName(int index) const;

    void appendEntry(const QByteArray &line);
    void appendEntries(const ResultBatch &batch);
    // Makes the entry current and adds it to the selection.
    void selectEntry(int index);
    void selectAll();
    // Empties the list (the erase command); no file is touched.
    void erase();
    // Empties the list without the erase command's side effects.
    void clear();
    void DeleteSelectedFiles();
    // Every file path of the list, in list order.
    std::vector<QByteArray> fileNames() const;
    // Selects exactly the entries whose paths are among `paths`.
    void selectFiles(const QList<QByteArray> &paths);

signals:
    void erased();
    // The current entry was clicked or moved to with the keyboard.
    void entryClicked();
    void entryDoubleClicked();
    // Files of `count` selected entries were deleted.
    void filesDeleted(int count);
    // "似た画像を選ぶ" from the pop-up menu.
    void lookAlikesWanted();

private:
    void updateRowWidth();

    ResultListModel *m_model;
    ResultListView *m_list;
    ResultLineDelegate *m_delegate;
    TMsgBitBtn *m_delete;
    QMenu *m_popup;
    qsizetype m_columns = 0;
};
