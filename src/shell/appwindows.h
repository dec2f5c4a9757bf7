#pragma once

#include <memory>

class TFormMain;
class TFormSelectDir;
class TFormView;
class TFormSetting;
class TFormMulti;
class TFormSetteiMulti;
class TFormVersion;

// Owner of every window of one run of the program. Destroying it frees the
// windows without writing any stored value (only closing a window does).
class AppWindows
{
public:
    AppWindows();
    ~AppWindows();
    AppWindows(const AppWindows &) = delete;
    AppWindows &operator=(const AppWindows &) = delete;

    TFormMain *main() const { return m_main.get(); }
    TFormSelectDir *selectDir() const { return m_selectDir.get(); }
    TFormView *view() const { return m_view.get(); }
    TFormSetting *setting() const { return m_setting.get(); }
    TFormMulti *multi() const { return m_multi.get(); }
    TFormSetteiMulti *setteiMulti() const { return m_setteiMulti.get(); }
    TFormVersion *version() const { return m_version.get(); }

private:
    friend std::unique_ptr<AppWindows> createWindows();
    // Members are destroyed in reverse order: the main window last.
    std::unique_ptr<TFormMain> m_main;
    std::unique_ptr<TFormSelectDir> m_selectDir;
    std::unique_ptr<TFormView> m_view;
    std::unique_ptr<TFormSetting> m_setting;
    std::unique_ptr<TFormMulti> m_multi;
    std::unique_ptr<TFormSetteiMulti> m_setteiMulti;
    std::unique_ptr<TFormVersion> m_version;
};

// Creates the seven windows hidden, in start-up order, each restoring its
// stored values, then shows the main window.
std::unique_ptr<AppWindows> createWindows();
