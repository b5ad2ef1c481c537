#include "TextCache.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace faces
{

namespace
{
// Words of a game are few; a list fed something else must not grow without end.
constexpr int kMaxTexts = 4096;

bool plainLine(const QStyleOptionViewItem& o)
{
    constexpr auto others = QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasCheckIndicator
        | QStyleOptionViewItem::WrapText | QStyleOptionViewItem::HasDisplay;
    return (o.features & others) == QStyleOptionViewItem::HasDisplay && !(o.state & QStyle::State_Selected)
        && !(o.state & QStyle::State_HasFocus) && o.backgroundBrush.style() == Qt::NoBrush
        && !o.text.contains(QChar::LineSeparator) && !o.text.contains(QLatin1Char('\n'));
}
} // namespace

const QStaticText& CachedTextDelegate::laidOut(const QString& text, const QFont& font) const
{
    if (font != m_font || m_texts.size() >= kMaxTexts) {
        m_texts.clear();
        m_font = font;
    }
    auto it = m_texts.find(text);
    if (it == m_texts.end()) {
        QStaticText laid(text);
        laid.setTextFormat(Qt::PlainText);
        QTextOption wraps;
        wraps.setWrapMode(QTextOption::ManualWrap);
        laid.setTextOption(wraps);
        // In this font; laid out again at its first drawing if the painter
        // scales (a screen's pixel ratio), and then kept for that scale.
        laid.prepare(QTransform(), font);
        it = m_texts.insert(text, laid);
    }
    return *it;
}

void CachedTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem o = option;
    initStyleOption(&o, index);
    const QWidget* widget = o.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const QStaticText* text = plainLine(o) && o.direction == Qt::LeftToRight ? &laidOut(o.text, o.font) : nullptr;
    // The same margin and place as the item style's own text.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect room = o.rect.adjusted(margin, 0, -margin, 0);
    if (!text || (o.textElideMode != Qt::ElideNone && text->size().width() > room.width())) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    o.text.clear();
    o.features &= ~QStyleOptionViewItem::HasDisplay;
    style->drawControl(QStyle::CE_ItemViewItem, &o, painter, widget);

    const QPalette::ColorGroup group = !(o.state & QStyle::State_Enabled) ? QPalette::Disabled
        : (o.state & QStyle::State_Active)                               ? QPalette::Normal
                                                                           : QPalette::Inactive;
    const QRect place = QStyle::alignedRect(o.direction, o.displayAlignment, text->size().toSize(), room);
    painter->save();
    painter->setClipRect(o.rect, Qt::IntersectClip);
    painter->setPen(o.palette.color(group, QPalette::Text));
    painter->setFont(o.font);
    painter->drawStaticText(place.topLeft(), *text);
    painter->restore();
}

} // namespace faces
