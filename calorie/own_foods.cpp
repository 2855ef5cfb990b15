#include "calorie/own_foods.h"

#include "calorie/calorie.h"
#include "calorie/calorie_window.h"
#include "calorie/core/food_table.h"
#include "calorie/core/intake.h"
#include "calorie/core/nutrients.h"
#include "calorie/core/own_food_csv.h"
#include "calorie/core/portion.h"
#include "calorie/diary.h"
#include "calorie/food_search.h"
#include "calorie/own_food_dialogs.h"
#include "diary/diary_store.h"
#include "frame/core/numbers.h"
#include "frame/file_dialogs.h"
#include "frame/message.h"
#include "frame/save_file.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTreeWidget>
#include <algorithm>
#include <memory>

namespace 方法_卡路里计算器 {

namespace {

constexpr int Shipped = FoodSlots::Last;

int OwnIndex(Form_卡路里计算器& form) {
    QTreeWidgetItem* row = form.ListView_食物列表()->currentItem();
    const int index = row ? form.ListView_食物列表()->indexOfTopLevelItem(row) - Shipped : -1;
    return index >= 0 && index < form.Own().size() ? index : -1;
}

void ShowOwnRow(Form_卡路里计算器& form, QTreeWidgetItem* row, const OwnFood& food) {
    row->setText(0, food.name);
    row->setText(1, food.alias);
    row->setText(2, QString::number(food.kcalPer100g) + Kcal);
    row->setText(3, QStringLiteral("100 克"));
    const QString description =
        (food.dish ? DishMark : OwnFoodMark) + u'；' +
        (food.per100g ? MacrosText(food.per100g) + QStringLiteral("（每100克）")
                      : MacrosText(std::nullopt));
    for (int column = 0; column < 4; ++column)
        row->setData(column, Qt::AccessibleDescriptionRole, description);
    ShowFoodTip(form, row, &food);
    // The delegate draws a bar before the name in this colour.
    row->setData(0, Qt::UserRole, food.dish ? QColor(0xC0, 0x60, 0x00) : QColor(0x00, 0x80, 0x40));
}

QTreeWidgetItem* OwnRow(Form_卡路里计算器& form, const OwnFood& food) {
    auto* row = new QTreeWidgetItem;
    row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    ShowOwnRow(form, row, food);
    return row;
}

} // namespace

bool NameTaken(Form_卡路里计算器& form, const QString& name, qint64 except) {
    for (int i = FoodSlots::First; i <= FoodSlots::Last; ++i)
        if (CleanName(form.Foods().Slot(i).FoodName) == name)
            return true;
    return std::any_of(form.Own().begin(), form.Own().end(),
                       [&](const OwnFood& food) { return food.id != except && food.name == name; });
}

// A new food ends the list, a changed one keeps its row.
bool KeepAndShow(Form_卡路里计算器& form, OwnFood& food, QString& problem) {
    if (!form.Shelf().Keep(food)) {
        problem = form.Shelf().Problem();
        return false;
    }
    QTreeWidget* list = form.ListView_食物列表();
    form.Search().Close();
    const auto kept = std::find_if(form.Own().begin(), form.Own().end(),
                                   [&](const OwnFood& own) { return own.id == food.id; });
    int row = 0;
    if (kept == form.Own().end()) {
        form.Own().append(food);
        row = Shipped + int(form.Own().size()) - 1;
        list->addTopLevelItem(OwnRow(form, food));
    } else {
        *kept = food;
        row = Shipped + int(kept - form.Own().begin());
        ShowOwnRow(form, list->topLevelItem(row), food);
    }
    form.Search().RowChanged(row);
    list->setCurrentItem(list->topLevelItem(row));
    list->scrollToItem(list->currentItem());
    return true;
}

namespace {

class ShelfInDiary final : public OwnFoodShelf {
  public:
    explicit ShelfInDiary(Form_卡路里计算器& form) : m_form(form) {}

    QList<OwnFood> Foods() const override {
        const DiaryStore* store = Opened();
        m_seen = store ? store->DataVersion() : NoFile;
        return store ? store->OwnFoods().All() : QList<OwnFood>();
    }
    QList<NamedPortion> Portions() const override {
        const DiaryStore* store = Opened();
        return store ? store->OwnFoods().Portions() : QList<NamedPortion>();
    }
    bool Keep(OwnFood& food) override {
        return Kept([&](DiaryStore& store) { return store.OwnFoods().Keep(food); });
    }
    bool Remove(qint64 id) override {
        return Kept([&](DiaryStore& store) { return store.OwnFoods().Remove(id); });
    }
    bool KeepPortions(const QString& food, const QList<NamedPortion>& portions) override {
        return Kept(
            [&](DiaryStore& store) { return store.OwnFoods().KeepPortions(food, portions); });
    }
    QString Problem() const override { return m_problem; }
    bool ChangedElsewhere() override {
        const DiaryStore* store = Opened();
        return (store ? store->DataVersion() : NoFile) != m_seen;
    }

  private:
    const DiaryStore* Opened() const {
        const DiaryStore* store = m_form.Store();
        return store && store->IsOpen() ? store : nullptr;
    }

    bool Kept(const std::function<bool(DiaryStore&)>& write) {
        m_problem.clear();
        DiaryStore* store = MadeStore(m_form, &m_problem);
        if (store && write(*store)) {
            m_seen = store->DataVersion(); // a file made just now is no other program's change
            return true;
        }
        if (store)
            m_problem = store->Problem();
        return false;
    }

    static constexpr qint64 NoFile = -1; // what was last read came from no file

    Form_卡路里计算器& m_form;
    QString m_problem;
    mutable qint64 m_seen = NoFile;
};

} // namespace

std::unique_ptr<OwnFoodShelf> DiaryShelf(Form_卡路里计算器& form) {
    return std::make_unique<ShelfInDiary>(form);
}

void RefreshOwnFoods(Form_卡路里计算器& form) {
    if (!form.Shelf().ChangedElsewhere())
        return;
    QTreeWidget* list = form.ListView_食物列表();
    form.Search().Reset();
    while (list->topLevelItemCount() > Shipped)
        delete list->takeTopLevelItem(Shipped);
    FillOwnFoods(form);
}

ListedFood FoodOfRow(Form_卡路里计算器& form, int row) {
    if (row < Shipped) {
        const FoodRecord& food = form.Foods().Slot(row + FoodSlots::First);
        const FoodNutrients* nutrients = form.NutrientsOf(food.FoodName);
        return {food.FoodName, food.FoodHot, food.FoodQuantity, nullptr,
                nutrients ? std::optional(nutrients->per100g) : std::nullopt};
    }
    const OwnFood& own = form.Own().at(row - Shipped);
    return {own.name, QString::number(own.kcalPer100g), QStringLiteral("100"), &own, own.per100g};
}

void FillOwnFoods(Form_卡路里计算器& form) {
    form.Own() = form.Shelf().Foods();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(form.Own().size());
    for (const OwnFood& food : form.Own())
        rows.append(OwnRow(form, food));
    form.ListView_食物列表()->addTopLevelItems(rows);
}

std::variant<double, QString> PortionGrams(Form_卡路里计算器& form, const QString& food,
                                           double count, const QString& name) {
    const OwnFood* own = nullptr;
    for (const OwnFood& candidate : form.Own())
        if (candidate.name == food)
            own = &candidate;
    const QList<NamedPortion> portions = PortionsOf(food, form.Shelf().Portions(), own);
    for (const NamedPortion& portion : portions)
        if (portion.name == name) {
            const double grams = RoundHalfEven(count * portion.grams, 2);
            if (grams >= MinGrams && grams <= MaxGrams)
                return grams;
            return GramsHint;
        }
    return PortionsHint(food, portions);
}

void NewOwnFood(Form_卡路里计算器& form) {
    AskOwnFood(form, {});
}

void EditOwnFood(Form_卡路里计算器& form) {
    const int index = OwnIndex(form);
    if (index < 0)
        return;
    if (form.Own().at(index).dish)
        AskDish(form, form.Own().at(index));
    else
        AskOwnFood(form, form.Own().at(index));
}

void DeleteOwnFood(Form_卡路里计算器& form) {
    const int index = OwnIndex(form);
    if (index < 0)
        return;
    const OwnFood food = form.Own().at(index);
    int used = 0;
    if (form.Store() && form.Store()->IsOpen())
        for (const SavedMeal& meal : form.Store()->SavedMeals().All())
            used += std::any_of(meal.foods.begin(), meal.foods.end(),
                                [&](const FoodEntry& entry) { return entry.name == food.name; });
    if (used && AskChoice(&form,
                          QStringLiteral("有 %1 个常用餐用到“%2”。删除后，这些常用餐和已记下的"
                                         "日子保持原样。要删除“%2”吗？")
                              .arg(used)
                              .arg(food.name),
                          {QStringLiteral("删除"), QStringLiteral("取消")}) != 0)
        return;
    if (!form.Shelf().Remove(food.id)) {
        ShowMessage(&form, form.Shelf().Problem());
        return;
    }
    QTreeWidget* list = form.ListView_食物列表();
    form.Search().Close();
    form.Own().removeAt(index);
    delete list->takeTopLevelItem(Shipped + index);
    form.Search().RowRemoved(Shipped + index);
    UpdateFoodActions(form);
}

void NewDish(Form_卡路里计算器& form) {
    AskDish(form, {});
}

void EditPortions(Form_卡路里计算器& form) {
    QTreeWidgetItem* row = form.ListView_食物列表()->currentItem();
    if (!row)
        return;
    const ListedFood food = FoodOfRow(form, form.ListView_食物列表()->indexOfTopLevelItem(row));
    if (!food.name.isEmpty())
        AskPortions(form, food.name);
}

void ExportOwnFoods(Form_卡路里计算器& form) {
    const auto choice = AskSaveFile(&form, QStringLiteral("导出自建食物"),
                                    QDir::homePath() + QStringLiteral("/自建食物.csv"),
                                    {QStringLiteral("CSV 表格 (*.csv)")});
    if (!choice)
        return;
    const QByteArray csv = OwnFoodsCsv({form.Shelf().Foods(), form.Shelf().Portions()});
    if (const auto failure = SaveFileAtomically(choice->path, csv))
        ShowExportFailure(&form, choice->path, *failure);
}

void ImportOwnFoods(Form_卡路里计算器& form) {
    const auto path =
        AskOpenFile(&form, QStringLiteral("导入自建食物"), QDir::homePath(),
                    {QStringLiteral("CSV 表格 (*.csv)"), QStringLiteral("所有文件 (*)")});
    if (!path)
        return;
    const QString shown = QDir::toNativeSeparators(*path);
    QFile file(*path);
    constexpr qint64 Largest = 16 * 1024 * 1024; // far more than any list of foods
    if (!file.open(QIODevice::ReadOnly) || file.size() > Largest) {
        ShowMessage(&form, QStringLiteral("无法导入“%1”：%2。")
                               .arg(shown, file.isOpen() ? QStringLiteral("文件太大")
                                                         : file.errorString()));
        return;
    }
    const OwnFoodsRead read = ReadOwnFoodsCsv(file.readAll());
    int foods = 0, portions = 0, skipped = 0;
    QString failure; // the store's reason, when it keeps nothing more
    for (OwnFood food : read.file.foods) {
        if (NameTaken(form, food.name, 0)) {
            ++skipped;
            continue;
        }
        if (!KeepAndShow(form, food, failure))
            break;
        ++foods;
    }
    QHash<QString, QList<NamedPortion>> byFood;
    for (const NamedPortion& portion : read.file.portions)
        byFood[portion.food].append(portion);
    const QList<NamedPortion> had = form.Shelf().Portions();
    for (auto food = byFood.cbegin(); failure.isEmpty() && food != byFood.cend(); ++food) {
        QList<NamedPortion> kept;
        for (const NamedPortion& portion : had)
            if (portion.food == food.key())
                kept.append(portion);
        const qsizetype before = kept.size();
        for (const NamedPortion& portion : *food)
            if (std::none_of(kept.begin(), kept.end(),
                             [&](const NamedPortion& p) { return p.name == portion.name; }))
                kept.append(portion);
        if (kept.size() == before)
            continue;
        if (!form.Shelf().KeepPortions(food.key(), kept))
            failure = form.Shelf().Problem();
        else
            portions += int(kept.size() - before);
    }
    QString text = QStringLiteral("从“%1”导入了 %2 种食物和菜肴、%3 个份量；跳过了已有名称的 %4 "
                                  "种；拒绝了 %5 行。")
                       .arg(shown)
                       .arg(foods)
                       .arg(portions)
                       .arg(skipped)
                       .arg(read.refused);
    if (!read.reasons.isEmpty())
        text += u'\n' + read.reasons.join(u'\n');
    if (!failure.isEmpty())
        text += u'\n' + failure;
    ShowMessage(&form, text);
}

void UpdateFoodActions(Form_卡路里计算器& form) {
    const bool own = OwnIndex(form) >= 0;
    const bool any = form.ListView_食物列表()->currentItem() != nullptr;
    for (QAction* action : form.ListView_食物列表()->actions()) {
        const QString name = action->objectName();
        if (name == u"Pop_ListView_EditFood" || name == u"Pop_ListView_DeleteFood")
            action->setEnabled(own);
        if (name == u"Pop_ListView_Portions")
            action->setEnabled(any);
    }
}

} // namespace 方法_卡路里计算器
