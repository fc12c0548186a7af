#include "res/ResizeAnchors.h"

#include "res/DialogTemplate.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

namespace korvex::res {
namespace {

// One direction of a rectangle: where it starts and how long it is.
struct Span {
    int start;
    int length;
};

Span Follow(Span laidOut, bool nearEdge, bool farEdge, int growth)
{
    if (nearEdge && farEdge)
        return {laidOut.start, laidOut.length + growth};
    if (farEdge)
        return {laidOut.start + growth, laidOut.length};
    return laidOut;
}

// Where a control laid out at `laidOut` for an area of the template's size
// belongs once the area has grown by `growth`.
QRect AnchoredGeometry(const QRect& laidOut, unsigned edges, QSize growth)
{
    const Span x = Follow({laidOut.x(), laidOut.width()}, edges & kAnchorLeft, edges & kAnchorRight,
                          std::max(growth.width(), 0));
    const Span y = Follow({laidOut.y(), laidOut.height()}, edges & kAnchorTop, edges & kAnchorBottom,
                          std::max(growth.height(), 0));
    return QRect(x.start, y.start, x.length, y.length);
}

} // namespace

ResizeAnchors::ResizeAnchors(QWidget* area, std::span<const Anchor> anchors)
    : QObject(area), area_(area), templateSize_(area->size())
{
    for (const Anchor& anchor : anchors) {
        if (QWidget* control = FindControl<QWidget>(area, anchor.controlId))
            placed_.push_back({control, control->geometry(), anchor.edges});
    }
    area->installEventFilter(this);
}

bool ResizeAnchors::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == area_ && event->type() == QEvent::Resize)
        Place();
    return false;
}

void ResizeAnchors::Place()
{
    const QSize growth = area_->size() - templateSize_;
    for (const Placed& p : placed_)
        p.control->setGeometry(AnchoredGeometry(p.laidOut, p.edges, growth));
}

} // namespace korvex::res
