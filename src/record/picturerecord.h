#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// One saved picture as the record keeps it.
struct RecordedPicture
{
    QString url;
    QString pageURL;
    QString file; // the full path it was saved under
    qint64 bytes = 0;
    int width = 0;
    int height = 0;
    QByteArray sha256; // 32 bytes
    QString saved;     // ISO date and time
};

// The record of saved pictures: one SQLite file (WAL) beside the pictures.
// Each picture is written in its own transaction, so a crash or a kill loses
// at most the picture being written. A file that cannot be opened or is no
// database is moved aside under a dated name and a new one is made (one
// locked by another program is left alone): the crawl that uses it never
// stops for it. Lookups and inserts run on prepared
// statements; the URL and the SHA-256 are indexed.
//
// One instance is used on one thread: the thread that opened it.
class PictureRecord
{
public:
    PictureRecord();
    ~PictureRecord();
    PictureRecord(const PictureRecord &) = delete;
    PictureRecord &operator=(const PictureRecord &) = delete;

    // The database path for a name typed in the settings: an absolute name as
    // it is, any other in the save directory.
    static QString pathFor(const QString &name, const QString &saveDirectory);

    // Opens `path` unless it is open already. Lines for the "Error" log go to
    // `errors` (a file moved aside, a file that could not be made). False
    // when no record could be had at all.
    bool open(const QString &path, QStringList *errors);
    void close();
    bool isOpen() const;
    QString path() const { return m_path; }

    // The latest picture recorded under this URL.
    std::optional<RecordedPicture> findURL(const QString &url);
    // The first picture recorded with these bytes.
    std::optional<RecordedPicture> findSha256(const QByteArray &sha256);
    // Writes one picture in a transaction of its own; false (the text in
    // `error`) when it could not be written.
    bool add(const RecordedPicture &picture, QString *error = nullptr);
    // The highest entry number of a file recorded in `directory` ("0123.jpg"
    // counts 123); 0 when there is none.
    int highestNumber(const QString &directory);

    // Look-alike hashes of files, valid while the file keeps its size and
    // modification time (seconds since the epoch).
    struct LookHash
    {
        qint64 bytes = 0;
        qint64 modified = 0;
        quint64 hash = 0;
    };
    std::optional<LookHash> findLookHash(const QString &file);
    // All of them in one transaction.
    bool addLookHashes(const QHash<QString, LookHash> &hashes);

    // The entry number a file name holds: "0123.jpg" and "0123" give 123;
    // a name that is not digits up to its first dot gives nothing.
    static std::optional<int> entryNumber(const QString &fileName);

private:
    struct Statements;
    bool openFile(QString *error);
    void moveAside(QStringList *errors, const QString &why);

    QString m_connection;
    QString m_path;
    std::unique_ptr<Statements> m_statements;
    // The last open failed on a lock held by another program.
    bool m_locked = false;
};
