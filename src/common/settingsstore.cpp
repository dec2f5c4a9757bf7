#include "settingsstore.h"

#include "integertext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <limits>

namespace {

// Windows code page 932, the Shift-JIS the program's texts have always used.
constexpr const char *ShiftJis = "windows-31j";
constexpr char ExtendedPrefix[] = "UTF-8''";

// Shift-JIS bytes for text that survives the trip there and back unchanged;
// nothing when any character would be lost or altered (e.g. U+00A5 maps onto
// the backslash byte and would come back as a different character).
bool toShiftJis(const QString &text, QByteArray *out)
{
    QStringEncoder encoder(ShiftJis);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return false;
    QStringDecoder decoder(ShiftJis);
    const QString back = decoder.decode(bytes);
    if (decoder.hasError() || back != text)
        return false;
    *out = bytes;
    return true;
}

QString fromShiftJis(const QByteArray &bytes)
{
    QStringDecoder decoder(ShiftJis);
    return decoder.decode(bytes);
}

bool isAsciiBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool needsExtendedForm(const QString &value)
{
    return value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) ||
           value.contains(QChar(0));
}

} // namespace

SettingsStore::SettingsStore() : SettingsStore(defaultFilePath())
{
}

SettingsStore::SettingsStore(const QString &filePath) : m_path(filePath)
{
    load();
}

SettingsStore::~SettingsStore()
{
    close();
}

QString SettingsStore::defaultFilePath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Qorvin/Vellisk.ini");
}

QByteArray SettingsStore::encodeValueLine(const QString &name, const QString &value)
{
    QByteArray nameBytes;
    if (!toShiftJis(name, &nameBytes))
        nameBytes = name.toUtf8();
    QByteArray valueBytes;
    if (!needsExtendedForm(value) && toShiftJis(value, &valueBytes))
        return nameBytes + '=' + valueBytes;
    return nameBytes + "*=" + ExtendedPrefix + value.toUtf8().toPercentEncoding();
}

bool SettingsStore::decodeValueLine(const QByteArray &line, QString *name, QString *value)
{
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0)
        return false;
    QByteArray rawName = line.left(eq).trimmed();
    const QByteArray rawValue = line.mid(eq + 1);
    if (rawName.endsWith('*')) {
        rawName.chop(1);
        if (!rawValue.startsWith(ExtendedPrefix))
            return false;
        *value = QString::fromUtf8(
            QByteArray::fromPercentEncoding(rawValue.mid(qsizetype(sizeof ExtendedPrefix) - 1)));
    } else {
        *value = fromShiftJis(rawValue);
    }
    *name = fromShiftJis(rawName.trimmed());
    // A name "a*" ("a**=", or "a*" and a stray lead byte the decoder drops)
    // would be written back as "a*=" and read again as another value of "a".
    return !name->isEmpty() && !name->endsWith(QLatin1Char('*'));
}

void SettingsStore::load()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = file.readAll();
    Section *current = nullptr;
    for (QByteArray line : data.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        // Blanks before a header or a comment do not hide it: a name is
        // written back without them, and "\r[x" read as a name would come
        // back as a header that takes every later line out of its section.
        qsizetype blanks = 0;
        while (blanks < line.size() && isAsciiBlank(line[blanks]))
            ++blanks;
        line.remove(0, blanks);
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            const qsizetype end = line.indexOf(']');
            current = end > 1 ? &sectionFor(fromShiftJis(line.mid(1, end - 1))) : nullptr;
            continue;
        }
        QString name, value;
        if (current == nullptr || !decodeValueLine(line, &name, &value))
            continue;
        // Later lines win, as a second write of the same name would.
        bool replaced = false;
        for (Entry &e : current->entries) {
            if (e.name.compare(name, Qt::CaseInsensitive) == 0) {
                e.value = value;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            current->entries.append({name, value});
    }
}

SettingsStore::Section &SettingsStore::sectionFor(const QString &section)
{
    for (Section &s : m_sections) {
        if (s.name.compare(section, Qt::CaseInsensitive) == 0)
            return s;
    }
    m_sections.append({section, {}});
    return m_sections.last();
}

const SettingsStore::Entry *SettingsStore::find(const QString &section, const QString &name) const
{
    for (const Section &s : m_sections) {
        if (s.name.compare(section, Qt::CaseInsensitive) != 0)
            continue;
        for (const Entry &e : s.entries) {
            if (e.name.compare(name, Qt::CaseInsensitive) == 0)
                return &e;
        }
    }
    return nullptr;
}

int SettingsStore::ReadInteger(const QString &section, const QString &name, int defaultValue) const
{
    const Entry *e = find(section, name);
    int value;
    if (e != nullptr && parseIntegerText(e->value, &value))
        return value;
    return defaultValue;
}

void SettingsStore::WriteInteger(const QString &section, const QString &name, int value)
{
    WriteString(section, name, QString::number(value));
}

QString SettingsStore::ReadString(const QString &section, const QString &name,
                                  const QString &defaultValue) const
{
    const Entry *e = find(section, name);
    return e != nullptr ? e->value : defaultValue;
}

void SettingsStore::WriteString(const QString &section, const QString &name, const QString &text)
{
    Section &s = sectionFor(section);
    for (Entry &e : s.entries) {
        if (e.name.compare(name, Qt::CaseInsensitive) == 0) {
            e.value = text;
            m_dirty = true;
            return;
        }
    }
    s.entries.append({name, text});
    m_dirty = true;
}

bool SettingsStore::ReadFlag(const QString &section, const QString &name, int defaultValue) const
{
    return ReadInteger(section, name, defaultValue) == FlagOn;
}

void SettingsStore::WriteFlag(const QString &section, const QString &name, bool on)
{
    WriteInteger(section, name, on ? FlagOn : FlagOff);
}

QByteArray SettingsStore::serialize() const
{
    QByteArray out;
    for (const Section &s : m_sections) {
        QByteArray header;
        if (!toShiftJis(s.name, &header))
            header = s.name.toUtf8();
        out += '[' + header + "]\r\n";
        for (const Entry &e : s.entries)
            out += encodeValueLine(e.name, e.value) + "\r\n";
        out += "\r\n";
    }
    return out;
}

bool SettingsStore::close()
{
    if (m_closed)
        return true;
    m_closed = true;
    if (!m_dirty)
        return true;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(serialize());
    return file.commit();
}
