#pragma once
// The look shared by all windows: the program's own SVG pictures, rendered sharp at the screen's
// scale, and its fonts.

#include <QPixmap>
#include <QString>

class QLabel;
class QScrollBar;
class QWidget;

QPixmap Picture(const QString& name, QSize size);

// A top-level window of fixed client size with the program's icon, centred on the screen.
void SetUpWindow(QWidget* window, const QString& caption, QSize size);

// A label at the given place that shows a picture; panels use it as their background.
QLabel* PictureLabel(QWidget* parent, const QString& objectName, const QString& picture,
                     const QRect& geometry);

// Shows plain text with its line breaks (CR LF or a lone CR) at a reduced line height: CJK fonts
// on Linux space lines wider than the Song type the tips were laid out for. The label grows
// downwards where its last line would be cut.
void SetLines(QLabel* label, const QString& text, int lineHeightPercent);

// Grows a label of one line to hold its font's whole line, about the same middle. The face that
// stands in for 宋体 on Linux (Noto Serif CJK SC) needs some 23 pixels where the Song line had 16,
// and a label of the Song line's height cuts the lower strokes off. Call it once the label has its
// font.
void HoldWholeLine(QLabel* label);

// The "宋体" family with fallbacks for machines without it.
QFont SongFont(qreal pointSize, bool bold = false);
// The result box's font: Song type whose Latin letters and blanks are exactly half as wide as a
// Chinese character, so the blank runs of the reports line their columns up.
QFont ResultFont();

// Paints the bar as its style does, in bands of fewer lines than Qt's raster engine hands to its
// worker threads: waking them costs more than a scroll bar's fills, and the food list's bar,
// repainted on the first find keystroke, spent half a millisecond there. The pixels are the same.
void PaintInBands(QScrollBar* bar);
