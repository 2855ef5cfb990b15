#pragma once
// What the benchmarks share: the median of repeated runs, and a watch for a widget's first paint.

#include <QEvent>
#include <QObject>
#include <algorithm>
#include <vector>

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Installed on a widget, it tells whether the widget has been painted.
class PaintWatch : public QObject {
  public:
    bool painted = false;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};
