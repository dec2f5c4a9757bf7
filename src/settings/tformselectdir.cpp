#include "tformselectdir.h"

#include "common/settingsstore.h"
#include "common/storedwindow.h"
#include "selectdirmodels.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStorageInfo>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const std::pair<const char16_t *, const char16_t *> Filters[] = {
    {u"Image Files (*.jpg;*.gif;*.bmp)", u"*.jpg;*.gif;*.bmp"},
    {u"JPEG Files (*.jpg)", u"*.jpg"},
    {u"Gif Files (*.gif)", u"*.gif"},
    {u"Bitmap Files (*.bmp)", u"*.bmp"},
    {u"All Files (*.*)", u"*.*"},
};

QListView *makeList(const QString &name, QAbstractItemModel *model, QWidget *parent)
{
    auto *view = new QListView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setUniformItemSizes(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    return view;
}

} // namespace

TFormSelectDir::TFormSelectDir(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormSelectDir"));
    setWindowTitle(QStringLiteral("ディレクトリ選択"));
    setModal(true);
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);
    m_pool.setMaxThreadCount(1);
    m_mask = QString::fromUtf16(Filters[0].second);

    buildControls();
    loadVolumes();
    move(105, 85);
    resize(328, 349);
    enterDirectory(QFile::encodeName(QDir::currentPath()));

    SettingsStore store;
    readWindowPosition(store, this, QStringLiteral("fmSelectDir"));
    readWindowSize(store, this, QStringLiteral("fmSelectDir"));
    const QString stored =
        store.ReadString(WindowSection, QStringLiteral("fmSelectDir.Directory"), QString());
    store.close();
    // A directory that has gone since the last run leaves the list where it is.
    if (!stored.isEmpty())
        setDirectory(stored);
}

TFormSelectDir::~TFormSelectDir()
{
    ++m_generation;
    m_pool.waitForDone();
}

void TFormSelectDir::buildControls()
{
    m_dirModel = new DirectoryLinesModel(this);
    m_fileModel = new FileNamesModel(this);

    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    (new QVBoxLayout(this))->addWidget(panel);
    layout()->setContentsMargins(0, 0, 0, 0);

    auto *label1 = new QLabel(QStringLiteral("＜対象ディレクトリ＞"), panel);
    label1->setObjectName(QStringLiteral("Label1"));
    auto *label2 = new QLabel(QStringLiteral("＜ファイル＞"), panel);
    label2->setObjectName(QStringLiteral("Label2"));

    m_directoryList = makeList(QStringLiteral("DirectoryListBox1"), m_dirModel, panel);
    m_directoryList->setItemDelegate(new DirectoryLineDelegate(m_directoryList));
    m_fileList = makeList(QStringLiteral("FileListBox1"), m_fileModel, panel);

    m_driveCombo = new QComboBox(panel);
    m_driveCombo->setObjectName(QStringLiteral("DriveComboBox1"));
    m_fileEdit = new QLineEdit(m_mask, panel);
    m_fileEdit->setObjectName(QStringLiteral("FileEdit"));
    m_filterCombo = new QComboBox(panel);
    m_filterCombo->setObjectName(QStringLiteral("FilterComboBox1"));
    // The combo boxes take the column's width, not that of their longest entry.
    for (QComboBox *combo : {m_driveCombo, m_filterCombo}) {
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(6);
    }
    for (const auto &[text, mask] : Filters)
        m_filterCombo->addItem(QString::fromUtf16(text), QString::fromUtf16(mask));

    auto *button2 = new QPushButton(QStringLiteral("閉じる(&C)"), panel);
    button2->setObjectName(QStringLiteral("Button2"));
    auto *button1 = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), panel);
    button1->setObjectName(QStringLiteral("Button1"));
    // Enter opens a directory line; it must not end the dialog as well.
    for (QPushButton *button : {button2, button1}) {
        button->setAutoDefault(false);
        button->setFixedSize(75, 25);
    }

    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(label2, 0, 1);
    grid->addWidget(m_directoryList, 1, 0, 2, 1);
    grid->addWidget(m_fileEdit, 1, 1);
    grid->addWidget(m_fileList, 2, 1);
    grid->addWidget(m_driveCombo, 3, 0);
    grid->addWidget(m_filterCombo, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(button2);
    buttons->addSpacing(40);
    buttons->addWidget(button1);
    buttons->addStretch(1);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);

    connect(button2, &QPushButton::clicked, this, [this] { done(1); });
    connect(button1, &QPushButton::clicked, this, [this] { done(2); });
    connect(m_directoryList, &QListView::activated, this,
            [this](const QModelIndex &index) { directoryActivated(index.row()); });
    connect(m_driveCombo, &QComboBox::activated, this, &TFormSelectDir::driveChosen);
    connect(m_filterCombo, &QComboBox::currentIndexChanged, this, &TFormSelectDir::filterChosen);
    connect(m_fileList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &index) { fileSelected(index.row()); });
}

void TFormSelectDir::loadVolumes()
{
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QByteArray root = QFile::encodeName(volume.rootPath());
        if (volume.isValid() && volume.isReady() && canEnterDirectory(root) &&
            !m_volumes.contains(root))
            m_volumes.append(root);
    }
    if (!m_volumes.contains("/"))
        m_volumes.append("/");
    std::sort(m_volumes.begin(), m_volumes.end());
    for (const QByteArray &root : std::as_const(m_volumes))
        m_driveCombo->addItem(QFile::decodeName(root));
}

QString TFormSelectDir::directory() const
{
    return QFile::decodeName(m_dirModel->current());
}

bool TFormSelectDir::setDirectory(const QString &path)
{
    return !path.isEmpty() && enterDirectory(QFile::encodeName(path));
}

bool TFormSelectDir::enterDirectory(const QByteArray &path)
{
    const QByteArray clean = cleanDirectoryPath(path);
    if (!canEnterDirectory(clean))
        return false;
    m_dirModel->setCurrent(clean);
    m_directoryList->setCurrentIndex(m_dirModel->index(m_dirModel->currentRow()));
    m_volumeDirectory.insert(volumeOf(clean), clean);
    syncDriveCombo();
    startListing();
    return true;
}

void TFormSelectDir::startListing()
{
    const quint64 generation = ++m_generation;
    m_allFiles = NameList();
    m_fileModel->setNames(NameList());
    m_received = false;
    // A hidden dialog reads nothing: showing it reads the directory afresh.
    m_listing = isVisible();
    if (!m_listing)
        return;
    const QByteArray path = m_dirModel->current();
    const QString mask = m_mask;
    m_pool.start([this, path, mask, generation] {
        DirectoryListing listing =
            readDirectory(path, [this, generation] { return m_generation != generation; });
        if (m_generation != generation)
            return;
        const NameList shown = listing.files.filtered(FileMask(mask));
        QMetaObject::invokeMethod(
            this,
            [this, generation, listing = std::move(listing), shown, mask] {
                // The mask may have changed while the directory was read.
                receiveListing(generation, listing,
                               mask == m_mask ? shown : listing.files.filtered(FileMask(m_mask)));
            },
            Qt::QueuedConnection);
    });
}

void TFormSelectDir::receiveListing(quint64 generation, const DirectoryListing &listing,
                                    const NameList &shown)
{
    if (generation != m_generation)
        return;
    m_received = true;
    m_dirModel->setSubdirectories(listing.directories);
    m_directoryList->setCurrentIndex(m_dirModel->index(m_dirModel->currentRow()));
    m_allFiles = listing.files;
    m_fileModel->setNames(shown);
    m_listing = false;
    emit listingFinished();
}

QByteArray TFormSelectDir::volumeOf(const QByteArray &path) const
{
    QByteArray best("/");
    for (const QByteArray &root : m_volumes) {
        if (root.size() > best.size() && (path == root || path.startsWith(QByteArray(root + '/'))))
            best = root;
    }
    return best;
}

void TFormSelectDir::syncDriveCombo()
{
    const QSignalBlocker blocker(m_driveCombo);
    m_driveCombo->setCurrentIndex(int(m_volumes.indexOf(volumeOf(m_dirModel->current()))));
}

void TFormSelectDir::directoryActivated(int row)
{
    const QByteArray path = m_dirModel->pathAt(row);
    if (!path.isEmpty() && path != m_dirModel->current())
        enterDirectory(path);
}

void TFormSelectDir::driveChosen(int index)
{
    if (index < 0 || index >= m_volumes.size())
        return;
    const QByteArray root = m_volumes[index];
    // Each volume keeps the directory last visited on it.
    if (!enterDirectory(m_volumeDirectory.value(root, root)) && !enterDirectory(root))
        syncDriveCombo();
}

void TFormSelectDir::filterChosen(int index)
{
    m_mask = m_filterCombo->itemData(index).toString();
    m_fileEdit->setText(m_mask);
    // While the directory is still being read, its arrival applies the mask.
    if (m_received)
        m_fileModel->setNames(m_allFiles.filtered(FileMask(m_mask)));
}

void TFormSelectDir::fileSelected(int row)
{
    const QModelIndex index = m_fileModel->index(row);
    if (index.isValid())
        m_fileEdit->setText(index.data().toString());
}

void TFormSelectDir::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    startListing();
}

void TFormSelectDir::done(int result)
{
    SettingsStore store;
    writeWindowGeometry(store, this, QStringLiteral("fmSelectDir"));
    store.WriteString(WindowSection, QStringLiteral("fmSelectDir.Directory"), directory());
    store.close();
    QDialog::done(result == 1 ? 1 : 2);
}
