#include "DesignLayout.h"

#include <QFontInfo>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace quelm
{

namespace
{

// The design's face: the desktop's default of 9 points, 12 pixels at 96 dpi.
constexpr double kDesignFontPixels = 12;

} // namespace

DesignLayout::DesignLayout(QWidget& Window, QSize DesignTwips, double Scale)
    : QLayout(&Window), m_designTwips(DesignTwips), m_scale(Scale)
{
    setContentsMargins(0, 0, 0, 0);
    setSizeConstraint(QLayout::SetMinimumSize);
    Window.resize(minimumSize());
}

DesignLayout::~DesignLayout()
{
    for (const Placed& placed : m_placed) {
        delete placed.item;
    }
}

double DesignLayout::FontScale(const QWidget& Window)
{
    // Pixels, not points: a higher screen resolution counts as a larger font.
    return std::max(1.0, QFontInfo(Window.font()).pixelSize() / kDesignFontPixels);
}

int DesignLayout::Pixels(int Twips) const
{
    return static_cast<int>(std::floor(Twips * m_scale / 15));
}

QRect DesignLayout::Pixels(int Left, int Top, int Width, int Height) const
{
    // Sizes round up from half a pixel, places down, as the design did.
    auto size = [this](int Twips) { return static_cast<int>(std::floor((Twips * m_scale + 7) / 15)); };
    return {Pixels(Left), Pixels(Top), size(Width), size(Height)};
}

void DesignLayout::Add(QWidget& Control, QRect Twips, int Anchors)
{
    addChildWidget(&Control);
    m_placed.push_back({new QWidgetItem(&Control), Twips, Anchors});
    Control.setGeometry(Pixels(Twips.x(), Twips.y(), Twips.width(), Twips.height()));
    invalidate();
}

void DesignLayout::addItem(QLayoutItem* Item)
{
    m_placed.push_back({Item, QRect(), Fixed});
}

QLayoutItem* DesignLayout::itemAt(int Index) const
{
    return Index >= 0 && Index < count() ? m_placed[static_cast<std::size_t>(Index)].item : nullptr;
}

QLayoutItem* DesignLayout::takeAt(int Index)
{
    if (Index < 0 || Index >= count()) {
        return nullptr;
    }
    QLayoutItem* item = m_placed[static_cast<std::size_t>(Index)].item;
    m_placed.erase(m_placed.begin() + Index);
    return item;
}

int DesignLayout::count() const
{
    return static_cast<int>(m_placed.size());
}

QSize DesignLayout::sizeHint() const
{
    return minimumSize();
}

QSize DesignLayout::minimumSize() const
{
    return {Pixels(m_designTwips.width()), Pixels(m_designTwips.height())};
}

void DesignLayout::setGeometry(const QRect& Rect)
{
    QLayout::setGeometry(Rect);
    const QSize extra = (Rect.size() - minimumSize()).expandedTo(QSize(0, 0));
    for (const Placed& placed : m_placed) {
        QWidget* control = placed.item->widget();
        if (control == nullptr || placed.twips.isNull()) {
            continue;
        }
        const QRect& t = placed.twips;
        QRect where = Pixels(t.x(), t.y(), t.width(), t.height());
        where.translate(Rect.topLeft()); // below the window's menu bar
        where.translate((placed.anchors & FollowRight) != 0 ? extra.width() : 0,
                        (placed.anchors & FollowBottom) != 0 ? extra.height() : 0);
        where.setSize(where.size() + QSize((placed.anchors & GrowWidth) != 0 ? extra.width() : 0,
                                           (placed.anchors & GrowHeight) != 0 ? extra.height() : 0));
        // Straight onto the widget: a layout item would bend the place to
        // the widget's size hints.
        control->setGeometry(where);
    }
    if (m_extra) {
        m_extra(extra);
    }
}

} // namespace quelm
