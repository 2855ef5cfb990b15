#pragma once
// Weighings written as "2025-01-01=70;2025-01-07=69.4", so that a row of a table reads them.

#include "weight/core/weight_log.h"

#include <QStringList>

inline QList<方法_体重记录::Weighing> Weighings(const QString& text) {
    QList<方法_体重记录::Weighing> weighings;
    for (const QString& item : text.split(u';', Qt::SkipEmptyParts))
        weighings.append({QDate::fromString(item.section(u'=', 0, 0), Qt::ISODate),
                          item.section(u'=', 1).toDouble()});
    return weighings;
}

inline QString Text(const QList<方法_体重记录::Weighing>& weighings) {
    QStringList items;
    for (const 方法_体重记录::Weighing& w : weighings)
        items.append(w.day.toString(Qt::ISODate) + u'=' + QString::number(w.kg));
    return items.join(u';');
}
