#include "calorie/plan_out.h"

#include "calorie/calorie.h"
#include "calorie/calorie_window.h"
#include "calorie/plan_page.h"
#include "frame/file_dialogs.h"
#include "frame/message.h"
#include "frame/save_file.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPrinter>

namespace 方法_卡路里计算器 {

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
    printer.setDocName(PlanTitle);
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
