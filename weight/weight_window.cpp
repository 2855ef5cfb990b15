#include "weight/weight_window.h"

#include "calorie/core/daily_target.h"
#include "diary/diary_store.h"
#include "frame/appearance.h"
#include "frame/core/numbers.h"
#include "frame/file_dialogs.h"
#include "frame/message.h"
#include "frame/save_file.h"
#include "weight/weight_chart.h"

#include <QAbstractTableModel>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using namespace 方法_体重记录;

// The weighings newest first: 日期, 体重, 趋势. Only the weight is edited, through the window.
class WeighingTable final : public QAbstractTableModel {
  public:
    using Edit = std::function<void(QDate day, const QString& typed)>;

    WeighingTable(QObject* parent, Edit edit)
        : QAbstractTableModel(parent), m_edit(std::move(edit)) {}

    void Set(const QList<Weighing>& weighings, const Trend& trend) {
        const bool sameRows = weighings.size() == m_weighings.size();
        if (!sameRows)
            beginResetModel();
        m_weighings = weighings;
        m_trend = trend;
        if (!sameRows)
            endResetModel();
        else if (!m_weighings.isEmpty())
            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 2));
    }
    const Weighing& At(int row) const { return m_weighings[m_weighings.size() - 1 - row]; }
    int RowOf(QDate day) const {
        for (int row = 0; row < rowCount(); ++row)
            if (At(row).day == day)
                return row;
        return -1;
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_weighings.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 3;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const Weighing& weighing = At(index.row());
        if (role == Qt::TextAlignmentRole)
            return index.column() ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return {};
        switch (index.column()) {
        case 0:
            return weighing.day.toString(Qt::ISODate);
        case 1:
            return FormatNumber(weighing.kg);
        default:
            return Kg(m_trend.At(weighing.day));
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const QString titles[] = {QStringLiteral("日期"), QStringLiteral("体重"),
                                         QStringLiteral("趋势")};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return titles[section];
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
        return index.column() == 1 ? flags | Qt::ItemIsEditable : flags;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::EditRole || index.column() != 1)
            return false;
        m_edit(At(index.row()).day, value.toString());
        return false; // the window shows the change once it is kept
    }

  private:
    QList<Weighing> m_weighings;
    Trend m_trend;
    Edit m_edit;
};

namespace {

QLabel* Caption(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QLineEdit* KgField(const QString& name, const QString& accessibleName) {
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setAccessibleName(accessibleName);
    field->setFixedWidth(64);
    return field;
}

} // namespace

Form_体重记录::Form_体重记录(std::unique_ptr<WeightBook> book, QWidget* opener, QDate today)
    : QWidget(opener, Qt::Window), m_book(std::move(book)), m_today(today) {
    setAttribute(Qt::WA_DeleteOnClose);
    SetUpWindow(this, QStringLiteral("体重记录"), {674, 532});
    m_log.Reset(m_book->Weighings());
    m_goalKg = m_book->Goal();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(CreateFields());
    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("Label_趋势"));
    m_summary->setFont(SongFont(10.5, true));
    m_summary->setStyleSheet(QStringLiteral("color: #404040;"));
    m_summary->setWordWrap(true);
    m_summary->setFixedHeight(2 * m_summary->fontMetrics().lineSpacing() + 4);
    layout->addWidget(m_summary);
    auto* middle = new QHBoxLayout;
    middle->addWidget(CreateTable());
    middle->addWidget(CreateViews(), 1);
    layout->addLayout(middle, 1);
    CreateShortcuts();

    if (m_goalKg)
        m_goal->setText(FormatNumber(*m_goalKg));
    Show();
    m_weight->setFocus();
}

Form_体重记录::~Form_体重记录() = default;

QLayout* Form_体重记录::CreateFields() {
    m_date = new QDateEdit(m_today);
    m_date->setObjectName(QStringLiteral("Date_日期"));
    m_date->setAccessibleName(QStringLiteral("日期"));
    m_date->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    m_date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_date->setCalendarPopup(true);
    m_weight = KgField(QStringLiteral("Text_体重"), QStringLiteral("体重（公斤）"));
    m_goal = KgField(QStringLiteral("Text_目标体重"), QStringLiteral("目标体重（公斤）"));
    auto* record = new QPushButton(QStringLiteral("记录"));
    record->setObjectName(QStringLiteral("Command_记录"));
    connect(record, &QPushButton::clicked, this, [this] { Record(); });
    connect(m_weight, &QLineEdit::returnPressed, this, [this] { Record(); });
    connect(m_goal, &QLineEdit::returnPressed, this, [this] { SetGoal(); });
    for (QLineEdit* field : {m_weight, m_goal})
        field->installEventFilter(this);

    auto* row = new QHBoxLayout;
    row->addWidget(Caption(QStringLiteral("日期："), m_date));
    row->addWidget(m_date);
    row->addSpacing(8);
    row->addWidget(Caption(QStringLiteral("体重（公斤）："), m_weight));
    row->addWidget(m_weight);
    row->addWidget(record);
    row->addStretch();
    row->addWidget(Caption(QStringLiteral("目标体重（公斤）："), m_goal));
    row->addWidget(m_goal);
    return row;
}

QWidget* Form_体重记录::CreateTable() {
    auto* panel = new QWidget;
    panel->setFixedWidth(230);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    m_rows = new WeighingTable(this, [this](QDate day, const QString& typed) {
        // After the editor has closed: the change may ask a question or redraw the table.
        QMetaObject::invokeMethod(
            this, [this, day, typed] { EditWeight(day, typed); }, Qt::QueuedConnection);
    });
    m_table = new QTableView;
    m_table->setObjectName(QStringLiteral("Table_体重"));
    m_table->setAccessibleName(QStringLiteral("体重列表"));
    m_table->setModel(m_rows);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers); // F2 edits the weight, below
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Measured on one date, not on every row: years of rows would cost the opening.
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    m_table->horizontalHeader()->resizeSection(
        0, m_table->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 16);
    m_table->installEventFilter(this);
    layout->addWidget(m_table);

    auto* buttons = new QHBoxLayout;
    auto* exportButton = new QPushButton(QStringLiteral("导出…"));
    exportButton->setObjectName(QStringLiteral("Command_导出"));
    connect(exportButton, &QPushButton::clicked, this, [this] { Export(); });
    auto* importButton = new QPushButton(QStringLiteral("导入…"));
    importButton->setObjectName(QStringLiteral("Command_导入"));
    connect(importButton, &QPushButton::clicked, this, [this] { Import(); });
    buttons->addWidget(exportButton);
    buttons->addWidget(importButton);
    layout->addLayout(buttons);
    return panel;
}

QWidget* Form_体重记录::CreateViews() {
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    m_chart = new WeightChart;
    m_chart->setObjectName(QStringLiteral("Chart_体重"));
    m_chart->setAccessibleName(QStringLiteral("体重趋势图"));
    m_intake = new IntakeChart;
    m_intake->setObjectName(QStringLiteral("Chart_摄入"));
    m_intake->setAccessibleName(QStringLiteral("每日摄入图"));

    auto* ranges = new QHBoxLayout;
    auto* group = new QButtonGroup(panel);
    const std::pair<QString, int> choices[] = {{QStringLiteral("30天"), 30},
                                               {QStringLiteral("90天"), 90},
                                               {QStringLiteral("1年"), 365},
                                               {QStringLiteral("全部"), 0}};
    for (const auto& [caption, days] : choices) {
        auto* button = new QPushButton(caption);
        button->setCheckable(true);
        group->addButton(button, days);
        ranges->addWidget(button);
    }
    ranges->addStretch();
    connect(group, &QButtonGroup::idClicked, this, [this](int days) {
        m_chart->SetRangeDays(days);
        m_intake->SetRangeDays(days);
    });
    group->button(90)->setChecked(true);
    m_chart->SetRangeDays(90);
    m_intake->SetRangeDays(90);
    layout->addLayout(ranges);

    auto* intake = new QWidget;
    auto* intakeLayout = new QVBoxLayout(intake);
    m_intakeLine = new QLabel;
    m_intakeLine->setObjectName(QStringLiteral("Label_摄入"));
    m_intakeLine->setWordWrap(true);
    intakeLayout->addWidget(m_intakeLine);
    intakeLayout->addWidget(m_intake, 1);
    m_views = new QTabWidget;
    m_views->addTab(m_chart, QStringLiteral("体重趋势"));
    m_views->addTab(intake, QStringLiteral("每日摄入"));
    // Read when first shown: a long diary costs the window's opening nothing.
    connect(m_views, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == 1)
            ShowIntake();
    });
    layout->addWidget(m_views, 1);
    return panel;
}

void Form_体重记录::CreateShortcuts() {
    auto* undo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
    connect(undo, &QShortcut::activated, this, [this] { Undo(); });
    auto* redo = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), this);
    connect(redo, &QShortcut::activated, this, [this] { Redo(); });
}

bool Form_体重记录::eventFilter(QObject* watched, QEvent* event) {
    // A field undoes its own typing; once it has nothing to undo, the keys undo the log.
    if (event->type() == QEvent::ShortcutOverride && (watched == m_weight || watched == m_goal)) {
        const auto* press = static_cast<QKeyEvent*>(event);
        const auto* field = static_cast<QLineEdit*>(watched);
        if ((press->matches(QKeySequence::Undo) && !field->isUndoAvailable()) ||
            (press->matches(QKeySequence::Redo) && !field->isRedoAvailable()))
            return true;
    }
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const QModelIndex current = m_table->currentIndex();
        if (key == Qt::Key_Delete) {
            RemoveCurrent();
            return true;
        }
        if (key == Qt::Key_F2 && current.isValid()) {
            m_table->edit(m_rows->index(current.row(), 1));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool Form_体重记录::Keep(const std::function<bool(const WeightLog::Keeper&)>& step) {
    bool failed = false;
    const bool done = step([this, &failed](const WeighingChange& change) {
        failed = !m_book->Keep(change);
        return !failed;
    });
    if (failed)
        ShowMessage(this, m_book->Problem());
    else if (const QString notice = m_book->TakeNotice(); !notice.isEmpty())
        ShowMessage(this, notice);
    if (failed && m_book->Outdated()) {
        m_log.Reset(m_book->Weighings());
        Show();
    }
    return done;
}

void Form_体重记录::Record() {
    const QDate day = m_date->date();
    if (day > m_today) {
        ShowMessage(this, QStringLiteral("日期不能晚于今天。"));
        return;
    }
    const auto kg = ParseKg(m_weight->text());
    if (!kg) {
        ShowMessage(this, KgRefusal(QStringLiteral("体重")));
        return;
    }
    if (const auto before = m_log.WeightOn(day)) {
        const QString question =
            QStringLiteral("%1已记录体重 %2 公斤，要换成 %3 公斤吗？")
                .arg(ChineseDate(day), FormatNumber(*before), FormatNumber(*kg));
        if (AskChoice(this, question, {QStringLiteral("替换"), QStringLiteral("保留原记录")}) != 0)
            return;
    }
    if (Keep([&](const WeightLog::Keeper& keep) {
            return m_log.Do(m_log.Recording(day, *kg), keep);
        })) {
        m_weight->clear();
        Show(day);
    }
}

void Form_体重记录::SetGoal() {
    std::optional<double> goal;
    if (!m_goal->text().trimmed().isEmpty()) {
        goal = ParseKg(m_goal->text());
        if (!goal) {
            ShowMessage(this, KgRefusal(QStringLiteral("目标体重")));
            return;
        }
    }
    if (!m_book->KeepGoal(goal)) {
        ShowMessage(this, m_book->Problem());
        return;
    }
    if (const QString notice = m_book->TakeNotice(); !notice.isEmpty())
        ShowMessage(this, notice);
    m_goalKg = goal;
    m_goal->setText(goal ? FormatNumber(*goal) : QString());
    Show();
}

void Form_体重记录::RemoveCurrent() {
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return;
    const QDate day = m_rows->At(current.row()).day;
    const int row = current.row();
    if (Keep([&](const WeightLog::Keeper& keep) { return m_log.Do(m_log.Removing(day), keep); })) {
        Show();
        if (m_rows->rowCount() > 0)
            m_table->selectRow(std::min(row, m_rows->rowCount() - 1));
    }
}

void Form_体重记录::EditWeight(QDate day, const QString& typed) {
    const auto kg = ParseKg(typed);
    if (!kg) {
        ShowMessage(this, KgRefusal(QStringLiteral("体重")));
        return;
    }
    if (m_log.WeightOn(day) == kg)
        return;
    if (Keep([&](const WeightLog::Keeper& keep) {
            return m_log.Do(m_log.Recording(day, *kg), keep);
        }))
        Show(day);
}

void Form_体重记录::Undo() {
    if (Keep([this](const WeightLog::Keeper& keep) { return m_log.Undo(keep); }))
        Show();
}

void Form_体重记录::Redo() {
    if (Keep([this](const WeightLog::Keeper& keep) { return m_log.Redo(keep); }))
        Show();
}

void Form_体重记录::Show(std::optional<QDate> select) {
    const QList<Weighing>& weighings = m_log.Weighings();
    m_trend = TrendOf(weighings);
    const QString summary = SummaryText(m_trend, m_goalKg, m_today);
    m_summary->setText(summary);
    m_summary->setAccessibleName(summary);
    m_chart->setAccessibleDescription(summary);
    m_chart->SetData(weighings, m_trend, m_goalKg);
    m_rows->Set(weighings, m_trend);
    if (select) {
        const int row = m_rows->RowOf(*select);
        if (row >= 0)
            m_table->selectRow(row);
    }
}

void Form_体重记录::ShowIntake() {
    if (m_intakeShown)
        return;
    m_intakeShown = true;
    const auto days = m_book->DailyIntake();
    if (!days) {
        m_intakeLine->setText(QStringLiteral("在卡路里计算器的餐单菜单中勾选“记住每天的餐单”，"
                                             "这里就会显示每天的摄入。"));
        m_intake->hide();
        return;
    }
    m_intakeLine->setText(AverageText(*days, m_today));
    m_intake->SetData(*days, 方法_卡路里计算器::LoadTarget(), m_today);
}

void Form_体重记录::Export() {
    if (m_log.Weighings().isEmpty()) {
        ShowMessage(this, QStringLiteral("还没有体重记录可以导出。"));
        return;
    }
    const auto choice = AskSaveFile(this, QStringLiteral("导出体重记录"),
                                    QDir::homePath() + QStringLiteral("/体重记录.csv"),
                                    {QStringLiteral("CSV 表格 (*.csv)")});
    if (!choice)
        return;
    if (const auto failure =
            SaveFileAtomically(choice->path, ExportCsv(m_log.Weighings(), m_trend)))
        ShowExportFailure(this, choice->path, *failure);
}

void Form_体重记录::Import() {
    const auto path =
        AskOpenFile(this, QStringLiteral("导入体重记录"), QDir::homePath(),
                    {QStringLiteral("CSV 表格 (*.csv)"), QStringLiteral("所有文件 (*)")});
    if (!path)
        return;
    QFile file(*path);
    // Years of daily weighings take a few dozen kilobytes; anything far larger is not a log.
    constexpr qint64 MostBytes = 16 << 20;
    if (!file.open(QIODevice::ReadOnly) || file.size() > MostBytes) {
        ShowMessage(this,
                    QStringLiteral("无法读取“%1”：%2。")
                        .arg(QDir::toNativeSeparators(*path),
                             file.isOpen() ? QStringLiteral("文件太大") : file.errorString()));
        return;
    }
    const CsvWeighings read = ParseCsv(file.readAll(), m_today);
    int skipped = 0;
    const WeighingChange adding = m_log.Adding(read.weighings, &skipped);
    if (!adding.isEmpty()) {
        if (!Keep([&](const WeightLog::Keeper& keep) { return m_log.Do(adding, keep); }))
            return;
        Show();
    }
    QString report = QStringLiteral("导入 %1 条体重，跳过 %2 条（这一天已有记录），%3 行无法导入。")
                         .arg(adding.size())
                         .arg(skipped)
                         .arg(read.refused);
    constexpr int ShownReasons = 5;
    for (qsizetype i = 0; i < std::min<qsizetype>(read.reasons.size(), ShownReasons); ++i)
        report += u'\n' + read.reasons[i];
    if (read.reasons.size() > ShownReasons)
        report += QStringLiteral("\n……");
    ShowMessage(this, report);
}

void Form_体重记录::closeEvent(QCloseEvent* event) {
    // Closed while a change waits for the diary: once it is kept or taken back, as the window is
    // still in the middle of it.
    if (m_book->Writing()) {
        constexpr int RetryMs = 100;
        event->ignore();
        QTimer::singleShot(RetryMs, this, &QWidget::close);
        return;
    }
    if (QWidget* opener = parentWidget())
        opener->show();
    event->accept();
}

void OpenWeightLog(QWidget* opener) {
    auto book = std::make_unique<DiaryWeightBook>(方法_卡路里计算器::DiaryStore::DefaultPath());
    const QString problem = book->OpeningProblem();
    auto* window = new Form_体重记录(std::move(book), opener);
    window->show();
    opener->hide();
    if (!problem.isEmpty()) // once
        ShowMessage(window, problem);
}
