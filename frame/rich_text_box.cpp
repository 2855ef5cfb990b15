#include "frame/rich_text_box.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>

QColor ToQColor(ColorRef color) {
    return QColor(color & 0xFF, color >> 8 & 0xFF, color >> 16 & 0xFF);
}

ColorRef ToColorRef(const QColor& color) {
    return RgbColor(static_cast<quint32>(color.red()), static_cast<quint32>(color.green()),
                    static_cast<quint32>(color.blue()));
}

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setReadOnly(true); // every report replaces the whole text; typing would only break positions
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    m_selection = textCursor();
    // What the user selects by mouse or keyboard is the selection from then on.
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] {
        if (hasFocus())
            m_selection = textCursor();
    });
}

void RichTextBox::focusInEvent(QFocusEvent* event) {
    QTextEdit::focusInEvent(event);
    ShowSelectionWhereScrolled();
}

void RichTextBox::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    ShowSelectionWhereScrolled();
}

// The focus only shows or hides the selection: the text stays where the user scrolled it, and a
// click that brings the focus lands on the text it was aimed at.
void RichTextBox::ShowSelectionWhereScrolled() {
    const int x = horizontalScrollBar()->value();
    const int y = verticalScrollBar()->value();
    ShowSelection();
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
}

void RichTextBox::ShowSelection() {
    if (hasFocus()) {
        setTextCursor(m_selection);
        return;
    }
    QTextCursor caret = m_selection;
    caret.clearSelection();
    setTextCursor(caret);
}

void RichTextBox::SetText(const QString& text) {
    m_text = text;
    m_pairDocPos.clear();
    QString docText;
    docText.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            m_pairDocPos.append(docText.size());
            docText += u'\n';
            ++i;
        } else {
            docText += text[i];
        }
    }
    document()->clear();
    QTextCursor cursor(document());
    const QTextCharFormat plain;
    cursor.setBlockCharFormat(plain);
    cursor.insertText(docText, plain);
    setCurrentCharFormat(plain);
    Select(0, 0);
}

qsizetype RichTextBox::ToDocument(qsizetype textPos) const {
    // Each pair that starts before textPos counts one less; a position between CR and LF falls
    // before the separator.
    qsizetype pairs = 0;
    for (qsizetype docPos : m_pairDocPos) {
        const qsizetype crPos = docPos + pairs;
        if (crPos < textPos)
            ++pairs;
        else
            break;
    }
    return textPos - pairs;
}

qsizetype RichTextBox::ToText(qsizetype docPos) const {
    const auto before = std::lower_bound(m_pairDocPos.begin(), m_pairDocPos.end(), docPos);
    return docPos + (before - m_pairDocPos.begin());
}

qsizetype RichTextBox::SelStart() const {
    return ToText(m_selection.selectionStart());
}

qsizetype RichTextBox::SelLength() const {
    return ToText(m_selection.selectionEnd()) - ToText(m_selection.selectionStart());
}

void RichTextBox::SetSelStart(qsizetype n) {
    Select(n, 0);
}

void RichTextBox::SetSelLength(qsizetype k) {
    Select(SelStart(), k);
}

void RichTextBox::Select(qsizetype start, qsizetype length) {
    start = std::clamp<qsizetype>(start, 0, m_text.size());
    length = std::clamp<qsizetype>(length, 0, m_text.size() - start);
    QTextCursor cursor(document());
    cursor.setPosition(static_cast<int>(ToDocument(start)));
    cursor.setPosition(static_cast<int>(ToDocument(start + length)), QTextCursor::KeepAnchor);
    m_selection = cursor;
    ShowSelection();
}

QString RichTextBox::SelText() const {
    return m_text.mid(SelStart(), SelLength());
}

void RichTextBox::MergeSelectionFormat(const QTextCharFormat& format) {
    if (m_selection.hasSelection())
        m_selection.mergeCharFormat(format);
}

void RichTextBox::SetSelBold(bool bold) {
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    MergeSelectionFormat(format);
}

void RichTextBox::SetSelColor(ColorRef color) {
    QTextCharFormat format;
    format.setForeground(ToQColor(color));
    MergeSelectionFormat(format);
}

static QTextCharFormat FormatAt(const QTextDocument* document, qsizetype docPos) {
    QTextCursor cursor(const_cast<QTextDocument*>(document));
    cursor.setPosition(static_cast<int>(docPos + 1)); // the format left of the cursor
    return cursor.charFormat();
}

bool RichTextBox::IsBoldAt(qsizetype pos) const {
    return FormatAt(document(), ToDocument(pos)).fontWeight() >= QFont::Bold;
}

ColorRef RichTextBox::ColorAt(qsizetype pos) const {
    const QTextCharFormat format = FormatAt(document(), ToDocument(pos));
    return ToColorRef(format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color()
                                                                       : palette().text().color());
}
