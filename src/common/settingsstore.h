#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The per-user settings store: one text file with the sections "Window" and
// "Setting". A window opens a store, does all its reads or all its writes and
// lets it go; writes reach the disk, atomically, when the store is closed.
//
// Values are stored as Shift-JIS text (`name=value`). Text that Shift-JIS
// cannot carry (an accented Latin letter, an emoji, a line break) is stored as
// `name*=UTF-8''percent-encoded`, so every value that Shift-JIS can hold stays
// byte-for-byte in the plain form while no other value is ever lost.
class SettingsStore
{
public:
    static constexpr int FlagOn = 1;
    static constexpr int FlagOff = 7;

    // The store of the current user: $XDG_CONFIG_HOME/Qorvin/Vellisk.ini
    // (~/.config when the variable is unset), looked up at each open.
    SettingsStore();
    explicit SettingsStore(const QString &filePath);
    ~SettingsStore();

    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    static QString defaultFilePath();
    QString filePath() const { return m_path; }

    int ReadInteger(const QString &section, const QString &name, int defaultValue) const;
    void WriteInteger(const QString &section, const QString &name, int value);
    QString ReadString(const QString &section, const QString &name,
                       const QString &defaultValue) const;
    void WriteString(const QString &section, const QString &name, const QString &text);
    bool ReadFlag(const QString &section, const QString &name, int defaultValue) const;
    void WriteFlag(const QString &section, const QString &name, bool on);

    // Writes pending changes now; false when the file could not be replaced
    // (the store never reports that to the user: the program goes on).
    bool close();

    // The raw line forms, exposed for tests and the fuzzer.
    static QByteArray encodeValueLine(const QString &name, const QString &value);
    static bool decodeValueLine(const QByteArray &line, QString *name, QString *value);

private:
    struct Entry
    {
        QString name;
        QString value;
    };
    struct Section
    {
        QString name;
        QList<Entry> entries;
    };

    void load();
    QByteArray serialize() const;
    const Entry *find(const QString &section, const QString &name) const;
    Section &sectionFor(const QString &section);

    QString m_path;
    QList<Section> m_sections;
    bool m_dirty = false;
    bool m_closed = false;
};
