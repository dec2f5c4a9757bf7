#include "appwindows.h"

#include "fonts.h"

#include "run/runcontroller.h"

#include "settings/tformselectdir.h"
#include "settings/tformsetting.h"
#include "tformmain.h"
#include "tformversion.h"
#include "viewer/tformmulti.h"
#include "viewer/tformsetteimulti.h"
#include "viewer/tformview.h"

AppWindows::AppWindows() = default;
AppWindows::~AppWindows() = default;

std::unique_ptr<AppWindows> createWindows()
{
    installJapaneseFontSubstitutes();
    auto windows = std::make_unique<AppWindows>();
    windows->m_main = std::make_unique<TFormMain>();
    windows->m_selectDir = std::make_unique<TFormSelectDir>();
    windows->m_view = std::make_unique<TFormView>();
    TFormMain *main = windows->m_main.get();
    windows->m_setting = std::make_unique<TFormSetting>(
        windows->m_selectDir.get(), [main](const ProxyChoice &proxy) { main->applyProxy(proxy); });
    // The runs see every change of the conditions as it is made.
    RunController *run = main->runController();
    run->setConditions(windows->m_setting->conditions());
    QObject::connect(windows->m_setting.get(), &TFormSetting::conditionsChanged, run,
                     &RunController::setConditions);
    windows->m_multi = std::make_unique<TFormMulti>();
    windows->m_setteiMulti = std::make_unique<TFormSetteiMulti>();
    windows->m_version = std::make_unique<TFormVersion>();

    PeerWindows peers;
    peers.selectDir = windows->m_selectDir.get();
    peers.view = windows->m_view.get();
    peers.setting = windows->m_setting.get();
    peers.multi = windows->m_multi.get();
    peers.setteiMulti = windows->m_setteiMulti.get();
    peers.version = windows->m_version.get();
    windows->m_main->setPeers(peers);
    windows->m_main->show();
    return windows;
}
