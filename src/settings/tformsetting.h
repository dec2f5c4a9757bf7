#pragma once

#include "common/searchconditions.h"
#include "settingbinding.h"

#include <QMainWindow>

#include <functional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTabWidget;
class QVBoxLayout;
class TFormSelectDir;

// The search-condition settings dialog. It is not modal, and it is the live
// holder of the search conditions: each change of a control is handed on at
// once as one value (conditionsChanged), so that nobody reads its widgets.
// Every stored setting is bound once to its control (bindSettings), and that
// table drives reading, writing and the conditions alike.
class TFormSetting : public QMainWindow
{
    Q_OBJECT
public:
    // Receives the proxy each time the dialog applies it; the owner of the
    // HTTP controls hands it on to HTTP0 ... HTTP6.
    using ProxySink = std::function<void(const ProxyChoice &)>;

    // `chooser` serves the two directory buttons.
    TFormSetting(TFormSelectDir *chooser, ProxySink proxySink, QWidget *parent = nullptr);

    // Shows the dialog with the named tab ("TabWWW", "TabHD", ...) in front.
    void showOnTab(const QString &tabName);

    // The conditions as the controls hold them now.
    const SearchConditions &conditions() const { return m_conditions; }
    // The directory command of the main window fills EditStart.
    void setStartDirectory(const QString &directory);

    // The program-wide proxy flag: CheckProxy's state as last applied or clicked.
    bool proxyInUse() const { return m_proxyInUse; }

    // Hands the proxy settings to the sink. False (after the message) when
    // the port is not an integer from 0 to 65535; nothing is handed on then.
    bool ApplyProxySettings();

    // What the controls show, as a user reads them across a restart.
    QString startURL() const;
    int radioKekkaWWW() const;
    QString editMaxImage() const;
    QString editMaxURL() const;
    int scrollSpeed() const;
    QString startDirectory() const;
    int radioKekka() const;
    bool checkJPEG() const;
    bool checkGIF() const;
    bool checkBMP() const;
    bool checkSize() const;
    QString editMinSize() const;
    QString editDirectory() const;

signals:
    void conditionsChanged(const SearchConditions &conditions);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // tformsetting_layout.cpp
    void buildMenuAndStatus();
    QWidget *buildTabWWW();
    QWidget *buildTabHD();
    QWidget *buildTabGazou();
    QWidget *buildTabNetwork();
    // tformsetting_extra.cpp
    QWidget *buildTabExtra();
    // A group of the tab "拡張設定", placed below the groups before it.
    QGroupBox *addExtraGroup(const QString &title);
    QList<QCheckBox *> modernWebBoxes() const;
    void CheckModernWebClick();
    void showModernWebState();
    // tformsetting_polite.cpp
    void buildPoliteGroup();
    void connectRules();
    // tformsetting_record.cpp
    void buildRecordGroup();

    // tformsetting.cpp
    void bindSettings();
    void conditionsEdited();
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
    ProxySink m_proxySink;
    bool m_proxyInUse = false;
    // In the order the settings are written.
    std::vector<SettingBinding> m_bindings;
    SearchConditions m_conditions;

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

    // TabExtra (拡張設定)
    QWidget *m_extraPage = nullptr;
    QVBoxLayout *m_extraLayout = nullptr;
    QCheckBox *m_checkModernWeb = nullptr;
    QCheckBox *m_checkPNG = nullptr;
    QCheckBox *m_checkWebP = nullptr;
    QCheckBox *m_checkAVIF = nullptr;
    QCheckBox *m_checkJpegAlias = nullptr;
    QCheckBox *m_checkQueryType = nullptr;
    QCheckBox *m_checkContentType = nullptr;
    QCheckBox *m_checkSrcset = nullptr;
    QCheckBox *m_checkCssImage = nullptr;
    QCheckBox *m_checkMetaImage = nullptr;
    QCheckBox *m_checkMagic = nullptr;
    QCheckBox *m_checkPixelSize = nullptr;
    QLineEdit *m_editMinWidth = nullptr;
    QLineEdit *m_editMinHeight = nullptr;
    QCheckBox *m_checkGifShow = nullptr;
    // 礼儀と接続
    QCheckBox *m_checkReferer = nullptr;
    QLineEdit *m_editHostInterval = nullptr;
    QCheckBox *m_checkRetryLater = nullptr;
    QCheckBox *m_checkRobots = nullptr;
    QCheckBox *m_checkBrowserCookies = nullptr;
    // 保存の記録
    QCheckBox *m_checkRecord = nullptr;
    QLineEdit *m_editRecordName = nullptr;
    QCheckBox *m_checkSkipSaved = nullptr;
    QCheckBox *m_checkSameContent = nullptr;
    QCheckBox *m_checkContinueNumbers = nullptr;
    QCheckBox *m_checkOrientation = nullptr;
    QCheckBox *m_checkThumbCache = nullptr;
};
