#include "frame/appearance.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <cmath>

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
    QString html = text.toHtmlEscaped();
    html.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"))
        .replace(u'\r', QStringLiteral("<br>"));
    label->setTextFormat(Qt::RichText);
    label->setText(QStringLiteral("<p style=\"line-height:%1%; margin:0\">%2</p>")
                       .arg(lineHeightPercent)
                       .arg(html));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
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
