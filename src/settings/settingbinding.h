#pragma once

#include "common/searchconditions.h"
#include "common/settingsstore.h"
#include "common/storedwindow.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QObject>
#include <QScrollBar>

#include <functional>
#include <utility>

// One stored setting of the settings dialog bound to its control: how its
// stored value reaches the control, how the control's value is stored, how it
// goes into SearchConditions, and how a change of it is noticed. The dialog
// keeps one table of these; adding a setting is one line there.
struct SettingBinding
{
    std::function<void(const SettingsStore &)> read;
    std::function<void(SettingsStore &)> write;
    std::function<void(SearchConditions &)> apply;
    // Connects the control's change signal to `changed`.
    std::function<void(QObject *context, std::function<void()> changed)> watch;
};

namespace Bind {

inline void assign(QString &to, const QString &value)
{
    to = value;
}
inline void assign(NumberText &to, const QString &value)
{
    to = NumberText::from(value);
}
inline void assign(bool &to, bool value)
{
    to = value;
}
inline void assign(int &to, int value)
{
    to = value;
}

// Puts a control's value into one member of SearchConditions.
template <typename Member> auto into(Member SearchConditions::*member)
{
    return [member](SearchConditions &c, const auto &value) { assign(c.*member, value); };
}

inline QString storedName(const char *name)
{
    return QLatin1String(name);
}

// A text box; `firstRun` stands in for the setting's own when it is computed.
template <typename Apply>
SettingBinding text(const StoredSetting<QString> &setting, QLineEdit *edit, Apply apply,
                    const QString &firstRun)
{
    const QString name = storedName(setting.name);
    return {[=](const SettingsStore &store) {
                edit->setText(store.ReadString(SettingSection, name, firstRun));
            },
            [=](SettingsStore &store) { store.WriteString(SettingSection, name, edit->text()); },
            [=](SearchConditions &c) { apply(c, edit->text()); },
            [=](QObject *context, std::function<void()> changed) {
                QObject::connect(edit, &QLineEdit::textChanged, context, std::move(changed));
            }};
}

template <typename Apply>
SettingBinding text(const StoredSetting<QString> &setting, QLineEdit *edit, Apply apply)
{
    return text(setting, edit, apply, setting.firstRun);
}

// A check box, stored as a 1/7 flag. Setting it runs its click rule through
// toggled().
template <typename Apply>
SettingBinding flag(const StoredSetting<bool> &setting, QCheckBox *box, Apply apply)
{
    const QString name = storedName(setting.name);
    const int firstRun = setting.firstRun ? SettingsStore::FlagOn : SettingsStore::FlagOff;
    return {[=](const SettingsStore &store) {
                box->setChecked(store.ReadFlag(SettingSection, name, firstRun));
            },
            [=](SettingsStore &store) { store.WriteFlag(SettingSection, name, box->isChecked()); },
            [=](SearchConditions &c) { apply(c, box->isChecked()); },
            [=](QObject *context, std::function<void()> changed) {
                QObject::connect(box, &QCheckBox::toggled, context, std::move(changed));
            }};
}

// A group of radio buttons, stored as the checked item's number (-1: none).
// A stored number beyond the items picks the last one; below 0, none.
template <typename Apply>
SettingBinding choice(const StoredSetting<int> &setting, QButtonGroup *group, Apply apply)
{
    const QString name = storedName(setting.name);
    return {
        [=](const SettingsStore &store) {
            const int item = store.ReadInteger(SettingSection, name, setting.firstRun);
            if (item >= 0) {
                group->button(std::min(item, int(group->buttons().size()) - 1))->setChecked(true);
                return;
            }
            group->setExclusive(false);
            for (QAbstractButton *button : group->buttons())
                button->setChecked(false);
            group->setExclusive(true);
        },
        [=](SettingsStore &store) { store.WriteInteger(SettingSection, name, group->checkedId()); },
        [=](SearchConditions &c) { apply(c, group->checkedId()); },
        [=](QObject *context, std::function<void()> changed) {
            QObject::connect(group, &QButtonGroup::idToggled, context, std::move(changed));
        }};
}

// A scroll bar position, stored as an integer.
template <typename Apply>
SettingBinding position(const StoredSetting<int> &setting, QScrollBar *bar, Apply apply)
{
    const QString name = storedName(setting.name);
    return {[=](const SettingsStore &store) {
                bar->setValue(store.ReadInteger(SettingSection, name, setting.firstRun));
            },
            [=](SettingsStore &store) { store.WriteInteger(SettingSection, name, bar->value()); },
            [=](SearchConditions &c) { apply(c, bar->value()); },
            [=](QObject *context, std::function<void()> changed) {
                QObject::connect(bar, &QScrollBar::valueChanged, context, std::move(changed));
            }};
}

} // namespace Bind
