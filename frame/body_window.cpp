#include "frame/body_window.h"

#include "frame/appearance.h"
#include "frame/rich_text_box.h"

#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <optional>

namespace {

const QString TextColor = QStringLiteral("color: #404040;");

// Row geometry at 96 dpi: 12 px per Chinese character in the 9-point window font.
constexpr int RowTop = 56;
constexpr int LabelTop = 59;
constexpr int CaptionWidth = 36;
constexpr int GroupGap = 8;

// Without a font of its own, a label has the window's ordinary font.
QLabel* Label(QWidget* parent, const QString& name, const QString& text, const QRect& geometry,
              const std::optional<QFont>& font = std::nullopt) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setStyleSheet(TextColor);
    if (font)
        label->setFont(*font);
    HoldWholeLine(label);
    return label;
}

} // namespace

BodyWindow::BodyWindow(const BodyWindowDesign& design) : ToolWindow(design.caption) {
    CreateHeader(design);
    CreateLowerPanel(design);
    m_fields.first()->setFocus(); // the user types at once; the result box would otherwise have it
}

void BodyWindow::CreateHeader(const BodyWindowDesign& design) {
    QLabel* header = PictureLabel(this, QStringLiteral("Picture_顶部"),
                                  QStringLiteral("header_background.svg"), {0, 0, 675, 179});
    header->setStyleSheet(QStringLiteral("background: #FAFFEA;"));
    PictureLabel(header, QStringLiteral("Image_顶部图片"), design.picture, {80, 58, 61, 84});

    Label(header, QStringLiteral("Label_顶部标题"), design.title, {188, 42, 167, 23},
          SongFont(10.5, true));

    QLabel* tip = Label(header, QStringLiteral("Label_顶部提示"), QString(), {188, 72, 433, 87});
    SetLines(tip, design.tip, 80);
}

void BodyWindow::CreateLowerPanel(const BodyWindowDesign& design) {
    QLabel* panel = PictureLabel(this, QStringLiteral("Picture_底部"),
                                 QStringLiteral("lower_background.svg"), {0, 178, 675, 353});

    Label(panel, QStringLiteral("Label_Tip"), design.prompt, {44, 24, 480, 20},
          SongFont(10.5, true));

    int x = 44;
    if (design.asksSex)
        x = CreateSexOptions(panel, x);
    for (int k = 0; k < design.fields.size(); ++k)
        x = CreateField(panel, x, design.fields[k]);

    m_calculate = new QPushButton(QStringLiteral("计算"), panel);
    m_calculate->setObjectName(QStringLiteral("Command_计算"));
    m_calculate->setGeometry(536, 56, 95, 23);
    if (design.calculateTooltip)
        m_calculate->setToolTip(QStringLiteral("点击进行计算"));

    auto* border = new QFrame(panel);
    border->setObjectName(QStringLiteral("Shape_边框"));
    border->setGeometry(34, 96, 607, 233);
    border->setStyleSheet(QStringLiteral("#Shape_边框 { border: 1px solid #A0A0A0; }"));

    RichTextBox* result = RichTextBox_结果();
    result->setParent(panel);
    result->setFrameShape(QFrame::NoFrame);
    result->setGeometry(36, 98, 603, 229);
    result->setAccessibleName(QStringLiteral("计算结果"));

    QWidget* previous = m_sex.isEmpty() ? nullptr : m_sex.last();
    for (QWidget* next :
         QList<QWidget*>(m_fields.begin(), m_fields.end()) + QList<QWidget*>{m_calculate, result}) {
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    }
}

int BodyWindow::CreateSexOptions(QWidget* panel, int x) {
    Label(panel, QStringLiteral("Label_性别"), QStringLiteral("性别："),
          {x, LabelTop, CaptionWidth, 16});
    x += CaptionWidth + 2;
    auto* group = new QButtonGroup(this);
    const QStringList captions{QStringLiteral("男"), QStringLiteral("女")};
    for (int i = 0; i < captions.size(); ++i) {
        auto* option = new QRadioButton(captions[i], panel);
        option->setObjectName(QStringLiteral("Option_性别(%1)").arg(i));
        option->setGeometry(x, RowTop + 1, 36, 18);
        option->setStyleSheet(
            QStringLiteral("QRadioButton { background: white; color: #404040; }"));
        option->setAccessibleDescription(QStringLiteral("性别"));
        group->addButton(option, i);
        m_sex.append(option);
        x += 38;
    }
    m_sex.first()->setChecked(true);
    return x + GroupGap;
}

int BodyWindow::CreateField(QWidget* panel, int x, const BodyField& field) {
    const int index = static_cast<int>(m_fields.size());
    Label(panel, QStringLiteral("Label_Tips(%1)").arg(2 * index), field.caption,
          {x, LabelTop, CaptionWidth, 16});
    x += CaptionWidth;

    auto* box = new QLineEdit(panel);
    box->setObjectName(QStringLiteral("Text_Value(%1)").arg(index));
    box->setGeometry(x, RowTop, 43, 18);
    box->setAccessibleName(QString(field.caption).remove(u'：'));
    box->setAccessibleDescription(field.unit);
    m_fields.append(box);
    x += 43 + 3;

    const int unitWidth = 12 * static_cast<int>(field.unit.size()) + 2;
    Label(panel, QStringLiteral("Label_Tips(%1)").arg(2 * index + 1), field.unit,
          {x, LabelTop, unitWidth, 16});
    return x + unitWidth + GroupGap;
}
