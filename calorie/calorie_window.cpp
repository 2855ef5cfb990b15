#include "calorie/calorie_window.h"

#include "calorie/calorie.h"
#include "calorie/core/daily_target.h"
#include "calorie/core/food_table.h"
#include "calorie/core/portion.h"
#include "calorie/diary.h"
#include "calorie/food_search.h"
#include "calorie/own_foods.h"
#include "calorie/plan_out.h"
#include "diary/diary_store.h"
#include "frame/appearance.h"
#include "frame/core/numbers.h"
#include "frame/message.h"
#include "frame/rich_text_box.h"
#include "weight/weight_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>

namespace {
constexpr int CloseRetryMs = 100;
} // namespace

Form_卡路里计算器::Form_卡路里计算器()
    : Form_卡路里计算器(自定义变量::FoodTable, 方法_卡路里计算器::ShippedNutrients()) {}

Form_卡路里计算器::Form_卡路里计算器(const FoodSlots& foods,
                                     const 方法_卡路里计算器::NutrientTable& nutrients)
    : Form_卡路里计算器(foods, nutrients, nullptr) {}

Form_卡路里计算器::Form_卡路里计算器(const FoodSlots& foods,
                                     std::unique_ptr<方法_卡路里计算器::OwnFoodShelf> shelf)
    : Form_卡路里计算器(foods, {}, std::move(shelf)) {}

Form_卡路里计算器::Form_卡路里计算器(const FoodSlots& foods,
                                     const 方法_卡路里计算器::NutrientTable& nutrients,
                                     std::unique_ptr<方法_卡路里计算器::OwnFoodShelf> shelf)
    : ToolWindow(QStringLiteral("卡路里计算器")), m_table(foods), m_nutrients(nutrients),
      m_shelf(shelf ? std::move(shelf) : 方法_卡路里计算器::DiaryShelf(*this)) {
    m_day.Reset(QDate::currentDate());
    CreateDateLabel();
    CreateMealTree();
    CreateMealMenu();
    CreateNutrientLabel();
    CreateFoodList();
    CreateFoodMenu();
    RichTextBox* result = RichTextBox_结果();
    result->setGeometry(4, 472, 231, 55);
    result->setAccessibleName(QStringLiteral("共摄入"));
    setTabOrder(m_meals, m_foods);
    setTabOrder(m_foods, result);
    // The plan starts from the meals; the result box, created first, would otherwise have the
    // focus and show the total's selection.
    m_meals->setFocus();

    m_target = 方法_卡路里计算器::LoadTarget();
    m_goals = 方法_卡路里计算器::LoadGoals();
    {
        // Read, not changed: nothing to keep yet.
        const QSignalBlocker quiet(m_showNutrients);
        m_showNutrients->setChecked(方法_卡路里计算器::LoadShowNutrients());
    }
    方法_卡路里计算器::InitMealTree(*this);
    方法_卡路里计算器::OpenDiary(*this); // the own foods live in the diary's file
    方法_卡路里计算器::FillFoodList(*this);
    // Nothing waits for the food reader: foods that arrive after the window opened fill it in.
    WhenFoodsArrive(m_table, this, [this] {
        m_search->Reset();
        m_foods->clear();
        方法_卡路里计算器::FillFoodList(*this);
    });
}

// The search watches the list and the window's focus: it goes first, before the list it watches.
// A weight still being typed in the tree is dropped, not kept: the hiding window takes the focus
// from its editor when nothing of the window is left to keep it with.
Form_卡路里计算器::~Form_卡路里计算器() {
    delete m_search;
    QObject::disconnect(m_meals->itemDelegate(), nullptr, m_meals, nullptr);
}

const 方法_卡路里计算器::FoodNutrients*
Form_卡路里计算器::NutrientsOf(const QString& foodName) const {
    const auto found = m_nutrients.constFind(foodName);
    return found == m_nutrients.cend() ? nullptr : &*found;
}

方法_卡路里计算器::DayModel::Keeper Form_卡路里计算器::Keeper() {
    return [this](方法_卡路里计算器::Change& change) {
        if (!DiaryOn() || m_store->Days().Apply(m_day.Date(), change))
            return true;
        ShowMessage(this, m_store->Problem());
        // Deleted by another window: once this change is over, as the day is in the middle of it.
        if (m_store->Status() == 方法_卡路里计算器::DiaryStore::State::Missing)
            QTimer::singleShot(0, this, [this] { 方法_卡路里计算器::KeepDayWithoutDiary(*this); });
        return false;
    };
}

void Form_卡路里计算器::SetStore(std::unique_ptr<方法_卡路里计算器::DiaryStore> store) {
    m_store = std::move(store);
    if (m_store)
        m_store->WaitWithEventsRunning();
}

// Closed while a change waits for the diary: once it is kept or taken back and said so, as the
// window is still in the middle of it.
void Form_卡路里计算器::closeEvent(QCloseEvent* event) {
    m_closeWaits = (m_store && m_store->Writing()) ||
                   (m_closeWaits && QApplication::activeModalWidget() != nullptr);
    if (m_closeWaits) {
        event->ignore();
        QTimer::singleShot(CloseRetryMs, this, &QWidget::close);
        return;
    }
    ToolWindow::closeEvent(event);
}

bool Form_卡路里计算器::DiaryOn() const {
    return m_store && m_store->IsOpen() && m_store->Settings().DiaryOn();
}

// The day the tree shows, for everyone and for screen readers; only while the diary is on.
void Form_卡路里计算器::CreateDateLabel() {
    m_date = new QLabel(this);
    m_date->setObjectName(QStringLiteral("Label_日期"));
    m_date->setGeometry(4, 2, 231, 20);
    m_date->setAlignment(Qt::AlignCenter);
    m_date->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_date->hide();
}

// The day's nutrients under the meals, only while "显示营养素" is checked; the tree makes room.
void Form_卡路里计算器::CreateNutrientLabel() {
    m_nutrientLabel = new QLabel(this);
    m_nutrientLabel->setObjectName(QStringLiteral("Label_营养素"));
    m_nutrientLabel->setWordWrap(true);
    m_nutrientLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_nutrientLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_nutrientLabel->hide();
}

namespace {
// Nodes and rows are never renamed in place: meals are told apart by their text. F2 on a food
// node edits its weight alone, through the window.
QTreeWidget* Tree(QWidget* parent, const QString& name, const QRect& geometry,
                  const QString& toolTip, const QString& accessibleName) {
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(name);
    tree->setGeometry(geometry);
    tree->setToolTip(toolTip);
    tree->setAccessibleName(accessibleName);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return tree;
}
} // namespace

namespace {

// The editor F2 opens on a food node: its weight in grams or a count of one of the food's named
// portions, nothing else of its text.
class WeightEditor final : public QStyledItemDelegate {
  public:
    // Why the typed text is refused, empty when it is taken; with apply, it is.
    using Weigh = std::function<QString(const QString& typed, bool apply)>;
    WeightEditor(QObject* parent, Weigh weigh, std::function<QString(const QModelIndex&)> shown)
        : QStyledItemDelegate(parent), m_weigh(std::move(weigh)), m_shown(std::move(shown)) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* editor = new QLineEdit(parent);
        editor->setAccessibleName(QStringLiteral("重量（克）或份量"));
        editor->setPlaceholderText(方法_卡路里计算器::GramsHint);
        editor->setMaxLength(20);
        // A refused weight is said in the field, in grey, as the find field says it.
        auto* refusal = new QLabel(方法_卡路里计算器::GramsHint, editor);
        refusal->setObjectName(QStringLiteral("Label_重量提示"));
        refusal->setForegroundRole(QPalette::PlaceholderText);
        refusal->hide();
        connect(editor, &QLineEdit::textEdited, refusal, [editor, refusal] {
            refusal->hide();
            editor->setTextMargins(0, 0, 0, 0);
            editor->setAccessibleDescription(QString());
        });
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* field = static_cast<QLineEdit*>(editor);
        field->setText(m_shown(index));
        field->selectAll();
    }

    // Only a weight the field takes gets this far; leaving the editor otherwise changes nothing.
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const override {
        const QString typed = static_cast<QLineEdit*>(editor)->text();
        if (m_weigh(typed, false).isEmpty())
            m_weigh(typed, true);
    }

  protected:
    // Enter on a weight that is not taken keeps the editor open and says why.
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* field = qobject_cast<QLineEdit*>(watched);
        if (field && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            const QString refused = key == Qt::Key_Return || key == Qt::Key_Enter
                                        ? m_weigh(field->text(), false)
                                        : QString();
            if (!refused.isEmpty()) {
                auto* refusal = field->findChild<QLabel*>(QStringLiteral("Label_重量提示"));
                refusal->setText(refused);
                const int width = refusal->sizeHint().width() + 6;
                field->setTextMargins(0, 0, width, 0);
                refusal->setGeometry(field->width() - width, 0, width - 4, field->height());
                refusal->show();
                field->setAccessibleDescription(refused);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(watched, event);
    }

  private:
    Weigh m_weigh;
    std::function<QString(const QModelIndex&)> m_shown;
};

} // namespace

void Form_卡路里计算器::CreateMealTree() {
    m_meals = Tree(this, QStringLiteral("TreeView_食物列表"), {2, 2, 233, 465},
                   QStringLiteral("双击节点删除"), QStringLiteral("今日餐单"));
    m_meals->setHeaderHidden(true);
    // The second column holds each meal's subtotal; its header names it for screen readers.
    m_meals->setHeaderLabels({QStringLiteral("餐次"), QStringLiteral("小计")});
    m_meals->header()->setStretchLastSection(false);
    m_meals->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_meals->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_meals->setAllColumnsShowFocus(true); // one focus frame around the meal row, not per cell
    m_meals->setItemDelegate(new WeightEditor(
        m_meals,
        [this](const QString& typed, bool apply) {
            return 方法_卡路里计算器::WeighAnew(*this, m_meals->currentItem(), typed, apply);
        },
        [this](const QModelIndex& index) {
            if (!index.parent().isValid())
                return QString();
            const auto entry = m_day.Foods(index.parent().row()).value(index.row());
            return entry.portion.isEmpty()
                       ? FormatNumber(entry.grams.value_or(0))
                       : 方法_卡路里计算器::CountedText(entry.portionCount, entry.portion);
        }));
    m_meals->installEventFilter(this);
    m_meals->viewport()->installEventFilter(this);
    connect(m_meals, &QTreeWidget::itemDoubleClicked, this,
            [this] { 方法_卡路里计算器::RemoveFoodFromMeal(*this); });
    connect(m_meals, &QTreeWidget::currentItemChanged, this, [this] {
        方法_卡路里计算器::UpdateDiaryActions(*this);
        方法_卡路里计算器::ShowNutrients(*this); // the selected meal's line follows
    });
}

// The meal tree's one menu: the daily target, undo, the diary and saved meals, the day's plan out
// of the program, then "显示营养素"; commands with keys answer them while the menu is closed as
// well.
void Form_卡路里计算器::CreateMealMenu() {
    m_mealMenu = new QMenu(QStringLiteral("餐单操作"), this);
    m_mealMenu->setObjectName(QStringLiteral("Pop_TreeView"));
    QAction* set = m_mealMenu->addAction(QStringLiteral("设定每日目标…"));
    connect(set, &QAction::triggered, this, [this] { 方法_卡路里计算器::AskDailyTarget(*this); });
    m_clearTarget = m_mealMenu->addAction(QStringLiteral("清除每日目标"));
    connect(m_clearTarget, &QAction::triggered, this,
            [this] { 方法_卡路里计算器::SetDailyTarget(*this, std::nullopt); });
    QAction* weights = m_mealMenu->addAction(QStringLiteral("体重记录…"));
    weights->setObjectName(QStringLiteral("Pop_TreeView_WeightLog"));
    connect(weights, &QAction::triggered, this, [this] { OpenWeightLog(this); });
    m_mealMenu->addSeparator();
    方法_卡路里计算器::AddDiaryActions(*this, *m_mealMenu);
    方法_卡路里计算器::AddPlanActions(*this, *m_mealMenu);
    // Last, where the menu's other commands keep their places.
    m_mealMenu->addSeparator();
    m_showNutrients = m_mealMenu->addAction(QStringLiteral("显示营养素"));
    m_showNutrients->setObjectName(QStringLiteral("Pop_TreeView_ShowNutrients"));
    m_showNutrients->setCheckable(true);
    connect(m_showNutrients, &QAction::toggled, this,
            [this](bool on) { 方法_卡路里计算器::SetShowNutrients(*this, on); });
}

namespace {

// The food list repaints at every keystroke of a search, so it draws its one-line cells itself,
// each text laid out once and kept: the style's general item painting lays every text out again
// at each paint and measures parts of a cell that these cells do not have, which made a repaint
// of the list cost about three times as much.
class PlainCells final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QStyle::State state = option.state;
        const QPalette::ColorGroup group = !(state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (state & QStyle::State_Active) ? QPalette::Active
                                                                            : QPalette::Inactive;
        const bool selected = state & QStyle::State_Selected;
        if (selected)
            painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
        const int margin = Margin(option.widget);
        const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
        const QStaticText& text = Laid(index.data().toString(), area.width(), option);
        const QSizeF size = text.size();
        const QVariant alignment = index.data(Qt::TextAlignmentRole);
        const bool right = alignment.isValid() && (alignment.toInt() & Qt::AlignRight);
        const QPointF at(right ? area.right() + 1 - size.width() : area.left(),
                         area.top() + (area.height() - size.height()) / 2);
        painter->setPen(
            option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawStaticText(at, text);
        // An own food or dish: a bar before its name, in its colour.
        if (const QVariant mark = index.data(Qt::UserRole); mark.isValid() && index.column() == 0)
            painter->fillRect(
                QRect(option.rect.left(), option.rect.top() + 2, 2, option.rect.height() - 4),
                mark.value<QColor>());
        if (!m_layingOutAll) {
            m_layingOutAll = true;
            const auto* list = static_cast<const QTreeWidget*>(option.widget);
            QTimer::singleShot(0, this, [this, list, option] { LayOutAll(*list, option); });
        }
    }

  private:
    static int Margin(const QWidget* list) {
        return list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    }

    // After the first paint, in idle time: the rows a search brings up are then drawn at once.
    void LayOutAll(const QTreeWidget& list, const QStyleOptionViewItem& option) const {
        for (int row = 0; row < list.topLevelItemCount(); ++row)
            for (int column = 0; column < list.columnCount(); ++column)
                Laid(list.topLevelItem(row)->text(column),
                     list.columnWidth(column) - 2 * Margin(&list), option);
    }

    // The text elided to width, laid out in the list's font; kept per text and width.
    const QStaticText& Laid(const QString& text, int width,
                            const QStyleOptionViewItem& option) const {
        QStaticText& laid = m_laid[{text, width}];
        if (laid.text().isEmpty() && !text.isEmpty()) {
            laid.setTextFormat(Qt::PlainText);
            laid.setText(option.fontMetrics.elidedText(text, Qt::ElideRight, width));
            laid.prepare(QTransform(), option.font);
        }
        return laid;
    }

    mutable QHash<std::pair<QString, int>, QStaticText> m_laid;
    mutable bool m_layingOutAll = false;
};

} // namespace

void Form_卡路里计算器::CreateFoodList() {
    m_foods = Tree(this, QStringLiteral("ListView_食物列表"), {240, 2, 429, 525},
                   QStringLiteral("双击列表添加"), QStringLiteral("食物列表"));
    m_foods->setRootIsDecorated(false);
    m_foods->setUniformRowHeights(true);
    PaintInBands(m_foods->verticalScrollBar());
    m_foods->setAllColumnsShowFocus(true);
    m_foods->setItemDelegate(new PlainCells(m_foods));
    m_foods->setHeaderLabels({QStringLiteral("食物名称"), QStringLiteral("食物别名"),
                              QStringLiteral("食物热量"), QStringLiteral("食物重量")});
    const int widths[] = {157, 87, 87, 73};
    for (int column = 0; column < 4; ++column)
        m_foods->setColumnWidth(column, widths[column]);
    for (int column : {2, 3})
        m_foods->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    m_foods->header()->setStretchLastSection(false);
    connect(m_foods, &QTreeWidget::itemDoubleClicked, this,
            [this] { 方法_卡路里计算器::AddFoodToMeal(*this); });
    m_foods->installEventFilter(this);
    m_foods->viewport()->installEventFilter(this);
    connect(m_foods, &QTreeWidget::currentItemChanged, this,
            [this] { 方法_卡路里计算器::UpdateFoodActions(*this); });
    m_search = new FoodSearch(m_foods, [this] { return 方法_卡路里计算器::AddFoodToMeal(*this); });
    m_search->SetBeforeOpen([this] { 方法_卡路里计算器::RefreshOwnFoods(*this); });
}

// The food list's one menu: the user's own foods, dishes and portions. Its keys work while the
// list has the focus (Ctrl+N in the whole window).
void Form_卡路里计算器::CreateFoodMenu() {
    m_foodMenu = new QMenu(QStringLiteral("食物操作"), this);
    m_foodMenu->setObjectName(QStringLiteral("Pop_ListView"));
    const auto add = [this](const char* name, const QString& text, const QKeySequence& keys,
                            void (*run)(Form_卡路里计算器&)) {
        QAction* action = m_foodMenu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        action->setShortcutContext(keys.matches(QKeySequence(Qt::CTRL | Qt::Key_N))
                                       ? Qt::WindowShortcut
                                       : Qt::WidgetShortcut);
        m_foods->addAction(action);
        connect(action, &QAction::triggered, this, [this, run] { run(*this); });
    };
    using namespace 方法_卡路里计算器;
    add("Pop_ListView_NewFood", QStringLiteral("新建食物…"), QKeySequence(Qt::CTRL | Qt::Key_N),
        NewOwnFood);
    add("Pop_ListView_EditFood", QStringLiteral("编辑食物…"), QKeySequence(Qt::Key_F2),
        EditOwnFood);
    add("Pop_ListView_DeleteFood", QStringLiteral("删除食物"), QKeySequence(Qt::Key_Delete),
        DeleteOwnFood);
    m_foodMenu->addSeparator();
    add("Pop_ListView_NewDish", QStringLiteral("新建菜肴…"), QKeySequence(), NewDish);
    add("Pop_ListView_Portions", QStringLiteral("份量…"), QKeySequence(), EditPortions);
    m_foodMenu->addSeparator();
    add("Pop_ListView_ExportOwn", QStringLiteral("导出自建食物…"), QKeySequence(), ExportOwnFoods);
    add("Pop_ListView_ImportOwn", QStringLiteral("导入自建食物…"), QKeySequence(), ImportOwnFoods);
    m_foodMenu->addSeparator();
    add("Pop_ListView_Source", QStringLiteral("数据来源"), QKeySequence(), ShowFoodSource);
    UpdateFoodActions(*this);
}

void Form_卡路里计算器::ShowFoodMenu(const QPoint& globalPos) {
    方法_卡路里计算器::UpdateFoodActions(*this);
    findChild<QAction*>(QStringLiteral("Pop_ListView_Source"))
        ->setEnabled(m_foods->currentItem() != nullptr);
    m_foodMenu->exec(globalPos);
}

// Right click, the Menu key or Shift+F10, as on the meal tree.
bool Form_卡路里计算器::FoodListEvent(QEvent* event) {
    const QTreeWidgetItem* current = m_foods->currentItem();
    const QPoint under = m_foods->viewport()->mapToGlobal(
        current ? m_foods->visualItemRect(current).bottomLeft() : QPoint(0, 0));
    if (event->type() == QEvent::ContextMenu) {
        const auto* menu = static_cast<QContextMenuEvent*>(event);
        ShowFoodMenu(menu->reason() == QContextMenuEvent::Keyboard ? under : menu->globalPos());
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* press = static_cast<QKeyEvent*>(event);
    if (press->key() == Qt::Key_Menu ||
        (press->key() == Qt::Key_F10 && press->modifiers() == Qt::ShiftModifier)) {
        ShowFoodMenu(under);
        return true;
    }
    return false;
}

// Enter does what a double-click does, in the list and in the tree; Delete removes as well.
bool Form_卡路里计算器::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_meals || watched == m_meals->viewport()) && MealTreeEvent(event))
        return true;
    if ((watched == m_foods || watched == m_foods->viewport()) && FoodListEvent(event))
        return true;
    if (watched == m_foods && event->type() == QEvent::FocusIn)
        方法_卡路里计算器::RefreshOwnFoods(*this);
    if (watched == m_foods && event->type() == QEvent::KeyPress) {
        const auto* press = static_cast<QKeyEvent*>(event);
        const int key = press->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            方法_卡路里计算器::AddFoodToMeal(*this);
            return true;
        }
        if (key == Qt::Key_Menu ||
            (key == Qt::Key_F10 && press->modifiers() == Qt::ShiftModifier)) {
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QPoint());
            return eventFilter(m_foods, &menu);
        }
    }
    return ToolWindow::eventFilter(watched, event);
}

bool Form_卡路里计算器::MealTreeEvent(QEvent* event) {
    if (event->type() == QEvent::ContextMenu) {
        const auto* menu = static_cast<QContextMenuEvent*>(event);
        if (menu->reason() == QContextMenuEvent::Keyboard)
            ShowMealMenuAtCurrent();
        else
            ShowMealMenu(menu->globalPos());
        return true;
    }
    // Keys the weight editor leaves to its parents, Return above all, are not the tree's own.
    // (hasFocus would not do: it is false while the window waits to be activated again.)
    if (event->type() != QEvent::KeyPress || m_meals->focusWidget() != m_meals)
        return false;
    const auto* press = static_cast<QKeyEvent*>(event);
    const int key = press->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Delete) {
        方法_卡路里计算器::RemoveFoodFromMeal(*this);
        return true;
    }
    // Not every platform turns these keys into a context menu event of its own.
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && press->modifiers() == Qt::ShiftModifier)) {
        ShowMealMenuAtCurrent();
        return true;
    }
    QTreeWidgetItem* current = m_meals->currentItem();
    if (key == Qt::Key_F2 && current && (current->flags() & Qt::ItemIsEditable)) {
        m_meals->editItem(current, 0);
        return true;
    }
    if (key == Qt::Key_F2 && current && current->parent()) {
        QToolTip::showText(
            m_meals->viewport()->mapToGlobal(m_meals->visualItemRect(current).bottomLeft()),
            方法_卡路里计算器::NotWeighable, m_meals);
        return true;
    }
    return false;
}

// From the keyboard the menu opens under the current row, not where the mouse happens to be.
void Form_卡路里计算器::ShowMealMenuAtCurrent() {
    const QTreeWidgetItem* current = m_meals->currentItem();
    ShowMealMenu(m_meals->viewport()->mapToGlobal(
        current ? m_meals->visualItemRect(current).bottomLeft() : QPoint(0, 0)));
}

// By right click or the Menu key.
void Form_卡路里计算器::ShowMealMenu(const QPoint& globalPos) {
    m_clearTarget->setEnabled(m_target.has_value());
    方法_卡路里计算器::UpdateDiaryActions(*this);
    m_mealMenu->exec(globalPos);
}
