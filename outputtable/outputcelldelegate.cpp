// SPDX-License-Identifier: MIT
#include "outputcelldelegate.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QStringView>
#include <QStyle>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Enough for every line of a full window several times over; past it the cache starts
// afresh rather than growing with the session.
constexpr qsizetype MAX_CACHED_LINES = 4096;

const QStyle *styleOf(const QWidget *widget)
{
    return widget != nullptr ? widget->style() : QApplication::style();
}

int textMargin(const QWidget *widget)
{
    return styleOf(widget)->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
}

// The start of line `line` (0-based) of `text`, or -1 when it has fewer lines.
qsizetype lineStart(QStringView text, qsizetype line)
{
    qsizetype pos = 0;
    for (qsizetype i = 0; i < line; ++i) {
        pos = text.indexOf(u'\n', pos);
        if (pos < 0)
            return -1;
        ++pos;
    }
    return pos;
}

QPalette::ColorGroup colorGroup(const QStyleOptionViewItem &option)
{
    if (!(option.state & QStyle::State_Enabled))
        return QPalette::Disabled;
    return (option.state & QStyle::State_Active) ? QPalette::Normal : QPalette::Inactive;
}

QStaticText prepared(const QString &text, const QFont &font)
{
    QStaticText result(text);
    result.setTextFormat(Qt::PlainText);
    result.prepare(QTransform(), font);
    return result;
}

} // namespace

OutputCellDelegate::OutputCellDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
    , m_fixedFont(QFontDatabase::systemFont(QFontDatabase::FixedFont))
{}

int OutputCellDelegate::linePitch(const QFont &font)
{
    // Lines are drawn at whole pixels, where the rounded metrics may need more than the
    // exact ones (17 px a line where the exact height is 16.5): a line gets the larger.
    return std::max(QFontMetrics(font).lineSpacing(),
                    int(std::ceil(QFontMetricsF(font).lineSpacing())));
}

int OutputCellDelegate::textHeight(qsizetype lines, const QFont &font)
{
    const qint64 height = qint64(std::max<qsizetype>(lines, 1)) * linePitch(font);
    return int(std::min<qint64>(height, std::numeric_limits<int>::max()));
}

int OutputCellDelegate::cellWidth(const QString &text, const QFont &font,
                                  const QWidget *widget) const
{
    return int(std::ceil(line(text, font).width)) + 2 * textMargin(widget);
}

QString OutputCellDelegate::displayText(const QVariant &value, const QLocale & /*locale*/) const
{
    // The text as stored: the base class would copy it on every paint to turn line feeds
    // into line separators.
    return value.toString();
}

OutputCellDelegate::SLine &OutputCellDelegate::line(const QString &text, const QFont &font) const
{
    auto it = m_lines.find(text);
    if (it != m_lines.end() && it->font == font)
        return *it;
    if (m_lines.size() >= MAX_CACHED_LINES)
        m_lines.clear();
    SLine entry;
    entry.font = font;
    entry.text = prepared(text, font);
    entry.width = entry.text.size().width();
    return *m_lines.insert(text, entry);
}

void OutputCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget *widget = opt.widget;
    // Background, selection and focus frame as the style draws them; the text follows.
    styleOf(widget)->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    if (text.isEmpty())
        return;

    const int margin = textMargin(widget);
    const QRect textRect = opt.rect.adjusted(margin, 0, -margin, 0);
    QRectF area = painter->worldTransform().inverted().mapRect(QRectF(painter->window()));
    if (painter->hasClipping())
        area &= painter->clipBoundingRect();
    area &= QRectF(textRect);
    if (area.isEmpty())
        return;

    const int lineHeight = linePitch(opt.font);
    const auto first =
        std::max<qsizetype>(0, qsizetype(std::floor((area.top() - textRect.top()) / lineHeight)));
    const auto last = qsizetype(std::floor((area.bottom() - textRect.top()) / lineHeight));
    const QStringView view(text);
    qsizetype pos = lineStart(view, first);
    if (pos < 0)
        return;

    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(colorGroup(opt), (opt.state & QStyle::State_Selected)
                                                           ? QPalette::HighlightedText
                                                           : QPalette::Text));
    painter->setClipRect(textRect, Qt::IntersectClip);
    for (qsizetype row = first; row <= last && pos >= 0; ++row) {
        const qsizetype end = view.indexOf(u'\n', pos);
        SLine &entry = line(view.mid(pos, end < 0 ? -1 : end - pos).toString(), opt.font);
        const QPointF topLeft(textRect.left(), qreal(textRect.top() + row * lineHeight));
        if (entry.width <= textRect.width()) {
            painter->drawStaticText(topLeft, entry.text);
        } else {
            if (entry.elidedFor != textRect.width()) {
                const QString shown = QFontMetricsF(opt.font).elidedText(
                    entry.text.text(), opt.textElideMode, textRect.width());
                entry.elided = prepared(shown, opt.font);
                entry.elidedFor = textRect.width();
            }
            painter->drawStaticText(topLeft, entry.elided);
        }
        pos = end < 0 ? -1 : end + 1;
    }
    painter->restore();
}

QSize OutputCellDelegate::sizeHint(const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QFontMetricsF metrics(opt.font);
    qreal widest = 0;
    qsizetype lines = 0;
    for (const QStringView text : QStringView(opt.text).tokenize(u'\n')) {
        widest = std::max(widest, metrics.horizontalAdvance(text.toString()));
        ++lines;
    }
    return {int(std::ceil(widest)) + 2 * textMargin(opt.widget), textHeight(lines, opt.font)};
}
