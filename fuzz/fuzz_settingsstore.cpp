// The settings file reader over arbitrary bytes: it must never crash, and
// whatever it reads must survive a write and a second read unchanged.
#include "common/settingsstore.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/Vellisk.ini");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    const QString names[] = {QStringLiteral("fmSetting.Start"), QStringLiteral("fmSetting.Speed"),
                             QStringLiteral("fmTarnvale.Directory")};
    QString texts[3];
    {
        SettingsStore store(path);
        for (int i = 0; i < 3; ++i) {
            texts[i] =
                store.ReadString(QStringLiteral("Setting"), names[i], QStringLiteral("\x01"));
            store.ReadInteger(QStringLiteral("Window"), names[i], 0);
            store.ReadFlag(QStringLiteral("Setting"), names[i], 7);
            // Rewriting a value forces the whole file to be written again.
            if (texts[i] != QStringLiteral("\x01"))
                store.WriteString(QStringLiteral("Setting"), names[i], texts[i]);
        }
    }
    SettingsStore again(path);
    for (int i = 0; i < 3; ++i) {
        if (again.ReadString(QStringLiteral("Setting"), names[i], QStringLiteral("\x01")) !=
            texts[i])
            std::abort();
    }
    return 0;
}
