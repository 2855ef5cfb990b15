#pragma once
// The result box of every tool window. Reports address it by positions in the text exactly as it
// was set, where a CR LF line break counts two; QTextDocument keeps one paragraph separator per
// line break instead, so the box keeps the text as set and maps positions between the two.
// Like the result box of the original design, it paints its selection only while it has the
// focus: a report leaves a red number selected, and it must show red, not highlighted.

#include "frame/core/color.h"

#include <QList>
#include <QTextCursor>
#include <QTextEdit>

QColor ToQColor(ColorRef color);
ColorRef ToColorRef(const QColor& color);

class RichTextBox : public QTextEdit {
  public:
    explicit RichTextBox(QWidget* parent = nullptr);

    QString Text() const { return m_text; }
    void SetText(const QString& text);

    qsizetype SelStart() const;
    qsizetype SelLength() const;
    // Moves the selection's start to n and collapses it to a caret there.
    void SetSelStart(qsizetype n);
    // Extends the selection from its start; clipped to the end of the text.
    void SetSelLength(qsizetype k);
    QString SelText() const;
    void SetSelBold(bool bold);
    void SetSelColor(ColorRef color);

    // Format of the character at text position pos (not meaningful inside a CR LF pair).
    bool IsBoldAt(qsizetype pos) const;
    ColorRef ColorAt(qsizetype pos) const;

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void ShowSelection();
    void ShowSelectionWhereScrolled();
    qsizetype ToDocument(qsizetype textPos) const;
    qsizetype ToText(qsizetype docPos) const;
    void Select(qsizetype start, qsizetype length);
    void MergeSelectionFormat(const QTextCharFormat& format);

    QString m_text;
    QTextCursor m_selection;       // the selection the operations act on, shown or not
    QList<qsizetype> m_pairDocPos; // document position of each CR LF pair's separator, ascending
};
