#include "calorie/diary.h"

#include "calorie/calorie.h"
#include "calorie/calorie_window.h"
#include "calorie/core/day_plan.h"
#include "calorie/core/intake.h"
#include "calorie/own_foods.h"
#include "diary/diary_store.h"
#include "frame/core/numbers.h"
#include "frame/file_dialogs.h"
#include "frame/message.h"
#include "frame/save_file.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>

namespace 方法_卡路里计算器 {

namespace {

QDate Today() {
    return QDate::currentDate();
}

// The date above the tree while the diary is on; the tree makes room for it.
void ShowDateLine(Form_卡路里计算器& form) {
    const bool on = form.DiaryOn();
    QLabel* label = form.Label_日期();
    label->setText(DateText(form.Day().Date()));
    label->setVisible(on);
    form.TreeView_食物列表()->setGeometry(on ? QRect(2, 24, 233, 443) : QRect(2, 2, 233, 465));
    ShowNutrients(form); // and for the nutrients under the meals
}

// The day as the diary holds it now: another program may have changed it meanwhile.
void Load(Form_卡路里计算器& form, QDate date) {
    form.Day().Reset(date, form.DiaryOn() ? form.Store()->Days().Day(date) : DayMeals{});
    ShowDay(form);
    ShowDateLine(form);
    UpdateDiaryActions(form);
}

// The meal of the tree's current node, a meal or a food in it; -1 for none.
int CurrentMeal(const Form_卡路里计算器& form) {
    return MealOf(form.TreeView_食物列表()->currentItem());
}

QString MealTitle(const QString& name, double kcal) {
    return name + QStringLiteral("  ") + FormatNumber(kcal) + Kcal;
}

void InsertSavedMeal(Form_卡路里计算器& form, qint64 id) {
    const int meal = CurrentMeal(form);
    if (meal < 0 || !form.Store() || !form.Store()->IsOpen())
        return;
    for (const SavedMeal& saved : form.Store()->SavedMeals().All())
        if (saved.id == id)
            Do(form, form.Day().Adding(meal, saved.foods));
}

void FillSavedMeals(Form_卡路里计算器& form, QMenu& submenu) {
    submenu.clear();
    if (!form.Store() || !form.Store()->IsOpen())
        return;
    for (const SavedMeal& saved : form.Store()->SavedMeals().All()) {
        QAction* action = submenu.addAction(MealTitle(saved.name, saved.Kcal()));
        QObject::connect(action, &QAction::triggered, &form,
                         [&form, id = saved.id] { InsertSavedMeal(form, id); });
    }
}

// Runs work once the window has painted for the first time.
void AfterFirstPaint(QWidget& window, std::function<void()> work) {
    class Watcher final : public QObject {
      public:
        Watcher(QWidget& window, std::function<void()> work)
            : QObject(&window), m_work(std::move(work)) {
            window.installEventFilter(this);
        }

      protected:
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint && m_work) {
                watched->removeEventFilter(this);
                QTimer::singleShot(0, watched, std::exchange(m_work, {}));
                deleteLater();
            }
            return false;
        }

      private:
        std::function<void()> m_work;
    };
    new Watcher(window, std::move(work));
}

QAction* Find(const Form_卡路里计算器& form, const char* name) {
    return form.findChild<QAction*>(QString::fromLatin1(name));
}

} // namespace

DiaryStore* MadeStore(Form_卡路里计算器& form, QString* problem) {
    if (!form.Store())
        form.SetStore(std::make_unique<DiaryStore>());
    DiaryStore* store = form.Store();
    if (store->Status() == DiaryStore::State::Missing)
        store->Create();
    if (store->IsOpen())
        return store;
    if (problem)
        *problem = store->Problem();
    else
        ShowMessage(&form, store->Problem());
    return nullptr;
}

void OpenDiary(Form_卡路里计算器& form) {
    auto store = std::make_unique<DiaryStore>();
    const DiaryStore::State state = store->Open();
    if (state != DiaryStore::State::Missing)
        form.SetStore(std::move(store));
    if (state != DiaryStore::State::Missing && state != DiaryStore::State::Open)
        QTimer::singleShot(0, &form, [&form] { ShowMessage(&form, form.Store()->Problem()); });
    // Counting the rows that cannot be read takes a pass over the whole file: after the first
    // frame.
    if (state == DiaryStore::State::Open)
        AfterFirstPaint(form, [&form] {
            const QString notice = form.Store() ? form.Store()->UnreadableNotice() : QString();
            if (!notice.isEmpty())
                ShowMessage(&form, notice);
        });
    Load(form, Today());
}

void SetDiaryOn(Form_卡路里计算器& form, bool on) {
    if (on == form.DiaryOn())
        return;
    if (on) {
        DiaryStore* store = MadeStore(form);
        if (!store)
            return;
        // Only what was planned while the diary was off joins today: an entry with an id is the
        // diary's already, on its own day.
        DayModel today;
        today.Reset(Today(), store->Days().Day(Today()));
        Change change;
        for (int meal = 0; meal < MealCount; ++meal) {
            QList<FoodEntry> planned;
            for (const FoodEntry& food : form.Day().Foods(meal)) {
                if (food.id == 0)
                    planned << food;
            }
            change += today.Adding(meal, planned);
        }
        if (!store->Settings().TurnOnWith(Today(), change)) {
            ShowMessage(&form, store->Problem());
            return;
        }
        Load(form, Today());
        return;
    }
    DiaryStore* store = form.Store();
    const int answer = AskChoice(
        &form,
        QStringLiteral("日记中记有 %1 天的餐单。不再记住每天的餐单后，要保留日记以后再用，还是把它"
                       "连同常用餐、体重记录、自建食物、菜肴和份量一起删除？")
            .arg(store->Days().DaysWithEntries().size()),
        {QStringLiteral("保留"), QStringLiteral("删除")});
    if (answer == 0 && !store->Settings().SetDiaryOn(false))
        ShowMessage(&form, store->Problem());
    if (answer == 1) {
        if (store->Delete()) {
            form.SetStore(nullptr);
            KeepDayWithoutDiary(form);
            RefreshOwnFoods(form); // they were in the file
        } else
            ShowMessage(&form, store->Problem()); // another program may hold it
    }
    ShowDateLine(form); // the day stays on screen, in memory only
}

void KeepDayWithoutDiary(Form_卡路里计算器& form) {
    // What stays on screen belongs to no diary now.
    DayMeals kept = form.Day().AllMeals();
    for (QList<FoodEntry>& meal : kept) {
        for (FoodEntry& food : meal)
            food.id = 0;
    }
    form.Day().Reset(form.Day().Date(), kept);
    UpdateDiaryActions(form);
    ShowDateLine(form);
}

void ShowDate(Form_卡路里计算器& form, QDate date) {
    if (form.DiaryOn() && date.isValid())
        Load(form, date);
}

void AskDate(Form_卡路里计算器& form) {
    if (!form.DiaryOn())
        return;
    QDialog dialog(&form);
    dialog.setWindowTitle(QStringLiteral("转到日期"));
    auto* calendar = new QCalendarWidget(&dialog);
    calendar->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    calendar->setAccessibleName(QStringLiteral("日期"));
    calendar->setGridVisible(true);
    calendar->setFirstDayOfWeek(Qt::Monday); // as calendars in China are printed
    calendar->setSelectedDate(form.Day().Date());
    // Days with entries stand out.
    QTextCharFormat planned;
    planned.setFontWeight(QFont::Bold);
    planned.setForeground(QColor(0xFF, 0x33, 0xAA));
    planned.setToolTip(QStringLiteral("有记录"));
    for (const QDate& day : form.Store()->Days().DaysWithEntries())
        calendar->setDateTextFormat(day, planned);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(calendar, &QCalendarWidget::activated, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(calendar);
    layout->addWidget(buttons);
    calendar->setFocus();
    if (dialog.exec() == QDialog::Accepted)
        ShowDate(form, calendar->selectedDate());
}

void SaveMealAs(Form_卡路里计算器& form) {
    const int meal = CurrentMeal(form);
    if (meal < 0 || form.Day().Foods(meal).isEmpty())
        return;
    const QDate date = form.Day().Date();
    QDialog dialog(&form);
    dialog.setWindowTitle(QStringLiteral("保存为常用餐"));
    dialog.setMinimumWidth(320); // room for a name of some length while it is composed
    auto* name = new QLineEdit(
        Meals[meal] + QStringLiteral(" %1月%2日").arg(date.month()).arg(date.day()), &dialog);
    name->setAccessibleName(QStringLiteral("名称"));
    name->setMaxLength(40);
    name->selectAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    QObject::connect(name, &QLineEdit::textChanged, ok,
                     [ok](const QString& text) { ok->setEnabled(!text.trimmed().isEmpty()); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QFormLayout(&dialog);
    layout->addRow(QStringLiteral("名称"), name);
    layout->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString chosen = name->text().trimmed();
    if (form.Store() && form.Store()->IsOpen() && form.Store()->SavedMeals().Named(chosen) &&
        AskChoice(&form, QStringLiteral("已有名为“%1”的常用餐，要替换它吗？").arg(chosen),
                  {QStringLiteral("替换"), QStringLiteral("取消")}) != 0)
        return;
    DiaryStore* store = MadeStore(form);
    if (store && !store->SavedMeals().Save(chosen, form.Day().Foods(meal)))
        ShowMessage(&form, store->Problem());
}

namespace {

// The saved meals with their foods; F2 renames a meal, Delete deletes it.
class SavedMealsList final : public QTreeWidget {
  public:
    SavedMealsList(DiaryStore& store, QWidget* parent) : QTreeWidget(parent), m_store(store) {
        setObjectName(QStringLiteral("TreeView_常用餐"));
        setAccessibleName(QStringLiteral("常用餐"));
        setHeaderLabels({QStringLiteral("名称"), QStringLiteral("热量")});
        header()->setSectionResizeMode(0, QHeaderView::Stretch);
        header()->setStretchLastSection(false);
        header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
        setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
        connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
            if (!m_filling)
                Rename(item);
        });
        Fill();
    }

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Delete && currentItem()) {
            QTreeWidgetItem* meal =
                currentItem()->parent() ? currentItem()->parent() : currentItem();
            if (!m_store.SavedMeals().Delete(meal->data(0, Qt::UserRole).toLongLong()))
                ShowMessage(this, m_store.Problem());
            Fill();
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }

  private:
    void Fill() {
        m_filling = true;
        const int row = currentItem()
                            ? indexOfTopLevelItem(currentItem()->parent() ? currentItem()->parent()
                                                                          : currentItem())
                            : 0;
        clear();
        for (const SavedMeal& saved : m_store.SavedMeals().All()) {
            auto* meal = new QTreeWidgetItem(this, {saved.name, FormatNumber(saved.Kcal()) + Kcal});
            meal->setData(0, Qt::UserRole, saved.id);
            meal->setFlags(meal->flags() | Qt::ItemIsEditable);
            for (const FoodEntry& food : saved.foods)
                new QTreeWidgetItem(meal, {EntryText(food)});
        }
        expandAll();
        if (topLevelItemCount())
            setCurrentItem(topLevelItem(std::min(row, topLevelItemCount() - 1)));
        m_filling = false;
    }

    void Rename(QTreeWidgetItem* item) {
        const QString name = item->text(0).trimmed();
        if (item->parent() || name.isEmpty() ||
            !m_store.SavedMeals().Rename(item->data(0, Qt::UserRole).toLongLong(), name)) {
            if (!name.isEmpty() && !item->parent())
                ShowMessage(this, m_store.Problem());
            // The list goes back to what is kept, after the editor has let go of the item.
            QTimer::singleShot(0, this, [this] { Fill(); });
        }
    }

    DiaryStore& m_store;
    bool m_filling = false;
};

} // namespace

void ManageSavedMeals(Form_卡路里计算器& form) {
    if (!form.Store() || !form.Store()->IsOpen())
        return;
    QDialog dialog(&form);
    dialog.setWindowTitle(QStringLiteral("管理常用餐"));
    dialog.resize(360, 400);
    auto* list = new SavedMealsList(*form.Store(), &dialog);
    auto* hint = new QLabel(QStringLiteral("F2 重命名，Delete 删除。"), &dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    list->setFocus();
    dialog.exec();
}

void CopyPreviousMeal(Form_卡路里计算器& form) {
    const int meal = CurrentMeal(form);
    if (meal < 0 || !form.DiaryOn())
        return;
    const auto day = form.Store()->Days().PreviousDayWith(form.Day().Date(), meal);
    if (!day) {
        ShowMessage(&form, QStringLiteral("之前的日子里没有记录过%1。").arg(Meals[meal]));
        return;
    }
    Do(form, form.Day().Adding(meal, form.Store()->Days().Day(*day)[meal]));
}

void ExportDiary(Form_卡路里计算器& form) {
    if (!form.Store() || !form.Store()->IsOpen())
        return;
    const QString suggested = QDir::homePath() + QStringLiteral("/饮食日记-") +
                              Today().toString(Qt::ISODate) + QStringLiteral(".csv");
    const auto choice = AskSaveFile(&form, QStringLiteral("导出全部日记"), suggested,
                                    {QStringLiteral("CSV 表格 (*.csv)")});
    if (!choice)
        return;
    if (const auto failure = SaveFileAtomically(choice->path, form.Store()->ExportCsv()))
        ShowExportFailure(&form, choice->path, *failure);
}

void ImportDiary(Form_卡路里计算器& form) {
    if (!form.DiaryOn())
        return;
    const auto path =
        AskOpenFile(&form, QStringLiteral("导入日记"), QDir::homePath(),
                    {QStringLiteral("CSV 表格 (*.csv)"), QStringLiteral("所有文件 (*)")});
    if (!path)
        return;
    const QString shown = QDir::toNativeSeparators(*path);
    QFile file(*path);
    // A diary of decades is a few megabytes; anything far larger is not one.
    constexpr qint64 Largest = 64 * 1024 * 1024;
    if (!file.open(QIODevice::ReadOnly) || file.size() > Largest) {
        ShowMessage(&form, QStringLiteral("无法导入“%1”：%2。")
                               .arg(shown, file.isOpen() ? QStringLiteral("文件太大")
                                                         : file.errorString()));
        return;
    }
    ShowMessage(&form, ImportMessage(shown, form.Store()->ImportCsv(file.readAll())));
    Load(form, form.Day().Date());
}

void AddDiaryActions(Form_卡路里计算器& form, QMenu& menu) {
    const auto add = [&](const char* name, const QString& text, const QKeySequence& keys,
                         auto run) {
        QAction* action = menu.addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        if (!keys.isEmpty()) {
            action->setShortcut(keys);
            action->setShortcutContext(Qt::WindowShortcut);
            form.addAction(action); // the shortcut works while the menu is closed
        }
        QObject::connect(action, &QAction::triggered, &form, [&form, run] { run(form); });
        return action;
    };
    add("Pop_TreeView_Undo", QStringLiteral("撤销"), QKeySequence(Qt::CTRL | Qt::Key_Z), Undo);
    add("Pop_TreeView_Redo", QStringLiteral("重做"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
        Redo);
    menu.addSeparator();

    QAction* diary = menu.addAction(QStringLiteral("记住每天的餐单"));
    diary->setObjectName(QStringLiteral("Pop_TreeView_Diary"));
    diary->setCheckable(true);
    QObject::connect(diary, &QAction::triggered, &form, [&form, diary](bool on) {
        SetDiaryOn(form, on);
        UpdateDiaryActions(form);
    });
    add("Pop_TreeView_PreviousDay", QStringLiteral("前一天"), QKeySequence(Qt::ALT | Qt::Key_Left),
        [](Form_卡路里计算器& f) { ShowDate(f, f.Day().Date().addDays(-1)); });
    add("Pop_TreeView_NextDay", QStringLiteral("后一天"), QKeySequence(Qt::ALT | Qt::Key_Right),
        [](Form_卡路里计算器& f) { ShowDate(f, f.Day().Date().addDays(1)); });
    add("Pop_TreeView_Today", QStringLiteral("今天"), QKeySequence(Qt::ALT | Qt::Key_Home),
        [](Form_卡路里计算器& f) { ShowDate(f, Today()); });
    add("Pop_TreeView_GoToDate", QStringLiteral("转到日期…"), QKeySequence(Qt::CTRL | Qt::Key_G),
        AskDate);
    menu.addSeparator();

    add("Pop_TreeView_SaveMeal", QStringLiteral("保存为常用餐…"), QKeySequence(), SaveMealAs);
    QMenu* saved = menu.addMenu(QStringLiteral("添加常用餐"));
    saved->setObjectName(QStringLiteral("Pop_TreeView_SavedMeals"));
    saved->menuAction()->setObjectName(QStringLiteral("Pop_TreeView_AddSavedMeal"));
    QObject::connect(saved, &QMenu::aboutToShow, &form,
                     [&form, saved] { FillSavedMeals(form, *saved); });
    add("Pop_TreeView_ManageMeals", QStringLiteral("管理常用餐…"), QKeySequence(),
        ManageSavedMeals);
    add("Pop_TreeView_PreviousMeal", QStringLiteral("复制前一天的本餐"), QKeySequence(),
        CopyPreviousMeal);
    add("Pop_TreeView_ExportDiary", QStringLiteral("导出全部日记…"), QKeySequence(), ExportDiary);
    add("Pop_TreeView_ImportDiary", QStringLiteral("导入日记…"), QKeySequence(), ImportDiary);
    menu.addSeparator();
}

void UpdateDiaryActions(Form_卡路里计算器& form) {
    const bool on = form.DiaryOn();
    const bool stored = form.Store() && form.Store()->IsOpen();
    const int meal = CurrentMeal(form);
    const bool planned = meal >= 0 && !form.Day().Foods(meal).isEmpty();
    const std::pair<const char*, bool> states[] = {
        {"Pop_TreeView_Undo", form.Day().CanUndo()},
        {"Pop_TreeView_Redo", form.Day().CanRedo()},
        {"Pop_TreeView_PreviousDay", on},
        {"Pop_TreeView_NextDay", on},
        {"Pop_TreeView_Today", on},
        {"Pop_TreeView_GoToDate", on},
        {"Pop_TreeView_SaveMeal", planned},
        {"Pop_TreeView_AddSavedMeal",
         meal >= 0 && stored && !form.Store()->SavedMeals().All().isEmpty()},
        {"Pop_TreeView_ManageMeals", stored},
        {"Pop_TreeView_PreviousMeal", on && meal >= 0},
        {"Pop_TreeView_ExportDiary", stored},
        {"Pop_TreeView_ImportDiary", on},
    };
    for (const auto& [name, enabled] : states)
        if (QAction* action = Find(form, name))
            action->setEnabled(enabled);
    if (QAction* diary = Find(form, "Pop_TreeView_Diary"))
        diary->setChecked(on);
}

} // namespace 方法_卡路里计算器
