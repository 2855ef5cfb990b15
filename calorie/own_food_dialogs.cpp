#include "calorie/own_food_dialogs.h"

#include "calorie/calorie_window.h"
#include "calorie/core/dish.h"
#include "calorie/core/food_finder.h"
#include "calorie/core/food_table.h"
#include "calorie/core/intake.h"
#include "calorie/core/nutrients.h"
#include "calorie/core/own_shelf.h"
#include "calorie/core/portion.h"
#include "calorie/field_hint.h"
#include "calorie/own_foods.h"
#include "frame/core/numbers.h"
#include "frame/message.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>
#include <vector>

namespace 方法_卡路里计算器 {

namespace {

// A label under the fields, for what the dialog refuses; screen readers hear it as it changes.
QLabel* MessageLine(QWidget* dialog) {
    auto* message = new QLabel(dialog);
    message->setObjectName(QStringLiteral("Label_提示"));
    message->setWordWrap(true);
    message->setStyleSheet(QStringLiteral("color: #C00000"));
    return message;
}

QLineEdit* Field(QWidget* dialog, const char* name, const QString& accessible) {
    auto* field = new QLineEdit(dialog);
    field->setObjectName(QString::fromUtf8(name));
    field->setAccessibleName(accessible);
    return field;
}

QDialogButtonBox* Buttons(QDialog& dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

std::optional<double> OptionalNumber(const QString& text, bool& refused) {
    if (text.trimmed().isEmpty())
        return std::nullopt;
    const LabelNumber number = ReadLabelNumber(text);
    refused = refused || !number.value;
    return number.value;
}

// Keys a widget's keys to work, as a filter: true when work took the key.
class Keys final : public QObject {
  public:
    Keys(QWidget* watched, std::function<bool(QKeyEvent*)> work)
        : QObject(watched), m_work(std::move(work)) {
        watched->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::KeyPress && m_work(static_cast<QKeyEvent*>(event));
    }

  private:
    std::function<bool(QKeyEvent*)> m_work;
};

struct Candidate {
    QString name;
    double kcalPer100g = 0;
    food_finder::FoodKeys keys;
    std::optional<Macros> per100g;
};

// Every food that can go into a pot: the shipped ones with a weight, the own ones but this dish.
std::vector<Candidate> Candidates(Form_卡路里计算器& form, qint64 except) {
    std::vector<Candidate> candidates;
    for (int i = FoodSlots::First; i <= FoodSlots::Last; ++i) {
        const FoodRecord& food = form.Foods().Slot(i);
        const auto hot = NumberOf(food.FoodHot);
        const auto quantity = NumberOf(food.FoodQuantity);
        const FoodNutrients* nutrients = form.NutrientsOf(food.FoodName);
        if (hot && quantity && *quantity > 0)
            candidates.push_back({food.FoodName, *hot * 100 / *quantity,
                                  food_finder::FoodKeys(food.FoodName, food.FoodOtherName),
                                  nutrients ? std::optional(nutrients->per100g) : std::nullopt});
    }
    for (const OwnFood& own : form.Own())
        if (own.id != except)
            candidates.push_back({own.name, double(own.kcalPer100g),
                                  food_finder::FoodKeys(own.name, own.alias), own.per100g});
    return candidates;
}

QString DishFiguresText(const DishFigures& figures) {
    QString text =
        QStringLiteral("总热量 %1 大卡，熟重 %2 克，每100克 %3 大卡")
            .arg(FormatNumber(RoundHalfEven(figures.totalKcal)), FormatNumber(figures.cookedGrams))
            .arg(figures.kcalPer100g);
    if (figures.servingKcal)
        text += QStringLiteral("，每份 %1 大卡（%2 克）")
                    .arg(FormatNumber(*figures.servingKcal), FormatNumber(*figures.servingGrams));
    return text;
}

} // namespace

// "新建食物" or "编辑食物": the label's energy as printed, the kcal per 100 g kept shown as typed.
void AskOwnFood(Form_卡路里计算器& form, OwnFood food) {
    QDialog dialog(&form);
    dialog.setWindowTitle(food.id ? QStringLiteral("编辑食物") : QStringLiteral("新建食物"));
    dialog.setMinimumWidth(340);
    QLineEdit* name = Field(&dialog, "Text_名称", QStringLiteral("名称"));
    name->setMaxLength(60);
    name->setText(food.name);
    QLineEdit* alias = Field(&dialog, "Text_别名", QStringLiteral("别名"));
    alias->setText(food.alias);
    QLineEdit* amount = Field(&dialog, "Text_能量", QStringLiteral("能量"));
    auto* unit = new QComboBox(&dialog);
    unit->setObjectName(QStringLiteral("Combo_单位"));
    unit->setAccessibleName(QStringLiteral("能量单位"));
    unit->addItems({QStringLiteral("大卡"), QStringLiteral("千焦")});
    auto* basis = new QComboBox(&dialog);
    basis->setObjectName(QStringLiteral("Combo_基准"));
    basis->setAccessibleName(QStringLiteral("能量基准"));
    basis->addItems({QStringLiteral("每100克"), QStringLiteral("每份")});
    // Needed per serving; per 100 g it gives the food its "份".
    QLineEdit* serving = Field(&dialog, "Text_每份重量", QStringLiteral("每份重量（克）"));
    if (food.id) {
        amount->setText(QString::number(food.kcalPer100g));
        if (food.servingGrams)
            serving->setText(FormatNumber(*food.servingGrams));
    }
    // On the energy's basis, and all three or none.
    QLineEdit* protein = Field(&dialog, "Text_蛋白质", QStringLiteral("蛋白质（克）"));
    QLineEdit* fat = Field(&dialog, "Text_脂肪", QStringLiteral("脂肪（克）"));
    QLineEdit* carbohydrate = Field(&dialog, "Text_碳水化合物", QStringLiteral("碳水化合物（克）"));
    if (food.per100g) {
        protein->setText(FormatNumber(food.per100g->protein));
        fat->setText(FormatNumber(food.per100g->fat));
        carbohydrate->setText(FormatNumber(food.per100g->carbohydrate));
    }
    auto* kept = new QLabel(&dialog);
    kept->setObjectName(QStringLiteral("Label_每100克"));
    QLabel* message = MessageLine(&dialog);
    const auto label = [=] {
        return LabelEnergy{amount->text(),
                           unit->currentIndex() ? EnergyUnit::Kilojoule : EnergyUnit::Kcal,
                           basis->currentIndex() ? EnergyBasis::PerServing : EnergyBasis::Per100g,
                           serving->text()};
    };
    const auto macros = [=](const KeptEnergy& energy) {
        return KeptMacrosOf({protein->text(), fat->text(), carbohydrate->text()}, label().basis,
                            energy.servingGrams);
    };
    const auto follow = [=] {
        const KeptEnergy energy = KeptEnergyOf(label());
        QString text = energy.kcalPer100g
                           ? QStringLiteral("保存为每100克 %1 大卡").arg(*energy.kcalPer100g)
                           : QStringLiteral("保存为每100克 — 大卡");
        const bool typed =
            !(protein->text() + fat->text() + carbohydrate->text()).trimmed().isEmpty();
        if (typed) // a line of its own: a wrapped label would not make the dialog taller
            text += u'\n' +
                    MacrosText(energy.refusal.isEmpty() ? macros(energy).per100g : std::nullopt);
        kept->setText(text);
        message->clear();
    };
    for (QLineEdit* field : {name, alias, amount, serving, protein, fat, carbohydrate})
        QObject::connect(field, &QLineEdit::textChanged, &dialog, follow);
    QObject::connect(unit, &QComboBox::currentIndexChanged, &dialog, follow);
    QObject::connect(basis, &QComboBox::currentIndexChanged, &dialog, follow);
    follow();
    QDialogButtonBox* buttons = Buttons(dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        const QString clean = CleanName(name->text());
        QString refusal = NameRefusal(
            name->text(), [&](const QString& n) { return NameTaken(form, n, food.id); });
        const KeptEnergy energy = KeptEnergyOf(label());
        if (refusal.isEmpty())
            refusal = energy.refusal;
        const KeptMacros nutrients = refusal.isEmpty() ? macros(energy) : KeptMacros{};
        if (refusal.isEmpty())
            refusal = nutrients.refusal;
        if (!refusal.isEmpty()) {
            message->setText(refusal);
            return;
        }
        food.name = clean;
        food.alias = CleanName(alias->text());
        food.kcalPer100g = *energy.kcalPer100g;
        food.servingGrams = energy.servingGrams;
        food.per100g = nutrients.per100g;
        if (QString problem; KeepAndShow(form, food, problem))
            dialog.accept();
        else
            message->setText(problem);
    });
    auto* layout = new QFormLayout(&dialog);
    layout->addRow(QStringLiteral("名称"), name);
    layout->addRow(QStringLiteral("别名"), alias);
    auto* energyRow = new QHBoxLayout;
    energyRow->addWidget(amount, 1);
    energyRow->addWidget(unit);
    energyRow->addWidget(basis);
    layout->addRow(QStringLiteral("能量"), energyRow);
    layout->addRow(QStringLiteral("每份重量（克）"), serving);
    layout->addRow(QStringLiteral("蛋白质（克）"), protein);
    layout->addRow(QStringLiteral("脂肪（克）"), fat);
    layout->addRow(QStringLiteral("碳水化合物（克）"), carbohydrate);
    layout->addRow(kept);
    layout->addRow(message);
    layout->addRow(buttons);
    dialog.exec();
}

// "新建菜肴": the ingredients found as foods are found, each with its grams; the figures follow.
void AskDish(Form_卡路里计算器& form, OwnFood dish) {
    QDialog dialog(&form);
    dialog.setWindowTitle(dish.id ? QStringLiteral("编辑菜肴") : QStringLiteral("新建菜肴"));
    dialog.resize(420, 520);
    QLineEdit* name = Field(&dialog, "Text_名称", QStringLiteral("名称"));
    name->setMaxLength(60);
    name->setText(dish.name);
    QLineEdit* find = Field(&dialog, "Text_查找食材", QStringLiteral("查找食材"));
    find->setPlaceholderText(QStringLiteral("名称或拼音，加克数后回车：wuhuarou 500"));
    auto* found = new QListWidget(&dialog);
    found->setObjectName(QStringLiteral("List_候选食材"));
    found->setAccessibleName(QStringLiteral("候选食材"));
    found->setMaximumHeight(110);
    auto* table = new QTreeWidget(&dialog);
    table->setObjectName(QStringLiteral("TreeView_食材"));
    table->setAccessibleName(QStringLiteral("食材"));
    table->setRootIsDecorated(false);
    table->setHeaderLabels(
        {QStringLiteral("食材"), QStringLiteral("重量（克）"), QStringLiteral("热量（大卡）")});
    table->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QLineEdit* cooked = Field(&dialog, "Text_熟重", QStringLiteral("熟重（克）"));
    QLineEdit* servings = Field(&dialog, "Text_份数", QStringLiteral("份数"));
    if (dish.cookedGrams)
        cooked->setText(FormatNumber(*dish.cookedGrams));
    if (dish.servings)
        servings->setText(QString::number(*dish.servings));
    auto* figures = new QLabel(&dialog);
    figures->setObjectName(QStringLiteral("Label_合计"));
    figures->setWordWrap(true);
    auto* nutrients = new QLabel(&dialog);
    nutrients->setObjectName(QStringLiteral("Label_营养素"));
    nutrients->setWordWrap(true);
    QLabel* message = MessageLine(&dialog);

    auto candidates = std::make_shared<std::vector<Candidate>>();
    auto hint = std::make_shared<FieldHint>(find);
    auto ingredients = std::make_shared<QList<Ingredient>>(dish.ingredients);
    bool refused = false;
    const auto compute = [=, &refused] {
        refused = false;
        const auto weighed = OptionalNumber(cooked->text(), refused);
        const auto count = OptionalNumber(servings->text(), refused);
        return FigureDish(*ingredients, weighed,
                          count ? std::optional<int>(int(*count)) : std::nullopt);
    };
    const auto show = [=] {
        table->clear();
        for (const Ingredient& ingredient : *ingredients)
            new QTreeWidgetItem(table, {ingredient.name, FormatNumber(ingredient.grams),
                                        FormatNumber(RoundHalfEven(IngredientKcal(ingredient)))});
        const DishFigures now = compute();
        figures->setText(ingredients->isEmpty() ? QString() : DishFiguresText(now));
        nutrients->setText(DishMacrosText(now));
        message->clear();
    };
    const auto filter = [=, &form] {
        if (candidates->empty())
            *candidates = Candidates(form, dish.id);
        found->clear();
        const PortionQuery query = ParsePortionQuery(find->text());
        const QString words = food_finder::Normalized(query.words);
        if (words.isEmpty()) {
            hint->Show({});
            return;
        }
        for (const Candidate& candidate : *candidates)
            if (candidate.keys.Matches(words) && found->count() < 50)
                found->addItem(candidate.name);
        found->setCurrentRow(0);
        hint->Show(found->count() ? QString() : NotFoundHint);
    };
    const auto addFound = [=] {
        const PortionQuery query = ParsePortionQuery(find->text());
        if (!found->currentItem() && !food_finder::Normalized(query.words).isEmpty())
            return; // the field says 没有找到
        if (!found->currentItem() || query.refused || query.count) {
            message->setText(GramsHint);
            return;
        }
        const QString chosen = found->currentItem()->text();
        for (const Candidate& candidate : *candidates)
            if (candidate.name == chosen) {
                ingredients->append(
                    {chosen, candidate.kcalPer100g, query.grams.value_or(100), candidate.per100g});
                break;
            }
        find->clear();
        show();
        table->setCurrentItem(table->topLevelItem(table->topLevelItemCount() - 1));
    };
    QObject::connect(find, &QLineEdit::textChanged, &dialog, filter);
    new Keys(find, [=](QKeyEvent* key) {
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            addFound();
            return true;
        }
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            QCoreApplication::sendEvent(found, key);
            return true;
        }
        return false;
    });
    // Delete takes an ingredient out, F2 weighs it anew.
    new Keys(table, [=](QKeyEvent* key) {
        QTreeWidgetItem* current = table->currentItem();
        if (!current)
            return false;
        const int row = table->indexOfTopLevelItem(current);
        if (key->key() == Qt::Key_Delete) {
            ingredients->removeAt(row);
            show();
            table->setCurrentItem(table->topLevelItem(std::min(row, int(ingredients->size()) - 1)));
            return true;
        }
        if (key->key() == Qt::Key_F2) {
            current->setFlags(current->flags() | Qt::ItemIsEditable);
            table->editItem(current, 1);
            return true;
        }
        return false;
    });
    QObject::connect(table, &QTreeWidget::itemChanged, &dialog,
                     [=](QTreeWidgetItem* item, int column) {
                         const int row = table->indexOfTopLevelItem(item);
                         if (column != 1 || row < 0 || row >= ingredients->size())
                             return;
                         const LabelNumber grams = ReadLabelNumber(item->text(1));
                         if (grams.value && *grams.value != (*ingredients)[row].grams) {
                             (*ingredients)[row].grams = *grams.value;
                             QMetaObject::invokeMethod(table, show, Qt::QueuedConnection);
                         }
                     });
    for (QLineEdit* field : {cooked, servings})
        QObject::connect(field, &QLineEdit::textChanged, &dialog, show);
    show();

    QDialogButtonBox* buttons = Buttons(dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        const DishFigures now = compute();
        QString refusal = NameRefusal(
            name->text(), [&](const QString& n) { return NameTaken(form, n, dish.id); });
        if (refusal.isEmpty() && refused)
            refusal = QStringLiteral("熟重和份数请填写数字，或者不填。");
        if (refusal.isEmpty())
            refusal = now.refusal;
        if (!refusal.isEmpty()) {
            message->setText(refusal);
            return;
        }
        dish.name = CleanName(name->text());
        dish.dish = true;
        dish.kcalPer100g = now.kcalPer100g;
        dish.servingGrams = now.servingGrams;
        dish.per100g = now.per100g;
        dish.ingredients = *ingredients;
        bool ignored = false;
        dish.cookedGrams = OptionalNumber(cooked->text(), ignored);
        const auto count = OptionalNumber(servings->text(), ignored);
        dish.servings = count ? std::optional<int>(int(*count)) : std::nullopt;
        if (QString problem; KeepAndShow(form, dish, problem))
            dialog.accept();
        else
            message->setText(problem);
    });
    // Enter in a field does not end the dialog: the find field adds, the others wait for OK.
    for (QAbstractButton* button : buttons->buttons())
        if (auto* push = qobject_cast<QPushButton*>(button))
            push->setAutoDefault(false);
    auto* layout = new QFormLayout(&dialog);
    layout->addRow(QStringLiteral("名称"), name);
    layout->addRow(QStringLiteral("查找食材"), find);
    layout->addRow(found);
    layout->addRow(table);
    layout->addRow(QStringLiteral("熟重（克）"), cooked);
    layout->addRow(QStringLiteral("份数"), servings);
    layout->addRow(figures);
    layout->addRow(nutrients);
    layout->addRow(message);
    layout->addRow(buttons);
    dialog.exec();
}

// "份量": the selected food's named portions, each kept as it is added, changed or deleted.
void AskPortions(Form_卡路里计算器& form, const QString& food) {
    QDialog dialog(&form);
    dialog.setWindowTitle(QStringLiteral("份量"));
    dialog.resize(320, 360);
    auto* title = new QLabel(food, &dialog);
    auto* list = new QTreeWidget(&dialog);
    list->setObjectName(QStringLiteral("TreeView_份量"));
    list->setAccessibleName(food + QStringLiteral("的份量"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels({QStringLiteral("份量"), QStringLiteral("重量（克）")});
    QLineEdit* name = Field(&dialog, "Text_份量名称", QStringLiteral("份量名称"));
    name->setPlaceholderText(QStringLiteral("一碗"));
    QLineEdit* grams = Field(&dialog, "Text_份量重量", QStringLiteral("重量（克）"));
    auto* save = new QPushButton(QStringLiteral("保存份量"), &dialog);
    save->setObjectName(QStringLiteral("Button_保存份量"));
    QLabel* message = MessageLine(&dialog);
    auto portions = std::make_shared<QList<NamedPortion>>();
    for (const NamedPortion& portion : form.Shelf().Portions())
        if (portion.food == food)
            portions->append(portion);
    const auto show = [=] {
        list->clear();
        for (const NamedPortion& portion : *portions)
            new QTreeWidgetItem(list,
                                {QStringLiteral("一") + portion.name, FormatNumber(portion.grams)});
    };
    const auto keep = [=, &form](const QList<NamedPortion>& changed) {
        if (!form.Shelf().KeepPortions(food, changed)) {
            message->setText(form.Shelf().Problem());
            return false;
        }
        *portions = changed;
        show();
        message->clear();
        return true;
    };
    const auto add = [=] {
        const LabelNumber weight = ReadLabelNumber(grams->text());
        const QString refusal = PortionRefusal(name->text(), weight.value);
        if (!refusal.isEmpty()) {
            message->setText(refusal);
            return;
        }
        QList<NamedPortion> changed = *portions;
        const QString kept = PortionName(name->text());
        changed.removeIf([&](const NamedPortion& p) { return p.name == kept; });
        changed.append({food, kept, *weight.value});
        if (keep(changed)) {
            name->clear();
            grams->clear();
            name->setFocus();
        }
    };
    QObject::connect(save, &QPushButton::clicked, &dialog, add);
    for (QLineEdit* field : {name, grams})
        new Keys(field, [=](QKeyEvent* key) {
            if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
                return false;
            add();
            return true;
        });
    new Keys(list, [=](QKeyEvent* key) {
        const int row = list->currentItem() ? list->indexOfTopLevelItem(list->currentItem()) : -1;
        if (key->key() != Qt::Key_Delete || row < 0)
            return false;
        QList<NamedPortion> changed = *portions;
        changed.removeAt(row);
        keep(changed);
        return true;
    });
    // Choosing a portion puts it in the fields to change it.
    QObject::connect(list, &QTreeWidget::currentItemChanged, &dialog, [=](QTreeWidgetItem* item) {
        if (!item)
            return;
        name->setText(item->text(0));
        grams->setText(item->text(1));
    });
    show();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QFormLayout(&dialog);
    layout->addRow(title);
    layout->addRow(list);
    layout->addRow(QStringLiteral("名称"), name);
    layout->addRow(QStringLiteral("重量（克）"), grams);
    layout->addRow(save);
    layout->addRow(message);
    layout->addRow(buttons);
    name->setFocus();
    dialog.exec();
}

} // namespace 方法_卡路里计算器
