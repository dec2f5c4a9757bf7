#include "datafiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

// `installedDir` is relative to the program's directory ("../share/vellisk").
QString besideOrInstalled(const QString &fileName, const QString &programDir,
                          const QString &installedDir, bool besideWhenMissing)
{
    QString beside = programDir + QLatin1Char('/') + fileName;
    if (QFileInfo::exists(beside))
        return beside;
    QString installed =
        QDir::cleanPath(programDir + QLatin1Char('/') + installedDir + QLatin1Char('/') + fileName);
    if (QFileInfo::exists(installed))
        return installed;
    return besideWhenMissing ? beside : QString();
}

} // namespace

QString dataFilePath(const QString &fileName, const QString &programDir)
{
    return besideOrInstalled(fileName, programDir, QStringLiteral(VELLISK_DATA_RELDIR), true);
}

QString moduleFilePath(const QString &fileName, const QString &programDir)
{
    return besideOrInstalled(fileName, programDir, QStringLiteral(VELLISK_MODULE_RELDIR), false);
}

QString dataFilePath(const QString &fileName)
{
    return dataFilePath(fileName, QCoreApplication::applicationDirPath());
}

QString moduleFilePath(const QString &fileName)
{
    return moduleFilePath(fileName, QCoreApplication::applicationDirPath());
}

bool isInstalledLayout(const QString &programDir)
{
    return QFileInfo(
               QDir::cleanPath(programDir + QLatin1Char('/') + QStringLiteral(VELLISK_DATA_RELDIR)))
        .isDir();
}
