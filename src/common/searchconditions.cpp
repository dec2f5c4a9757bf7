#include "searchconditions.h"

#include "datafiles.h"
#include "integertext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

NumberText NumberText::from(const QString &text)
{
    NumberText result{text, std::nullopt};
    int value = 0;
    if (parseIntegerText(text, &value))
        result.number = value;
    return result;
}

QString SearchSetting::saveDirectoryFirstRun()
{
    return saveDirectoryFor(QCoreApplication::applicationDirPath());
}

QString SearchSetting::saveDirectoryFor(const QString &programDirectory)
{
    const QFileInfo program(programDirectory);
    if (program.isDir() && program.isWritable() && !isInstalledLayout(programDirectory))
        return programDirectory;
    return picturesSaveDirectory();
}

QString SearchSetting::picturesSaveDirectory()
{
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty())
        pictures = QDir::homePath();
    return pictures + QStringLiteral("/Vellisk");
}

std::optional<ProxyChoice> SearchConditions::proxyChoice() const
{
    if (!proxyOn)
        return ProxyChoice{false, proxyHost, 0};
    const NumberText port = NumberText::from(proxyPort);
    if (!port.number || *port.number < 0 || *port.number > 65535)
        return std::nullopt;
    return ProxyChoice{true, proxyHost, *port.number};
}
