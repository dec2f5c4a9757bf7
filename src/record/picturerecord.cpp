#include "picturerecord.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace {

std::atomic_int g_connections{0};

// Every statement the schema needs, in order; each is idempotent.
const char *const Schema[] = {
    "CREATE TABLE IF NOT EXISTS pictures ("
    " id INTEGER PRIMARY KEY, url TEXT NOT NULL, page_url TEXT, file TEXT NOT NULL,"
    " number INTEGER, bytes INTEGER, width INTEGER, height INTEGER, sha256 BLOB,"
    " saved TEXT)",
    "CREATE INDEX IF NOT EXISTS pictures_url ON pictures (url)",
    "CREATE INDEX IF NOT EXISTS pictures_sha256 ON pictures (sha256)",
    "CREATE TABLE IF NOT EXISTS look_hashes ("
    " file TEXT PRIMARY KEY, bytes INTEGER, modified INTEGER, hash INTEGER) WITHOUT ROWID",
};

// SQLITE_BUSY and SQLITE_LOCKED.
bool isLock(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6");
}

QString errorText(const QSqlError &error)
{
    const QString text = error.databaseText();
    return text.isEmpty() ? error.text() : text;
}

RecordedPicture pictureOf(const QSqlQuery &q)
{
    RecordedPicture p;
    p.url = q.value(0).toString();
    p.pageURL = q.value(1).toString();
    p.file = q.value(2).toString();
    p.bytes = q.value(3).toLongLong();
    p.width = q.value(4).toInt();
    p.height = q.value(5).toInt();
    p.sha256 = q.value(6).toByteArray();
    p.saved = q.value(7).toString();
    return p;
}

} // namespace

struct PictureRecord::Statements
{
    explicit Statements(const QSqlDatabase &db)
        : byURL(db), bySha(db), insert(db), highest(db), lookHash(db), addLookHash(db)
    {
    }
    bool prepare()
    {
        // Rows are read once, in order: Qt need not keep them for going back.
        for (QSqlQuery *q : {&byURL, &bySha, &insert, &highest, &lookHash, &addLookHash})
            q->setForwardOnly(true);
        const QString columns =
            QStringLiteral("SELECT url, page_url, file, bytes, width, height, sha256, saved "
                           "FROM pictures ");
        return byURL.prepare(columns + QStringLiteral("WHERE url = ? ORDER BY id DESC LIMIT 1")) &&
               bySha.prepare(columns + QStringLiteral("WHERE sha256 = ? ORDER BY id LIMIT 1")) &&
               insert.prepare(QStringLiteral(
                   "INSERT INTO pictures (url, page_url, file, number, bytes, width, height, "
                   "sha256, saved) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)")) &&
               highest.prepare(QStringLiteral(
                   "SELECT MAX(number) FROM pictures WHERE file >= ? AND file < ?")) &&
               lookHash.prepare(QStringLiteral(
                   "SELECT bytes, modified, hash FROM look_hashes WHERE file = ?")) &&
               addLookHash.prepare(QStringLiteral(
                   "INSERT OR REPLACE INTO look_hashes (file, bytes, modified, hash) "
                   "VALUES (?, ?, ?, ?)"));
    }
    QSqlQuery byURL, bySha, insert, highest, lookHash, addLookHash;
};

PictureRecord::PictureRecord()
    : m_connection(QStringLiteral("vellisk-record-") + QString::number(++g_connections))
{
}

PictureRecord::~PictureRecord()
{
    close();
}

QString PictureRecord::pathFor(const QString &name, const QString &saveDirectory)
{
    if (QDir::isAbsolutePath(name))
        return name;
    return saveDirectory + QLatin1Char('/') + name;
}

bool PictureRecord::isOpen() const
{
    return m_statements != nullptr;
}

void PictureRecord::close()
{
    m_statements.reset();
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool PictureRecord::open(const QString &path, QStringList *errors)
{
    if (isOpen() && path == m_path)
        return true;
    close();
    m_path = path;
    QString why;
    if (openFile(&why))
        return true;
    close();
    // A file another program holds locked is in use, not damaged: it stays
    // where it is, and this run goes without the record.
    if (QFileInfo::exists(path) && !m_locked) {
        moveAside(errors, why);
        if (openFile(&why))
            return true;
        close();
    }
    errors->append(QStringLiteral("記録DBエラー : ") + path + QStringLiteral(" (") + why +
                   QLatin1Char(')'));
    return false;
}

bool PictureRecord::openFile(QString *error)
{
    m_locked = false;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid()) {
        *error = errorText(db.lastError());
        return false;
    }
    db.setDatabaseName(m_path);
    // Another instance writing the same file waits a moment rather than fail.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (QFileInfo(m_path).isDir() || !db.open()) {
        *error =
            QFileInfo(m_path).isDir() ? QStringLiteral("directory") : errorText(db.lastError());
        return false;
    }
    QSqlQuery q(db);
    // A file that is no database fails at its first read: the journal mode.
    // synchronous=NORMAL under WAL keeps every commit through a crash of the
    // program; only a power cut may lose the last ones.
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.next() ||
        q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        *error = q.lastError().isValid() ? errorText(q.lastError()) : QStringLiteral("no WAL");
        m_locked = isLock(q.lastError());
        return false;
    }
    q.finish();
    // Lookups in a record of a million pictures touch pages all over the
    // file: mapped, they cost no read call each, and the cache keeps the
    // indexes' upper levels. A checkpoint waits for the disk twice, so it
    // comes every 8192 pages written (32 MB of journal), not every 1000.
    for (const char *pragma : {"PRAGMA synchronous=NORMAL", "PRAGMA mmap_size=1073741824",
                               "PRAGMA cache_size=-32768", "PRAGMA wal_autocheckpoint=8192"}) {
        if (!q.exec(QLatin1String(pragma))) {
            *error = errorText(q.lastError());
            return false;
        }
        q.finish();
    }
    for (const char *statement : Schema) {
        if (!q.exec(QLatin1String(statement))) {
            *error = errorText(q.lastError());
            m_locked = isLock(q.lastError());
            return false;
        }
    }
    // A damaged page under the schema shows when the tables are read.
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM (SELECT id FROM pictures ORDER BY id DESC "
                               "LIMIT 1)")) ||
        !q.next()) {
        *error = errorText(q.lastError());
        return false;
    }
    q.finish();
    auto statements = std::make_unique<Statements>(db);
    if (!statements->prepare()) {
        *error = errorText(statements->byURL.lastError());
        return false;
    }
    m_statements = std::move(statements);
    return true;
}

void PictureRecord::moveAside(QStringList *errors, const QString &why)
{
    const QString suffix = QStringLiteral(".damaged-") +
                           QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = m_path + suffix;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_path + suffix + QLatin1Char('-') + QString::number(n);
    const bool moved = QFile::rename(m_path, aside);
    // A journal left beside it belongs to the old file: a new database must
    // never replay it.
    for (const char *companion : {"-wal", "-shm"}) {
        const QString from = m_path + QLatin1String(companion);
        if (QFileInfo::exists(from) && !QFile::rename(from, aside + QLatin1String(companion)))
            QFile::remove(from);
    }
    errors->append(QStringLiteral("記録DBエラー : ") + m_path + QStringLiteral(" (") + why +
                   QStringLiteral(") → ") + (moved ? aside : QStringLiteral("?")));
}

std::optional<RecordedPicture> PictureRecord::findURL(const QString &url)
{
    if (!isOpen())
        return std::nullopt;
    QSqlQuery &q = m_statements->byURL;
    q.addBindValue(url);
    std::optional<RecordedPicture> found;
    if (q.exec() && q.next())
        found = pictureOf(q);
    q.finish();
    return found;
}

std::optional<RecordedPicture> PictureRecord::findSha256(const QByteArray &sha256)
{
    if (!isOpen())
        return std::nullopt;
    QSqlQuery &q = m_statements->bySha;
    q.addBindValue(sha256);
    std::optional<RecordedPicture> found;
    if (q.exec() && q.next())
        found = pictureOf(q);
    q.finish();
    return found;
}

bool PictureRecord::add(const RecordedPicture &p, QString *error)
{
    if (!isOpen()) {
        if (error != nullptr)
            *error = QStringLiteral("not open");
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery &q = m_statements->insert;
    const std::optional<int> number = entryNumber(QFileInfo(p.file).fileName());
    q.addBindValue(p.url);
    q.addBindValue(p.pageURL);
    q.addBindValue(p.file);
    q.addBindValue(number ? QVariant(*number) : QVariant());
    q.addBindValue(p.bytes);
    q.addBindValue(p.width);
    q.addBindValue(p.height);
    q.addBindValue(p.sha256);
    q.addBindValue(p.saved);
    const bool ok = db.transaction() && q.exec() && db.commit();
    if (!ok) {
        if (error != nullptr)
            *error = errorText(q.lastError().isValid() ? q.lastError() : db.lastError());
        db.rollback();
    }
    q.finish();
    return ok;
}

int PictureRecord::highestNumber(const QString &directory)
{
    if (!isOpen())
        return 0;
    QSqlQuery &q = m_statements->highest;
    // Paths in this directory and below sort between "dir/" and "dir0".
    q.addBindValue(QString(directory + QLatin1Char('/')));
    q.addBindValue(QString(directory + QLatin1Char('0')));
    int highest = 0;
    if (q.exec() && q.next())
        highest = q.value(0).toInt();
    q.finish();
    return highest;
}

std::optional<PictureRecord::LookHash> PictureRecord::findLookHash(const QString &file)
{
    if (!isOpen())
        return std::nullopt;
    QSqlQuery &q = m_statements->lookHash;
    q.addBindValue(file);
    std::optional<LookHash> found;
    if (q.exec() && q.next())
        found = LookHash{q.value(0).toLongLong(), q.value(1).toLongLong(),
                         quint64(q.value(2).toLongLong())};
    q.finish();
    return found;
}

bool PictureRecord::addLookHashes(const QHash<QString, LookHash> &hashes)
{
    if (!isOpen())
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery &q = m_statements->addLookHash;
    if (!db.transaction())
        return false;
    for (auto it = hashes.begin(); it != hashes.end(); ++it) {
        q.addBindValue(it.key());
        q.addBindValue(it->bytes);
        q.addBindValue(it->modified);
        q.addBindValue(qint64(it->hash));
        if (!q.exec()) {
            q.finish();
            db.rollback();
            return false;
        }
    }
    q.finish();
    return db.commit();
}

std::optional<int> PictureRecord::entryNumber(const QString &fileName)
{
    qsizetype digits = 0;
    while (digits < fileName.size() && digits < 9 && fileName.at(digits).isDigit() &&
           fileName.at(digits).unicode() < 128)
        ++digits;
    if (digits == 0 || (digits < fileName.size() && fileName.at(digits) != QLatin1Char('.')))
        return std::nullopt;
    return fileName.left(digits).toInt();
}
