#pragma once

#include <QLayout>
#include <QRect>
#include <QSize>
#include <functional>
#include <vector>

namespace quelm
{

// Places a window's controls where its design puts them, in twips, scaled
// to the user's font: at the design size each control is exactly where the
// design says; a larger window hands its extra width and height to the
// controls that are anchored to grow or to follow the right or bottom edge.
// The scaled design size is the window's default and smallest size.
class DesignLayout : public QLayout
{
    Q_OBJECT
  public:
    enum Anchor {
        Fixed = 0,
        FollowBottom = 1, // moves down with the bottom edge
        FollowRight = 2,  // moves right with the right edge
        GrowWidth = 4,
        GrowHeight = 8,
    };

    // Scale: the user's font against the design's (1 at the design's).
    DesignLayout(QWidget& Window, QSize DesignTwips, double Scale);
    ~DesignLayout() override;

    // The scale of Window's font against the design's face, never below 1.
    static double FontScale(const QWidget& Window);

    // Pixels for a design's twips at this scale: the design's own rounding
    // at scale 1.
    QRect Pixels(int Left, int Top, int Width, int Height) const;
    int Pixels(int Twips) const;
    double Scale() const { return m_scale; }

    // Puts Control at its design place now, and keeps it anchored.
    void Add(QWidget& Control, QRect Twips, int Anchors = Fixed);
    // Told the room beyond the design size after every placement, for what
    // the anchors do not place (column widths, panels).
    void OnExtra(std::function<void(QSize Extra)> Extra) { m_extra = std::move(Extra); }

    void addItem(QLayoutItem* Item) override;
    QLayoutItem* itemAt(int Index) const override;
    QLayoutItem* takeAt(int Index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& Rect) override;

  private:
    struct Placed {
        QLayoutItem* item;
        QRect twips;
        int anchors;
    };
    std::vector<Placed> m_placed;
    QSize m_designTwips;
    double m_scale;
    std::function<void(QSize)> m_extra;
};

} // namespace quelm
