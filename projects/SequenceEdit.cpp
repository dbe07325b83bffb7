// SPDX-License-Identifier: MIT
#include "SequenceEdit.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTextBlock>

using namespace Qt::StringLiterals;

namespace {

constexpr int NUMBER_PADDING = 6;

class CLineNumbers : public QWidget
{
public:
    explicit CLineNumbers(SequenceEdit *editor)
        : QWidget(editor)
        , m_editor(editor)
    {}

    QSize sizeHint() const override { return {m_editor->lineNumberWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent *event) override { m_editor->paintLineNumbers(event); }

private:
    SequenceEdit *m_editor;
};

} // namespace

SequenceEdit::SequenceEdit(QWidget *parent)
    : QPlainTextEdit(parent)
    , m_numbers(new CLineNumbers(this))
{
    setObjectName(u"edit_sequence"_s);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(this, &QPlainTextEdit::blockCountChanged, this, &SequenceEdit::onBlockCountChanged);
    connect(this, &QPlainTextEdit::updateRequest, this, &SequenceEdit::onUpdateRequest);
    onBlockCountChanged();
}

int SequenceEdit::lineNumberWidth() const
{
    const int digits = int(QString::number(qMax(1, blockCount())).size());
    return NUMBER_PADDING * 2 + fontMetrics().horizontalAdvance(u'9') * digits;
}

void SequenceEdit::onBlockCountChanged()
{
    setViewportMargins(lineNumberWidth(), 0, 0, 0);
}

void SequenceEdit::onUpdateRequest(const QRect &rect, int dy)
{
    if (dy != 0)
        m_numbers->scroll(0, dy);
    else
        m_numbers->update(0, rect.y(), m_numbers->width(), rect.height());
}

void SequenceEdit::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    m_numbers->setGeometry(area.left(), area.top(), lineNumberWidth(), area.height());
}

void SequenceEdit::paintLineNumbers(QPaintEvent *event)
{
    QPainter painter(m_numbers);
    painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible() && top + height >= event->rect().top())
            painter.drawText(0, top, m_numbers->width() - NUMBER_PADDING, fontMetrics().height(),
                             Qt::AlignRight, QString::number(block.blockNumber() + 1));
        block = block.next();
        top += height;
    }
}
