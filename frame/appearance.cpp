#include "frame/appearance.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionComplex>
#include <QSvgRenderer>
#include <cmath>

namespace {

class BandedStyle final : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override {
        if (control != CC_ScrollBar || painter->transform().type() > QTransform::TxTranslate) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        // Each band whole, in an image of its own: a style may set its own clip while it paints.
        const qreal ratio = painter->device()->devicePixelRatioF();
        const QRect bar = option->rect;
        // Bands that end on whole device pixels, or the bar in one piece.
        int lines = int(MostLinesOnOneThread / ratio);
        while (lines > 0 && std::abs(lines * ratio - std::round(lines * ratio)) > 1e-6)
            --lines;
        if (lines == 0) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        QImage band(QSize(bar.width(), lines) * ratio, QImage::Format_ARGB32_Premultiplied);
        band.setDevicePixelRatio(ratio);
        for (int top = bar.top(); top <= bar.bottom(); top += lines) {
            band.fill(Qt::transparent);
            QPainter inBand(&band);
            inBand.translate(-bar.left(), -top);
            QProxyStyle::drawComplexControl(control, option, &inBand, widget);
            inBand.end();
            painter->drawImage(QPoint(bar.left(), top), band);
        }
    }

  private:
    // The engine keeps a fill of fewer than 96 lines on the painting thread.
    static constexpr int MostLinesOnOneThread = 64;
};

} // namespace

QPixmap Picture(const QString& name, QSize size) {
    const qreal ratio = std::ceil(qApp->devicePixelRatio());
    QPixmap pixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/") + name);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

void SetUpWindow(QWidget* window, const QString& caption, QSize size) {
    window->setWindowTitle(caption);
    window->setWindowIcon(QIcon(QStringLiteral(":/icon.svg")));
    window->setFixedSize(size);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

QLabel* PictureLabel(QWidget* parent, const QString& objectName, const QString& picture,
                     const QRect& geometry) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setGeometry(geometry);
    label->setPixmap(Picture(picture, geometry.size()));
    return label;
}

void SetLines(QLabel* label, const QString& text, int lineHeightPercent) {
    // A break at the end would only add an empty line below the text, and room for it.
    QString shown = text;
    while (shown.endsWith(u'\n') || shown.endsWith(u'\r'))
        shown.chop(1);
    QString html = shown.toHtmlEscaped();
    html.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"))
        .replace(u'\r', QStringLiteral("<br>"));
    label->setTextFormat(Qt::RichText);
    label->setText(QStringLiteral("<p style=\"line-height:%1%; margin:0\">%2</p>")
                       .arg(lineHeightPercent)
                       .arg(html));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The packed lines take less height than the label's own measure of the text, which holds
    // the last line only to its packed height: the glyphs of that line reach down its whole line.
    const qreal line = QFontMetricsF(label->font(), label).height();
    const int needed = label->heightForWidth(label->width()) +
                       static_cast<int>(std::ceil(line * (100 - lineHeightPercent) / 100));
    if (needed > label->height())
        label->resize(label->width(), needed);
}

void HoldWholeLine(QLabel* label) {
    const QRect place = label->geometry();
    const int line = static_cast<int>(std::ceil(QFontMetricsF(label->font(), label).height()));
    const int extra = line - label->contentsRect().height();
    if (extra <= 0)
        return;
    // An odd pixel goes above: the Song line's characters sit high in the taller line.
    label->setGeometry(place.adjusted(0, -(extra + 1) / 2, 0, extra / 2));
}

QFont SongFont(qreal pointSize, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("serif")});
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont ResultFont() {
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                      QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("monospace")});
    font.setPointSizeF(9);
    return font;
}

void PaintInBands(QScrollBar* bar) {
    // A style of the application's kind, not the application's own object: a proxy owns its base.
    const QString kind = QApplication::style()->name();
    if (kind.isEmpty())
        return;
    auto* style = new BandedStyle(kind);
    style->setParent(bar);
    bar->setStyle(style);
}
