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
    const QStringList mincho = {QStringLiteral("Noto Serif CJK JP"), QStringLiteral("IPAPMincho"),
                                QStringLiteral("Noto Sans CJK JP")};
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), gothic);
    QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"), gothicFixed);
    QFont::insertSubstitutions(QStringLiteral("ＭＳ 明朝"), mincho);
}
