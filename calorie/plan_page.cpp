#include "calorie/plan_page.h"

#include "calorie/core/intake.h"
#include "calorie/pdf_text_map.h"
#include "frame/appearance.h"
#include "frame/core/numbers.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace 方法_卡路里计算器 {

const QString PlanTitle = QStringLiteral("今日饮食计划");

QPageLayout A4() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 15, 20, 15),
                       QPageLayout::Millimeter);
}

namespace {

QTextCharFormat Chars(qreal points, bool bold = false, QColor color = Qt::black) {
    QTextCharFormat chars;
    chars.setFont(SongFont(points, bold));
    chars.setForeground(color);
    return chars;
}

// Header and total rows are shaded darker than the meals' rows; foods are not shaded.
const QColor Dark(0xE2, 0xE8, 0xCF);
const QColor Light(0xF3, 0xF6, 0xEA);

// The food, its weight and energy, then protein, fat and carbohydrate.
constexpr int Columns = 6;

// "6.5 克"; "—" for none, never 0.
QStringList MacroCells(const std::optional<Macros>& macros) {
    if (!macros)
        return {QStringLiteral("—"), QStringLiteral("—"), QStringLiteral("—")};
    QStringList cells;
    for (double grams : {macros->protein, macros->fat, macros->carbohydrate})
        cells << GramsText(grams);
    return cells;
}

// One row of the plan's table: the cells' texts, bold or not, shaded or not.
void FillRow(QTextTable& table, int row, const QStringList& cells, bool bold,
             const QColor& shade = QColor()) {
    for (int column = 0; column < Columns; ++column) {
        QTextTableCell cell = table.cellAt(row, column);
        if (shade.isValid()) {
            QTextTableCellFormat shaded = cell.format().toTableCellFormat();
            shaded.setBackground(shade);
            cell.setFormat(shaded);
        }
        QTextCursor cursor = cell.firstCursorPosition();
        QTextBlockFormat block;
        block.setAlignment(column == 0 ? Qt::AlignLeft : Qt::AlignRight);
        if (column == 0 && !bold)
            block.setIndent(1);
        cursor.setBlockFormat(block);
        cursor.insertText(cells.value(column), Chars(10, bold));
    }
}

void LayOutPlan(QTextDocument& doc, const DayPlan& day, std::optional<double> target) {
    doc.setDefaultFont(SongFont(10));
    doc.setUseDesignMetrics(true);
    doc.setDocumentMargin(0);
    doc.setIndentWidth(14);
    QTextCursor cursor(&doc);
    cursor.insertText(PlanTitle, Chars(18, true));
    QTextBlockFormat spaced;
    spaced.setTopMargin(6);
    cursor.insertBlock(spaced);
    cursor.insertText(DateText(day.date), Chars(10, false, QColor(0x44, 0x44, 0x44)));

    int rows = 2; // header and total
    for (const PlannedMeal& meal : day.meals)
        rows += meal.foods.isEmpty() ? 0 : 1 + static_cast<int>(meal.foods.size());
    const bool planned = rows > 2;
    rows += planned ? 0 : 1;
    QTextTableFormat frame;
    frame.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    frame.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 34),
                                     QTextLength(QTextLength::PercentageLength, 11),
                                     QTextLength(QTextLength::PercentageLength, 14),
                                     QTextLength(QTextLength::PercentageLength, 13),
                                     QTextLength(QTextLength::PercentageLength, 13),
                                     QTextLength(QTextLength::PercentageLength, 15)});
    frame.setTopMargin(12);
    frame.setBorder(0); // shaded rows set the meals apart
    frame.setCellSpacing(0);
    frame.setCellPadding(2);    // thirty foods fit on one page
    frame.setHeaderRowCount(1); // repeated on a second page
    QTextTable* table = cursor.insertTable(rows, Columns, frame);

    int row = 0;
    FillRow(*table, row++,
            {QStringLiteral("食物"), QStringLiteral("重量"), QStringLiteral("热量"),
             QStringLiteral("蛋白质"), QStringLiteral("脂肪"), QStringLiteral("碳水化合物")},
            true, Dark);
    for (const PlannedMeal& meal : day.meals) {
        if (meal.foods.isEmpty())
            continue;
        FillRow(*table, row++,
                QStringList{meal.name, QString(), FormatNumber(Subtotal(meal)) + Kcal} +
                    MacroCells(NutrientsOf(meal).Known()),
                true, Light);
        for (const PlannedFood& food : meal.foods)
            FillRow(*table, row++,
                    QStringList{food.name,
                                food.grams ? FormatNumber(*food.grams) + QStringLiteral(" 克") : "",
                                FormatNumber(food.energy) + Kcal} +
                        MacroCells(food.macros),
                    false);
    }
    if (!planned)
        FillRow(*table, row++, {QStringLiteral("还没有安排食物。")}, false);
    const NutrientSum sum = NutrientsOf(day);
    FillRow(*table, row,
            QStringList{QStringLiteral("共摄入"), QString(), FormatNumber(day.total) + Kcal} +
                (planned ? MacroCells(sum.Known()) : QStringList()),
            true, Dark);

    cursor.movePosition(QTextCursor::End);
    if (sum.missing && sum.counted) {
        QTextBlockFormat after;
        after.setTopMargin(10);
        cursor.insertBlock(after);
        cursor.insertText(MissingText(sum.missing), Chars(10));
    }
    if (target) {
        QTextBlockFormat after;
        after.setTopMargin(10);
        cursor.insertBlock(after);
        cursor.insertText(TargetLine(*target, day.total), Chars(10));
    }
}

// Laid out in the device's own pixels: the page is the device's page, without page numbers.
void Paint(QTextDocument& doc, QPagedPaintDevice& device) {
    doc.documentLayout()->setPaintDevice(&device);
    doc.setPageSize(QSizeF(device.width(), device.height()));
    doc.print(&device);
}

} // namespace

void PaintPlan(const DayPlan& day, std::optional<double> target, QPagedPaintDevice& device) {
    QTextDocument doc;
    LayOutPlan(doc, day, target);
    Paint(doc, device);
}

QByteArray PlanPdf(const DayPlan& day, std::optional<double> target, const QPageLayout& page) {
    QTextDocument doc;
    LayOutPlan(doc, day, target);
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setTitle(PlanTitle);
        pdf.setCreator(QStringLiteral("Korvella"));
        pdf.setPageLayout(page);
        Paint(doc, pdf);
    }
    RenameGlyphs(bytes, MisnamedGlyphs(doc.toPlainText(), {SongFont(10), SongFont(10, true)}));
    return bytes;
}

} // namespace 方法_卡路里计算器
