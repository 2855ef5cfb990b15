#pragma once
// The whole diary as one CSV table a spreadsheet reads well, and back. Each row says what it holds
// in its first column: "餐单" (a day's entry), "常用餐" (a food of a saved meal, or a saved meal
// without foods), "体重" (a weighing), "目标体重"; cells that do not apply stay empty, so do a
// food's nutrients when it has none. Numbers are written in their shortest form, so reading a
// file and writing it again gives the same bytes. The table from before the nutrients' three
// columns is read as well.
//
// The table of the first diaries (日期,餐次,食物,重量（克）,热量（大卡）) is read as well: there
// an entry's listed energy and quantity are its kcal and grams.

#include "diary/diary_contents.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace 方法_卡路里计算器 {

struct ParsedDiary {
    DiaryContents contents; // without ids
    // Rows left out: those that break a rule, and with them the other rows of their day or saved
    // meal, which is read whole or not at all.
    int refused = 0;
    QStringList reasons; // the first few broken rules: "第 3 行：日期无法识别"
    QString failure;     // not empty: nothing could be read (not UTF-8, not a diary's header)
};

// UTF-8 with a byte-order mark, CR LF.
QByteArray DiaryCsv(const DiaryContents& contents);
ParsedDiary ParseDiaryCsv(const QByteArray& csv);

} // namespace 方法_卡路里计算器
