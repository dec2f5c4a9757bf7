#include "fonts.h"

#include <QFont>
#include <QStringList>

void installJapaneseFontSubstitutes()
{
    const QStringList gothic = {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic"),
                                QStringLiteral("VL PGothic"), QStringLiteral("TakaoPGothic")};
    const QStringList gothicFixed = {QStringLiteral("Noto Sans Mono CJK JP"),
                                     QStringLiteral("IPAGothic"), QStringLiteral("VL Gothic"),
                                     QStringLiteral("TakaoGothic")};
    // ＭＳ 明朝 is fixed pitch, and the URL lists set their columns in it:
    // a proportional serif face would push every URL out of line. Without
    // a fixed-pitch mincho the fixed-pitch gothic keeps the columns.
    const QStringList mincho = {QStringLiteral("IPAMincho"),
                                QStringLiteral("Noto Sans Mono CJK JP"),
                                QStringLiteral("IPAGothic")};
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), gothic);
    QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"), gothicFixed);
    QFont::insertSubstitutions(QStringLiteral("ＭＳ 明朝"), mincho);
}
