// SPDX-License-Identifier: MIT
#pragma once

#include <QPlainTextEdit>

// A plain-text editor with the line numbers in a margin on its left, so that an error's
// line can be found at a glance.
class SequenceEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit SequenceEdit(QWidget *parent = nullptr);

    int lineNumberWidth() const;
    void paintLineNumbers(QPaintEvent *event);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void onBlockCountChanged();
    void onUpdateRequest(const QRect &rect, int dy);

    QWidget *m_numbers = nullptr;
};
