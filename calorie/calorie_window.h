#pragma once
// The calorie calculator: the foods of the food table on the right, the six meals of a day on
// the left, the total intake under them. Double-clicks drive it, or the keyboard: Enter on a food
// adds it, Enter or Delete on a placed food removes it, F2 weighs it anew, typing finds a food.
// The food list's menu makes the user's own foods, dishes and portions; they follow the 200
// shipped rows. The meal tree's menu sets a daily target, keeps the days in the diary, reuses saved
// meals, undoes and takes the plan out of the program. There is no Calculate button.

#include "calorie/core/day_model.h"
#include "calorie/core/own_shelf.h"
#include "frame/tool_window.h"

#include <memory>
#include <optional>

class FoodSearch;
class QLabel;
class FoodSlots;
class QAction;
class QMenu;
class QTreeWidget;

namespace 方法_卡路里计算器 {
class DiaryStore;
}

class Form_卡路里计算器 final : public ToolWindow {
  public:
    // Lists the given table, the program's food table unless a test passes its own.
    explicit Form_卡路里计算器(const FoodSlots& foods);
    // With the user's own foods on the given shelf.
    Form_卡路里计算器(const FoodSlots& foods,
                      std::unique_ptr<方法_卡路里计算器::OwnFoodShelf> shelf);
    Form_卡路里计算器();
    ~Form_卡路里计算器() override;

    QTreeWidget* TreeView_食物列表() const { return m_meals; }
    QTreeWidget* ListView_食物列表() const { return m_foods; }
    const FoodSlots& Foods() const { return m_table; }
    FoodSearch& Search() const { return *m_search; }
    std::optional<int> TargetKcal() const { return m_target; }
    void SetTargetKcal(std::optional<int> kcal) { m_target = kcal; }

    方法_卡路里计算器::DayModel& Day() { return m_day; }
    const 方法_卡路里计算器::DayModel& Day() const { return m_day; }
    // Keeps each change in the diary while it is on; takes it as it is otherwise.
    方法_卡路里计算器::DayModel::Keeper Keeper();
    // The store once opened or made: the diary, saved meals, weighings. Null until then.
    方法_卡路里计算器::DiaryStore* Store() const { return m_store.get(); }
    void SetStore(std::unique_ptr<方法_卡路里计算器::DiaryStore> store);
    bool DiaryOn() const;
    // The shown day's date, above the tree while the diary is on.
    QLabel* Label_日期() const { return m_date; }
    QMenu* Pop_TreeView() const { return m_mealMenu; }
    QMenu* Pop_ListView() const { return m_foodMenu; }

    // The user's own foods, dishes and portions; the rows after the shipped ones show Own().
    方法_卡路里计算器::OwnFoodShelf& Shelf() const { return *m_shelf; }
    QList<方法_卡路里计算器::OwnFood>& Own() { return m_own; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateMealTree();
    void CreateMealMenu();
    void CreateFoodList();
    void CreateDateLabel();
    void CreateFoodMenu();
    void ShowFoodMenu(const QPoint& globalPos);
    void ShowMealMenu(const QPoint& globalPos);
    void ShowMealMenuAtCurrent();
    bool MealTreeEvent(QEvent* event);

    const FoodSlots& m_table;
    QTreeWidget* m_meals = nullptr;
    QTreeWidget* m_foods = nullptr;
    FoodSearch* m_search = nullptr;
    QMenu* m_mealMenu = nullptr;
    QAction* m_clearTarget = nullptr;
    std::optional<int> m_target;
    方法_卡路里计算器::DayModel m_day;
    std::unique_ptr<方法_卡路里计算器::DiaryStore> m_store;
    QLabel* m_date = nullptr;
    QMenu* m_foodMenu = nullptr;
    std::unique_ptr<方法_卡路里计算器::OwnFoodShelf> m_shelf;
    QList<方法_卡路里计算器::OwnFood> m_own;
    bool m_closeWaits = false; // asked to close while a change waited for the diary
};
