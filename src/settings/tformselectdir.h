#pragma once

#include "directorylisting.h"

#include <QByteArray>
#include <QDialog>
#include <QHash>
#include <QThreadPool>

#include <atomic>

class QComboBox;
class QLineEdit;
class QListView;
class DirectoryLinesModel;
class FileNamesModel;

// The modal directory chooser. exec() answers 1 for "閉じる(&C)" and 2 for
// "ｷｬﾝｾﾙ" or the close box; directory() is the current directory, the
// dialog's result. Directories are read off the UI thread each time the
// dialog is shown, so a directory of 100,000 files opens at once.
class TFormSelectDir : public QDialog
{
    Q_OBJECT
public:
    explicit TFormSelectDir(QWidget *parent = nullptr);
    ~TFormSelectDir() override;

    // The current directory, without a trailing separator except at the root.
    QString directory() const;
    // Makes `path` the current directory; false, with nothing changed, when it
    // cannot be entered.
    bool setDirectory(const QString &path);
    QString mask() const { return m_mask; }
    // True while the current directory is being read for the shown dialog.
    bool isListing() const { return m_listing; }

signals:
    // Both lists show the whole current directory.
    void listingFinished();

protected:
    void done(int result) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void loadVolumes();
    bool enterDirectory(const QByteArray &path);
    void startListing();
    void receiveListing(quint64 generation, const DirectoryListing &listing, const NameList &shown);
    QByteArray volumeOf(const QByteArray &path) const;
    void syncDriveCombo();
    void directoryActivated(int row);
    void driveChosen(int index);
    void filterChosen(int index);
    void fileSelected(int row);

    DirectoryLinesModel *m_dirModel = nullptr;
    FileNamesModel *m_fileModel = nullptr;
    QListView *m_directoryList = nullptr;
    QListView *m_fileList = nullptr;
    QComboBox *m_driveCombo = nullptr;
    QComboBox *m_filterCombo = nullptr;
    QLineEdit *m_fileEdit = nullptr;

    QString m_mask;
    NameList m_allFiles; // every file of the current directory, whatever the mask
    bool m_listing = false;
    bool m_received = false; // the current directory's read has arrived
    QList<QByteArray> m_volumes;
    QHash<QByteArray, QByteArray> m_volumeDirectory; // last directory visited per volume

    QThreadPool m_pool;
    std::atomic<quint64> m_generation{0};
};
