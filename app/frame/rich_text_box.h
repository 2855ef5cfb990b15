#pragma once
// The result box of every tool window. Reports address it by positions in the text exactly as it
// was set, where a CR LF line break counts two; QTextDocument keeps one paragraph separator per
// line break instead, so the box keeps the text as set and maps positions between the two.

#include <QList>
#include <QTextEdit>

// A colour as one integer with red in the lowest byte, green in the next and blue in the third.
using ColorRef = quint32;

constexpr ColorRef RgbColor(quint32 red, quint32 green, quint32 blue) {
    return red | green << 8 | blue << 16;
}
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

  private:
    qsizetype ToDocument(qsizetype textPos) const;
    qsizetype ToText(qsizetype docPos) const;
    void Select(qsizetype start, qsizetype length);
    void MergeSelectionFormat(const QTextCharFormat& format);

    QString m_text;
    QList<qsizetype> m_pairDocPos; // document position of each CR LF pair's separator, ascending
};
