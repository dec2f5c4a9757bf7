#include "tformmulti.h"

#include "common/messagebox.h"
#include "common/settingsstore.h"
#include "common/storedwindow.h"
#include "components/extarr.h"
#include "components/stdarr.h"
#include "multilayout.h"
#include "picture/ordereddecoder.h"
#include "picture/pictureloader.h"
#include "tformsetteimulti.h"

#include <QCloseEvent>
#include <QFile>
#include <QMenuBar>
#include <QScrollArea>

namespace {

QPointer<TFormMulti> s_latest;

// The file name of a path: everything after the last separator.
QString fileNameOf(const QByteArray &path)
{
    return QFile::decodeName(path.mid(path.lastIndexOf('/') + 1));
}

OrderedDecoder::Fit fitOf(bool stretch)
{
    return stretch ? OrderedDecoder::Fit::Cover : OrderedDecoder::Fit::Corner;
}

} // namespace

TFormMulti::TFormMulti(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TFormMulti"));
    setWindowTitle(QStringLiteral("マルチテーブル表示"));
    move(63, 62);
    resize(679, 512);

    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QAction *s1 = bar->addAction(QStringLiteral("設定(&S)"));
    s1->setObjectName(QStringLiteral("S1"));
    QAction *c1 = bar->addAction(QStringLiteral("閉じる(&C)"));
    c1->setObjectName(QStringLiteral("C1"));
    connect(s1, &QAction::triggered, this, &TFormMulti::S1Click);
    connect(c1, &QAction::triggered, this, &TFormMulti::C1Click);

    // The cells sit on one client widget; the window scrolls over it.
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("ScrollBox"));
    m_client = new QWidget;
    m_client->setObjectName(QStringLiteral("ClientArea"));
    m_scroll->setWidget(m_client);
    m_scroll->setWidgetResizable(false);
    setCentralWidget(m_scroll);
    buildCells();

    m_decoder = new OrderedDecoder(this);
    connect(m_decoder, &OrderedDecoder::pictureReady, this, &TFormMulti::cellLoaded);
    connect(m_decoder, &OrderedDecoder::failed, this, &TFormMulti::fillFailed);
    connect(m_decoder, &OrderedDecoder::finished, this, &TFormMulti::fillDone);
    m_refresher = new OrderedDecoder(this);
    connect(m_refresher, &OrderedDecoder::pictureReady, this, &TFormMulti::cellRefreshed);

    SettingsStore store;
    readWindowPosition(store, this, QStringLiteral("fmMulti"));
    readWindowSize(store, this, QStringLiteral("fmMulti"));
    ClearMultiTitles();
    s_latest = this;
}

TFormMulti::~TFormMulti() = default;

TFormMulti *TFormMulti::latest()
{
    return s_latest;
}

void TFormMulti::buildCells()
{
    // The window's own description lists its 60 images and 60 labels; the
    // arrays are loaded with them and wire them when loading completes.
    m_arImage = new TArImage(this);
    m_arImage->setObjectName(QStringLiteral("ArImage"));
    m_arLabel = new TArLabel(this);
    m_arLabel->setObjectName(QStringLiteral("ArLabel"));
    m_arImage->beginLoading();
    m_arLabel->beginLoading();
    for (int i = 1; i <= CellCount; ++i) {
        auto *image = new TImageControl(m_client);
        image->setObjectName(QStringLiteral("ArImage1_%1").arg(i));
        auto *label = new TLabelControl(m_client);
        label->setObjectName(QStringLiteral("ArLabel1_%1").arg(i));
        m_arImage->Collection().Add()->Cntrl = image;
        m_arLabel->Collection().Add()->Cntrl = label;
    }
    m_arImage->setNumOfArry(CellCount);
    m_arLabel->setNumOfArry(CellCount);
    m_arImage->setArryParent(m_client);
    m_arLabel->setArryParent(m_client);
    m_arImage->Loaded();
    m_arLabel->Loaded();
}

void TFormMulti::setSettingsDialog(TFormSetteiMulti *dialog)
{
    m_settings = dialog;
    if (dialog != nullptr && dialog->multiWindow() == nullptr)
        dialog->setMultiWindow(this);
}

TFormSetteiMulti *TFormMulti::settingsDialog() const
{
    return m_settings;
}

void TFormMulti::ClearMultiTitles()
{
    for (int i = 0; i < CellCount; ++i) {
        if (QLabel *label = m_arLabel->Label(i))
            label->clear();
    }
}

TFormMulti::LayoutOutcome TFormMulti::LayoutMulti(QWidget *messageParent)
{
    const MultiLayout::Input input =
        m_settings != nullptr ? m_settings->layoutInput() : MultiLayout::Input();
    const MultiLayout::Result layout = MultiLayout::compute(input);
    if (!layout.ok) {
        MessageBox::show(messageParent != nullptr ? messageParent : this, layout.error);
        return layout.error == MultiLayout::tooManyText() ? LayoutOutcome::TooMany
                                                          : LayoutOutcome::NotANumber;
    }
    // A cell narrower (or lower) than a pixel has no area and draws nothing.
    const int width = qMax(layout.imageWidth, 0);
    const int height = qMax(layout.imageHeight, 0);
    for (int i = 0; i < CellCount; ++i) {
        const MultiLayout::Cell &cell = layout.cells[i];
        if (QWidget *image = m_arImage->Element(i))
            image->setGeometry(cell.image.x(), cell.image.y(), width, height);
        if (QWidget *label = m_arLabel->Element(i)) {
            label->setGeometry(cell.label.x(), cell.label.y(), width, layout.titleHeight);
            label->setVisible(layout.titles);
        }
    }
    m_client->resize(layout.extent);
    refreshGrownCells(QSize(layout.imageWidth, layout.imageHeight));
    return LayoutOutcome::Done;
}

void TFormMulti::FillMultiWindow(const QList<QByteArray> &paths, bool stretch)
{
    QList<OrderedDecoder::Job> jobs;
    m_fillTitles.clear();
    m_fillPaths.clear();
    m_refresher->cancel();
    for (const QByteArray &path : paths) {
        if (jobs.size() == CellCount)
            break;
        OrderedDecoder::Job job;
        job.path = path;
        // A GIF takes its cell but loads nothing, unless GIFs are decoded.
        job.skip =
            PictureLoader::extensionOf(path).toLower() == "gif" && !PictureLoader::gifDecoding();
        jobs.append(job);
        m_fillTitles.append(fileNameOf(path));
        m_fillPaths.append(path);
    }
    m_fillStretch = stretch;
    // Decoded to cover the cell as it is now laid out.
    const MultiLayout::Input input =
        m_settings != nullptr ? m_settings->layoutInput() : MultiLayout::Input();
    m_fillBox = QSize(input.size + input.hiritsu, input.size);
    // Unstretched, a cell shows the picture's own pixels from its top-left
    // corner: only that corner is decoded.
    m_decoder->start(jobs, m_fillBox, fitOf(stretch));
}

bool TFormMulti::isFilling() const
{
    return m_decoder->isRunning();
}

void TFormMulti::cellLoaded(int index, const QImage &image)
{
    if (TImageControl *cell = m_arImage->Image(index)) {
        cell->setPicture(image);
        cell->setStretch(m_fillStretch);
        m_cellPaths[size_t(index)] = m_fillPaths.value(index);
        m_cellStretch[size_t(index)] = m_fillStretch;
        // A picture smaller than its box is the whole original already.
        const bool reduced =
            image.width() >= m_fillBox.width() && image.height() >= m_fillBox.height();
        m_cellBoxes[size_t(index)] = reduced ? m_fillBox : QSize();
    }
    if (QLabel *title = m_arLabel->Label(index))
        title->setText(m_fillTitles.value(index));
}

bool TFormMulti::isRefreshing() const
{
    return m_refresher->isRunning();
}

void TFormMulti::refreshGrownCells(QSize box)
{
    // A fill in progress decodes for the new size itself.
    if (m_decoder->isRunning() || box.width() < 1 || box.height() < 1)
        return;
    QList<OrderedDecoder::Job> jobs;
    m_refreshCells.clear();
    // The cells of one fill share their stretch; those of the latest fill
    // are refreshed, older ones stay as they are.
    for (int i = 0; i < CellCount; ++i) {
        const QSize decodedFor = m_cellBoxes[size_t(i)];
        if (decodedFor.isEmpty() || m_cellPaths[size_t(i)].isEmpty() ||
            m_cellStretch[size_t(i)] != m_fillStretch)
            continue;
        if (box.width() <= decodedFor.width() && box.height() <= decodedFor.height())
            continue;
        jobs.append({m_cellPaths[size_t(i)], false});
        m_refreshCells.append(i);
    }
    if (jobs.isEmpty()) {
        m_refresher->cancel();
        return;
    }
    m_refreshBox = box;
    m_refresher->start(jobs, box, fitOf(m_fillStretch));
}

void TFormMulti::cellRefreshed(int job, const QImage &image)
{
    // Only a sharper copy of what the cell shows; a file that fails now
    // leaves the cell as it is.
    const int index = m_refreshCells.value(job, -1);
    TImageControl *cell = m_arImage->Image(index);
    if (cell == nullptr)
        return;
    cell->setPicture(image);
    const bool reduced =
        image.width() >= m_refreshBox.width() && image.height() >= m_refreshBox.height();
    m_cellBoxes[size_t(index)] = reduced ? m_refreshBox : QSize();
}

void TFormMulti::fillFailed(int, const QString &error)
{
    MessageBox::show(isVisible() ? this : parentWidget(), error);
    emit fillFinished(false);
}

void TFormMulti::fillDone()
{
    // A rows or columns text that is no number ends the command here; too
    // many cells only leaves the layout as it was.
    if (LayoutMulti() == LayoutOutcome::NotANumber) {
        emit fillFinished(false);
        return;
    }
    show();
    raise();
    emit fillFinished(true);
}

void TFormMulti::S1Click()
{
    if (m_settings != nullptr) {
        m_settings->show();
        m_settings->raise();
    }
}

void TFormMulti::C1Click()
{
    close();
}

void TFormMulti::closeEvent(QCloseEvent *event)
{
    // Closed while filling: the cells filled so far stay, and the window
    // does not come back by itself when the rest would have been decoded.
    if (m_decoder->isRunning()) {
        m_decoder->cancel();
        emit fillFinished(false);
    }
    m_refresher->cancel();
    SettingsStore store;
    writeWindowGeometry(store, this, QStringLiteral("fmMulti"));
    QMainWindow::closeEvent(event);
}
