#pragma once

#include <QString>

// Files the program reads at run time. In the build tree they sit beside the
// executable; an installed program finds them in its prefix, relative to the
// executable, so the prefix can be chosen at install time.

// A data file (the manual, the animation): beside the program, else in
// <prefix>/share/vellisk. When neither holds it, the path beside the program.
QString dataFilePath(const QString &fileName);

// A module of the program (the browser engine): beside the program, else in
// its private library directory. Empty when neither holds it.
QString moduleFilePath(const QString &fileName);

// The same lookups for a program in `programDir`.
QString dataFilePath(const QString &fileName, const QString &programDir);
QString moduleFilePath(const QString &fileName, const QString &programDir);

// Whether the program in `programDir` runs from an installed layout: its data
// directory (<prefix>/share/vellisk) stands beside its bin directory. A build
// tree has none.
bool isInstalledLayout(const QString &programDir);
