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

    // Live values of the search conditions, read at the moment of use.
    bool checkJPEG() const { return true; }
    bool checkGIF() const { return false; }
    bool checkBMP() const { return false; }
    int radioKekka() const { return 0; }
    int radioKekkaWWW() const { return 0; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void readStoredValues();
    void writeStoredValues();

    QTabWidget *m_tabs;
    QLineEdit *m_editStartURL;
    QLineEdit *m_editStart;
};
