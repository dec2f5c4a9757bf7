#pragma once

#include <QList>
#include <QMainWindow>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTabWidget;
class TFormSelectDir;
class THTTP;

// The search-condition settings dialog. It is not modal, and it is the live
// holder of the search conditions: other windows read its controls through
// the accessors below at the moment they need a value.
class TFormSetting : public QMainWindow
{
    Q_OBJECT
public:
    // `chooser` serves the two directory buttons; `httpControls` are the main
    // window's HTTP0 ... HTTP6, which receive the proxy settings.
    TFormSetting(TFormSelectDir *chooser, const QList<THTTP *> &httpControls,
                 QWidget *parent = nullptr);
    explicit TFormSetting(QWidget *parent = nullptr);

    // Shows the dialog with the named tab ("TabWWW", "TabHD", ...) in front.
    void showOnTab(const QString &tabName);

    // Live values of the search conditions, read at the moment of use.
    QString startURL() const;
    int radioKekkaWWW() const;
    QString editMaxImage() const;
    QString editMaxURL() const;
    QString editUchikiri() const;
    int scrollSpeed() const;
    void setStartDirectory(const QString &directory);
    QString startDirectory() const;
    int radioKekka() const;
    bool checkJPEG() const;
    bool checkGIF() const;
    bool checkBMP() const;
    bool checkFileSave() const;
    QString editDirectory() const;
    bool checkSize() const;
    QString editMinSize() const;
    QString editMaxSize() const;
    bool checkHiritsu() const;
    QString editHiritsu() const;
    bool checkProxy() const;
    QString editIPAddress() const;
    QString editPort() const;

    // The program-wide proxy flag: CheckProxy's state as last applied or clicked.
    bool proxyInUse() const { return m_proxyInUse; }

    // Hands the proxy settings to HTTP0 ... HTTP6. False (after the message)
    // when the port is not an integer; no control is changed then.
    bool ApplyProxySettings();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // tformsetting_layout.cpp
    void buildMenuAndStatus();
    QWidget *buildTabWWW();
    QWidget *buildTabHD();
    QWidget *buildTabGazou();
    QWidget *buildTabNetwork();
    void connectRules();

    // tformsetting.cpp
    void readStoredValues();
    void writeStoredValues();
    void InitDialogState();
    void CheckGaibuClick();
    void CheckFileSaveClick();
    void CheckDBSaveClick();
    void CheckProxyClick();
    void CheckSizeClick();
    void Button3Click();
    void Button4Click();
    void Button6Click();
    void Button7Click();
    void setStatusText(const QString &text);

    TFormSelectDir *m_chooser = nullptr;
    QList<THTTP *> m_http;
    bool m_proxyInUse = false;

    QTabWidget *m_tabs = nullptr;
    QLabel *m_status = nullptr;

    // TabWWW
    QLineEdit *m_editStartURL = nullptr;
    QButtonGroup *m_radioKekkaWWW = nullptr;
    QLineEdit *m_editMaxImage = nullptr;
    QLineEdit *m_editMaxURL = nullptr;
    QLineEdit *m_editUchikiri = nullptr;
    QCheckBox *m_checkGaibu = nullptr;
    QCheckBox *m_checkLinkMax = nullptr;
    QLineEdit *m_editLinkMax = nullptr;
    QScrollBar *m_scrollSpeed = nullptr;
    QLabel *m_labelSpeed = nullptr;

    // TabHD
    QLineEdit *m_editStart = nullptr;
    QPushButton *m_button3 = nullptr;
    QButtonGroup *m_radioKekka = nullptr;

    // TabGazou
    QCheckBox *m_checkFileSave = nullptr;
    QGroupBox *m_groupDirectory = nullptr;
    QLineEdit *m_editDirectory = nullptr;
    QPushButton *m_button4 = nullptr;
    QPushButton *m_button7 = nullptr;
    QCheckBox *m_checkDBSave = nullptr;
    QGroupBox *m_groupDB = nullptr;
    QCheckBox *m_checkJPEG = nullptr;
    QCheckBox *m_checkGIF = nullptr;
    QCheckBox *m_checkBMP = nullptr;
    QCheckBox *m_checkSize = nullptr;
    QGroupBox *m_groupSize = nullptr;
    QLineEdit *m_editMinSize = nullptr;
    QLineEdit *m_editMaxSize = nullptr;
    QCheckBox *m_checkHiritsu = nullptr;
    QGroupBox *m_groupHiritsu = nullptr;
    QLineEdit *m_editHiritsu = nullptr;

    // TabNetwork
    QCheckBox *m_checkProxy = nullptr;
    QLabel *m_labelIP = nullptr;
    QLineEdit *m_editIPAddress = nullptr;
    QLabel *m_labelPort = nullptr;
    QLineEdit *m_editPort = nullptr;
    QPushButton *m_button6 = nullptr;
    QGroupBox *m_groupHr = nullptr;
    QLineEdit *m_editHeight = nullptr;
    QLineEdit *m_editWidth = nullptr;
};
