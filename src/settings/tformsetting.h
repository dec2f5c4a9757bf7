#pragma once

#include <QMainWindow>

class QTabWidget;
class QLineEdit;

// The search-condition settings dialog. It is not modal, and it is the live
// holder of the search conditions: other windows read its controls through
// the accessors below at the moment they need a value.
class TFormSetting : public QMainWindow
{
    Q_OBJECT
public:
    explicit TFormSetting(QWidget *parent = nullptr);

    // Shows the dialog with the named tab ("TabWWW", "TabHD", ...) in front.
    void showOnTab(const QString &tabName);

    QString startURL() const;
    void setStartDirectory(const QString &directory);
    QString startDirectory() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void readStoredValues();
    void writeStoredValues();

    QTabWidget *m_tabs;
    QLineEdit *m_editStartURL;
    QLineEdit *m_editStart;
};
