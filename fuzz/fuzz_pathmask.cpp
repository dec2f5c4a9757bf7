// Directory paths from the settings file, file masks and directory names as
// the directory chooser handles them: any bytes, no crash, and the clean path
// and the sorted names keep their promises.
#include "settings/directorylisting.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    const QByteArray clean = cleanDirectoryPath(input.left(input.indexOf('\0')));
    if (!clean.startsWith('/') || clean.contains("//") || clean.contains("/./") ||
        clean.endsWith("/.") || clean.contains("/../") || clean.endsWith("/..") ||
        (clean.size() > 1 && clean.endsWith('/')))
        std::abort();
    const QList<QByteArray> levels = pathLevels(clean);
    if (levels.first() != "/" || levels.last() != clean)
        std::abort();

    // The rest: a mask line, then names separated by NUL bytes.
    const qsizetype newline = input.indexOf('\n');
    const FileMask mask(QString::fromUtf8(input.left(newline < 0 ? 0 : newline)));
    NameList names;
    for (const QByteArray &name : input.mid(newline + 1).split('\0')) {
        if (!name.isEmpty())
            names.append(name.constData());
    }
    names.sortCaseless();
    const NameList kept = names.filtered(mask);
    if (kept.size() > names.size())
        std::abort();
    for (qsizetype i = 1; i < names.size(); ++i) {
        const char *a = names.at(i - 1);
        const char *b = names.at(i);
        if (strcasecmp(a, b) > 0)
            std::abort();
    }
    return 0;
}
