#pragma once

#include <QWidget>

class QListView;
class QPushButton;

// The result file list with its buttons.
class ResultListPane : public QWidget
{
    Q_OBJECT
public:
    explicit ResultListPane(QWidget *parent = nullptr);

    QListView *listView() const { return m_list; }
    // Empties the list (the erase command).
    void erase();

signals:
    void erased();

private:
    QListView *m_list;
};
