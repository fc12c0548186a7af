#pragma once
// Keeps a template's controls in place while the area that holds them grows
// beyond the template's size. Each anchored control follows the edges of the
// area named for it: following both left and right (or top and bottom) it
// stretches, following only the right (or bottom) it moves, and following
// only the left (or top) it stays. Controls without an anchor stay where the
// template put them.

#include <QObject>
#include <QRect>
#include <QSize>

#include <span>
#include <vector>

class QWidget;

namespace korvex::res {

enum AnchorEdge : unsigned {
    kAnchorLeft = 1u << 0,
    kAnchorTop = 1u << 1,
    kAnchorRight = 1u << 2,
    kAnchorBottom = 1u << 3,
};

struct Anchor {
    int controlId;
    unsigned edges;  // AnchorEdge flags
};

class ResizeAnchors final : public QObject {
public:
    // Takes the controls of `area` as they are laid out now, for the
    // template's size, and follows every later resize of `area`.
    ResizeAnchors(QWidget* area, std::span<const Anchor> anchors);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Placed {
        QWidget* control;
        QRect laidOut;
        unsigned edges;
    };

    void Place();

    QWidget* area_;
    QSize templateSize_;
    std::vector<Placed> placed_;
};

} // namespace korvex::res
