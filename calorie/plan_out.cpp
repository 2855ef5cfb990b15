#include "calorie/plan_out.h"

#include "calorie/calorie.h"
#include "calorie/calorie_window.h"
#include "calorie/core/intake.h"
#include "calorie/pdf_text_map.h"
#include "frame/appearance.h"
#include "frame/core/numbers.h"
#include "frame/file_dialogs.h"
#include "frame/message.h"
#include "frame/save_file.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTreeWidget>

namespace 方法_卡路里计算器 {

namespace {

const QString Title = QStringLiteral("今日饮食计划");

QPageLayout A4() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 15, 20, 15),
                       QPageLayout::Millimeter);
}

QTextCharFormat Chars(qreal points, bool bold = false, QColor color = Qt::black) {
    QTextCharFormat chars;
    chars.setFont(SongFont(points, bold));
    chars.setForeground(color);
    return chars;
}

// Header and total rows are shaded darker than the meals' rows; foods are not shaded.
const QColor Dark(0xE2, 0xE8, 0xCF);
const QColor Light(0xF3, 0xF6, 0xEA);

// One row of the plan's table: the three cells' texts, bold or not, shaded or not.
void FillRow(QTextTable& table, int row, const QStringList& cells, bool bold,
             const QColor& shade = QColor()) {
    for (int column = 0; column < 3; ++column) {
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
    cursor.insertText(Title, Chars(18, true));
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
    frame.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 64),
                                     QTextLength(QTextLength::PercentageLength, 16),
                                     QTextLength(QTextLength::PercentageLength, 20)});
    frame.setTopMargin(12);
    frame.setBorder(0); // shaded rows set the meals apart
    frame.setCellSpacing(0);
    frame.setCellPadding(2);    // thirty foods fit on one page
    frame.setHeaderRowCount(1); // repeated on a second page
    QTextTable* table = cursor.insertTable(rows, 3, frame);

    int row = 0;
    FillRow(*table, row++, {QStringLiteral("食物"), QStringLiteral("重量"), QStringLiteral("热量")},
            true, Dark);
    for (const PlannedMeal& meal : day.meals) {
        if (meal.foods.isEmpty())
            continue;
        FillRow(*table, row++, {meal.name, QString(), FormatNumber(Subtotal(meal)) + Kcal}, true,
                Light);
        for (const PlannedFood& food : meal.foods)
            FillRow(*table, row++,
                    {food.name, food.grams ? FormatNumber(*food.grams) + QStringLiteral(" 克") : "",
                     FormatNumber(food.energy) + Kcal},
                    false);
    }
    if (!planned)
        FillRow(*table, row++, {QStringLiteral("还没有安排食物。")}, false);
    FillRow(*table, row, {QStringLiteral("共摄入"), QString(), FormatNumber(day.total) + Kcal},
            true, Dark);

    cursor.movePosition(QTextCursor::End);
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
        pdf.setTitle(Title);
        pdf.setCreator(QStringLiteral("Korvella"));
        pdf.setPageLayout(page);
        Paint(doc, pdf);
    }
    RenameGlyphs(bytes, MisnamedGlyphs(doc.toPlainText(), {SongFont(10), SongFont(10, true)}));
    return bytes;
}

std::optional<QString> WritePlan(const DayPlan& day, std::optional<double> target,
                                 const QString& path, PlanFormat format) {
    return SaveFileAtomically(path, format == PlanFormat::Csv ? PlanCsv(day, target)
                                                              : PlanPdf(day, target, A4()));
}

void CopyPlan(Form_卡路里计算器& form) {
    QGuiApplication::clipboard()->setText(PlanText(PlanOf(form.Day()), form.TargetKcal()));
    ShowMessage(&form, QStringLiteral("已成功复制今日计划！"));
}

void ExportPlan(Form_卡路里计算器& form) {
    const DayPlan day = PlanOf(form.Day());
    const QStringList filters{QStringLiteral("PDF 文档 (*.pdf)"),
                              QStringLiteral("CSV 表格 (*.csv)")};
    const QString suggested = QDir::homePath() + QStringLiteral("/饮食计划-") +
                              day.date.toString(Qt::ISODate) + QStringLiteral(".pdf");
    const auto choice = AskSaveFile(&form, QStringLiteral("导出今日计划"), suggested, filters);
    if (!choice)
        return;
    // The suffix decides; a name with another suffix is written as its filter says.
    const QString suffix = QFileInfo(choice->path).suffix().toLower();
    const bool csv =
        suffix == QStringLiteral("csv") || (suffix != QStringLiteral("pdf") && choice->filter == 1);
    const auto failure =
        WritePlan(day, form.TargetKcal(), choice->path, csv ? PlanFormat::Csv : PlanFormat::Pdf);
    if (failure)
        ShowExportFailure(&form, choice->path, *failure);
}

void PrintPlan(Form_卡路里计算器& form) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(A4());
    printer.setDocName(Title);
    if (!AskPrint(&form, printer))
        return;
    const DayPlan day = PlanOf(form.Day());
    // Printed to a file, the page is an export's PDF on the chosen paper: its text reads right.
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        const QString path = printer.outputFileName();
        if (const auto failure =
                SaveFileAtomically(path, PlanPdf(day, form.TargetKcal(), printer.pageLayout())))
            ShowExportFailure(&form, path, *failure);
        return;
    }
    PaintPlan(day, form.TargetKcal(), printer);
    if (printer.printerState() == QPrinter::Error)
        ShowMessage(&form, QStringLiteral("无法打印今日计划。"));
}

void AddPlanActions(Form_卡路里计算器& form, QMenu& menu) {
    const struct {
        const char* name;
        QString text;
        QKeySequence keys;
        void (*run)(Form_卡路里计算器&);
    } commands[] = {
        {"Pop_TreeView_CopyPlan", QStringLiteral("复制今日计划"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), CopyPlan},
        {"Pop_TreeView_ExportPlan", QStringLiteral("导出今日计划…"),
         QKeySequence(Qt::CTRL | Qt::Key_S), ExportPlan},
        {"Pop_TreeView_PrintPlan", QStringLiteral("打印今日计划…"),
         QKeySequence(Qt::CTRL | Qt::Key_P), PrintPlan},
    };
    for (const auto& command : commands) {
        QAction* action = menu.addAction(command.text);
        action->setObjectName(QString::fromLatin1(command.name));
        action->setShortcut(command.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, &form,
                         [&form, run = command.run] { run(form); });
        form.addAction(action); // the shortcut works while the menu is closed
    }
}

} // namespace 方法_卡路里计算器
