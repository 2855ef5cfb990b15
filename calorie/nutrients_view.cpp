#include "calorie/calorie.h"
#include "calorie/calorie_window.h"
#include "calorie/core/daily_target.h"
#include "calorie/core/food_table.h"
#include "calorie/own_foods.h"
#include "frame/message.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QTreeWidget>

namespace 方法_卡路里计算器 {

namespace {

// Where the meal tree ends in the window's own layout; its top moves down for the diary's date.
constexpr int TreeEnd = 467;
constexpr int LabelGap = 3;

bool Showing(const Form_卡路里计算器& form) {
    return form.ShowNutrientsAction()->isChecked();
}

QString NutrientLines(const Form_卡路里计算器& form) {
    const DayMeals& meals = form.Day().AllMeals();
    const NutrientSum day = SumOf(meals);
    QStringList lines{SumText(QStringLiteral("全天"), day)};
    const int meal = MealOf(form.TreeView_食物列表()->currentItem());
    if (meal >= 0)
        lines << SumText(Meals[meal], SumOf(meals[meal]));
    if (day.missing)
        lines << MissingText(day.missing);
    lines << GoalLines(form.Goals(), form.TargetKcal(), day.grams);
    return lines.join(u'\n');
}

} // namespace

void ShowFoodTips(Form_卡路里计算器& form) {
    QTreeWidget* list = form.ListView_食物列表();
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        ShowFoodTip(form, list->topLevelItem(row), FoodOfRow(form, row).own);
}

void ShowFoodTip(Form_卡路里计算器& form, QTreeWidgetItem* row, const OwnFood* own) {
    QTreeWidget* list = form.ListView_食物列表();
    const QString description = row->data(0, Qt::AccessibleDescriptionRole).toString();
    // Without a tooltip of its own the row shows the list's, "双击列表添加"; an own food's name
    // says what it is.
    const QVariant tip = Showing(form) && !description.isEmpty()
                             ? QVariant(list->toolTip() + u'\n' + description)
                             : QVariant();
    for (int column = 0; column < list->columnCount(); ++column)
        row->setData(column, Qt::ToolTipRole, tip);
    if (own && tip.isNull())
        row->setToolTip(0, own->dish ? DishMark : OwnFoodMark);
}

void SetShowNutrients(Form_卡路里计算器& form, bool show) {
    if (!SaveShowNutrients(show))
        ShowMessage(&form, QStringLiteral("“显示营养素”无法保存到 %1，只在本次使用。")
                               .arg(QDir::toNativeSeparators(TargetFilePath())));
    ShowFoodTips(form);
    ShowNutrients(form);
}

void ShowNutrients(Form_卡路里计算器& form) {
    QTreeWidget* tree = form.TreeView_食物列表();
    QLabel* label = form.Label_营养素();
    const int top = tree->y();
    if (!Showing(form)) {
        if (!label->isHidden()) {
            label->hide();
            label->clear();
            tree->setGeometry(tree->x(), top, tree->width(), TreeEnd - top);
        }
        return;
    }
    label->setText(NutrientLines(form));
    const int height = label->heightForWidth(tree->width() - 2);
    const int treeHeight = TreeEnd - top - height - LabelGap;
    tree->setGeometry(tree->x(), top, tree->width(), treeHeight);
    label->setGeometry(tree->x() + 2, top + treeHeight + LabelGap, tree->width() - 2, height);
    label->show();
}

void ShowFoodSource(Form_卡路里计算器& form) {
    QTreeWidgetItem* row = form.ListView_食物列表()->currentItem();
    if (!row)
        return;
    const ListedFood food = FoodOfRow(form, form.ListView_食物列表()->indexOfTopLevelItem(row));
    ShowMessage(&form, food.own ? OwnSourceText(*food.own)
                                : SourceText(food.name, form.NutrientsOf(food.name)));
}

} // namespace 方法_卡路里计算器
