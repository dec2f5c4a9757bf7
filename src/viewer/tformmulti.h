#pragma once

#include <QMainWindow>
#include <QPointer>

#include <array>

class OrderedDecoder;
class QAction;
class QScrollArea;
class TArImage;
class TArLabel;
class TFormSetteiMulti;

// The multi-image grid window: 60 cells, each an image with its file name
// underneath, placed by the values of the layout dialog.
class TFormMulti : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int CellCount = 60;

    explicit TFormMulti(QWidget *parent = nullptr);
    ~TFormMulti() override;

    // The window created last in this process (the dialog pairs with it).
    static TFormMulti *latest();

    TArImage *arImage() const { return m_arImage; }
    TArLabel *arLabel() const { return m_arLabel; }
    QWidget *clientArea() const { return m_client; }

    void setSettingsDialog(TFormSetteiMulti *dialog);
    TFormSetteiMulti *settingsDialog() const;

    // Loads the pictures into cells 0, 1, ... in order (at most 60; a GIF
    // takes its cell and loads nothing), then lays out and shows the window.
    // Decoding runs off the UI thread; the cells fill in order. The first file
    // that cannot be loaded stops the fill with its message; the cells before
    // it keep their new pictures and the window is neither laid out nor shown.
    void FillMultiWindow(const QList<QByteArray> &paths, bool stretch);
    bool isFilling() const;
    // Cells laid out larger than their pictures were decoded for are decoded
    // again in the background; true while that runs.
    bool isRefreshing() const;

    enum class LayoutOutcome { Done, TooMany, NotANumber };
    // Places all 60 cells from the layout dialog's current values.
    LayoutOutcome LayoutMulti(QWidget *messageParent = nullptr);
    void ClearMultiTitles();

    void S1Click();
    void C1Click();

signals:
    // A fill has ended: shown, or stopped by a file that could not be loaded.
    void fillFinished(bool shown);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildCells();
    void cellLoaded(int index, const QImage &image);
    void fillFailed(int index, const QString &error);
    void fillDone();
    void refreshGrownCells(QSize box);
    void cellRefreshed(int job, const QImage &image);

    QScrollArea *m_scroll = nullptr;
    QWidget *m_client = nullptr;
    TArImage *m_arImage = nullptr;
    TArLabel *m_arLabel = nullptr;
    OrderedDecoder *m_decoder = nullptr;
    QPointer<TFormSetteiMulti> m_settings;
    OrderedDecoder *m_refresher = nullptr;
    QStringList m_fillTitles;
    QList<QByteArray> m_fillPaths;
    QSize m_fillBox;
    QSize m_refreshBox;
    bool m_fillStretch = true;
    // What each cell shows: its file and the box it was decoded to cover.
    std::array<QByteArray, 60> m_cellPaths;
    std::array<QSize, 60> m_cellBoxes;
    std::array<bool, 60> m_cellStretch{};
    QList<int> m_refreshCells; // cell of each refresh job
};
