// Drops on the main window: the run controller's floor decides what a drop
// means; the window starts it as the command line does.
#include "run/droptarget.h"
#include "tformmain.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

void TFormMain::dragEnterEvent(QDragEnterEvent *event)
{
    // Taken whenever it may be an address or a folder; what it is, the drop
    // decides, so a refusal reaches the "Error" log instead of vanishing.
    if (event->mimeData()->hasUrls() || event->mimeData()->hasText())
        event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent *event)
{
    const DropTarget target = DropTarget::of(*event->mimeData());
    event->acceptProposedAction();
    if (target.kind == DropTarget::Kind::None) {
        LogError(target.error);
        return;
    }
    setSearchTarget(target.kind == DropTarget::Kind::Url, target.text);
    BtTansakuClick();
}
