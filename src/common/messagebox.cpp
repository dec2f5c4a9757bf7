#include "messagebox.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QPushButton>

namespace MessageBox {

void show(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Vellisk"), text, QMessageBox::NoButton,
                    parent);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

QString caption(Kind kind)
{
    switch (kind) {
    case Kind::Warning:
        return QStringLiteral("警告");
    case Kind::Error:
        return QStringLiteral("エラー");
    case Kind::Information:
        return QStringLiteral("情報");
    case Kind::Confirmation:
        return QStringLiteral("確認");
    case Kind::Custom:
        break;
    }
    return QStringLiteral("Vellisk");
}

QString buttonText(Answer answer)
{
    switch (answer) {
    case Ok:
        return QStringLiteral("OK");
    case Cancel:
        return QStringLiteral("ｷｬﾝｾﾙ");
    case Abort:
        return QStringLiteral("中止(&A)");
    case Retry:
        return QStringLiteral("再試行(&R)");
    case Ignore:
        return QStringLiteral("無視(&I)");
    case Yes:
        return QStringLiteral("はい(&Y)");
    case No:
        return QStringLiteral("いいえ(&N)");
    case All:
        return QStringLiteral("すべて(&A)");
    case Help:
        return QStringLiteral("ﾍﾙﾌﾟ(&H)");
    case None:
        break;
    }
    return QString();
}

int ask(QWidget *parent, const QString &text, Kind kind, const QList<Answer> &buttons,
        const std::function<void()> &onHelp)
{
    static const QMessageBox::Icon icons[] = {QMessageBox::Warning, QMessageBox::Critical,
                                              QMessageBox::Information, QMessageBox::Question,
                                              QMessageBox::NoIcon};
    QMessageBox box(icons[int(kind)], caption(kind), text, QMessageBox::NoButton, parent);
    QList<std::pair<QAbstractButton *, Answer>> added;
    for (Answer a : buttons) {
        if (a == Help) {
            QPushButton *help = box.addButton(buttonText(a), QMessageBox::HelpRole);
            // Every button of a message box closes it; this one must not.
            QObject::disconnect(help, &QAbstractButton::clicked, nullptr, nullptr);
            QObject::connect(help, &QAbstractButton::clicked, &box, [onHelp] {
                if (onHelp)
                    onHelp();
            });
            continue;
        }
        const auto role = (a == Cancel || a == No || a == Abort) ? QMessageBox::RejectRole
                                                                 : QMessageBox::AcceptRole;
        added.append({box.addButton(buttonText(a), role), a});
    }
    if (!added.isEmpty())
        box.setDefaultButton(qobject_cast<QPushButton *>(added.first().first));
    box.exec();
    for (const auto &[button, answer] : added) {
        if (box.clickedButton() == button)
            return answer;
    }
    return Cancel;
}

} // namespace MessageBox
