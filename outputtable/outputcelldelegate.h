// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

// Draws the cells of the output table. A cell may hold thousands of hex lines: only the
// lines inside the visible area are drawn, each from a laid-out line kept between
// paints, so neither a 64 KiB read row nor a repaint of a long table lays out text
// again. Lines are never wrapped, so offsets stay aligned; a line wider than its cell
// is elided as the view elides text.
class OutputCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit OutputCellDelegate(QObject *parent = nullptr);

    // The system's fixed-pitch font, for the Flags and Data cells.
    const QFont &fixedFont() const { return m_fixedFont; }
    // Distance from one line of text in the font to the next, in whole pixels.
    static int linePitch(const QFont &font);
    // Height of `lines` lines of text in the font.
    static int textHeight(qsizetype lines, const QFont &font);
    // Width a cell needs to show the one-line `text` in the font without eliding it.
    int cellWidth(const QString &text, const QFont &font, const QWidget *widget) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QString displayText(const QVariant &value, const QLocale &locale) const override;

private:
    struct SLine
    {
        QFont font;
        QStaticText text;
        qreal width = 0;
        int elidedFor = -1;
        QStaticText elided;
    };

    SLine &line(const QString &text, const QFont &font) const;

    QFont m_fixedFont;
    mutable QHash<QString, SLine> m_lines;
};
