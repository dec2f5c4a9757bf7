#pragma once

#include <QFile>
#include <QString>

// The file a download is written to. The data goes to a hidden file beside
// the target and is renamed over the target only when the download is whole,
// so a numbered name never holds a partial picture. Unlike QSaveFile it does
// not sync each file to disk: a downloaded picture can be fetched again, and
// a sync per picture cost more than the rest of its download.
class DownloadFile
{
public:
    explicit DownloadFile(QString target);
    ~DownloadFile(); // an uncommitted file is removed
    DownloadFile(const DownloadFile &) = delete;
    DownloadFile &operator=(const DownloadFile &) = delete;

    bool open();
    bool write(const char *data, qint64 size);
    // Renames the whole file over the target; false, with the file removed,
    // when it could not be completed.
    bool commit();

    QString fileName() const { return m_target; }
    QString errorString() const { return m_error; }

private:
    void cancel();
    bool fail(const QString &error);

    QString m_target;
    QFile m_part;
    QString m_error;
};
