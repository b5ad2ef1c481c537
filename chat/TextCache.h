#pragma once
// Lists of words that draw each word's laid-out text again instead of laying
// it out anew. Qt's item style shapes every visible line at every paint; the
// board's word lists hold the same few hundred words for a whole turn and are
// all repainted at each step of a window resize.

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

namespace faces
{

// Draws a plain line of text exactly as QStyledItemDelegate does; anything
// else (icons, check boxes, selection, wrapping, eliding) is left to it.
class CachedTextDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const QStaticText& laidOut(const QString& text, const QFont& font) const;

    mutable QFont m_font;
    mutable QHash<QString, QStaticText> m_texts;
};

} // namespace faces
