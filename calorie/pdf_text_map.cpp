#include "calorie/pdf_text_map.h"

#include <QFontDatabase>
#include <QRawFont>

QHash<QByteArray, QByteArray> MisnamedGlyphs(const QString& text, const QList<QFont>& fonts) {
    QString lower;
    for (char16_t c = 0x01; c < 0x20; ++c)
        lower += QChar(c);
    for (char16_t c = 0x2E80; c < 0x2FE0; ++c) // the two blocks of radicals
        lower += QChar(c);
    const auto hex = [](QChar c) { return QByteArray::number(c.unicode(), 16).toUpper(); };
    QHash<QByteArray, QByteArray> names;
    for (const QFont& font : fonts) {
        const QRawFont raw = QRawFont::fromFont(font, QFontDatabase::SimplifiedChinese);
        QHash<quint32, QChar> lowest;
        for (QChar c : lower) {
            const QList<quint32> glyph = raw.glyphIndexesForString(c);
            if (!glyph.isEmpty() && glyph.first() != 0 && !lowest.contains(glyph.first()))
                lowest.insert(glyph.first(), c);
        }
        for (QChar c : text) {
            const QChar low = lowest.value(raw.glyphIndexesForString(c).value(0));
            if (!low.isNull() && low < c)
                names.insert(hex(low).rightJustified(4, '0'), hex(c).rightJustified(4, '0'));
        }
    }
    return names;
}

void RenameGlyphs(QByteArray& pdf, const QHash<QByteArray, QByteArray>& names) {
    if (names.isEmpty())
        return;
    for (qsizetype at = pdf.indexOf("beginbfrange\n"); at >= 0;
         at = pdf.indexOf("beginbfrange\n", at)) {
        const qsizetype end = pdf.indexOf("endbfrange", at);
        if (end < 0)
            return;
        for (qsizetype line = pdf.indexOf('\n', at) + 1; line > 0 && line < end;) {
            const qsizetype next = pdf.indexOf('\n', line) + 1;
            const bool many = pdf.mid(line + 14, 1) == "[";
            const bool one = pdf.mid(line + 1, 4) == pdf.mid(line + 8, 4);
            for (qsizetype name = line + 14; (many || one) && name + 6 <= next - 1;) {
                name = pdf.indexOf('<', name);
                if (name < 0 || name >= next)
                    break;
                if (const QByteArray drawn = names.value(pdf.mid(name + 1, 4).toUpper());
                    !drawn.isEmpty())
                    pdf.replace(name + 1, 4, drawn);
                name += 6;
            }
            line = next;
        }
        at = end;
    }
}
