#pragma once
// The layout of the six body-calculator windows: a header with picture, title and tip, and a
// lower panel with the prompt, one row of inputs, the Calculate button and the framed result
// box. Each window describes itself as a BodyWindowDesign; the frame builds the controls.

#include "frame/tool_window.h"

#include <QList>

class QLineEdit;
class QPushButton;
class QRadioButton;

struct BodyField {
    QString caption; // "身高："
    QString unit;    // "厘米"
};

struct BodyWindowDesign {
    QString caption;
    QString title;
    QString tip; // line breaks as CR LF or a lone CR
    QString prompt;
    QString picture;
    bool asksSex = false;
    QList<BodyField> fields; // Text_Value(0), Text_Value(1), ... left to right after the sex
    bool calculateTooltip = true;
};

class BodyWindow : public ToolWindow {
  public:
    explicit BodyWindow(const BodyWindowDesign& design);

    QLineEdit* Text_Value(int k) const { return m_fields.value(k); }
    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    // Null in a window that asks no sex.
    QRadioButton* Option_性别(int i) const { return m_sex.value(i); }
    QPushButton* Command_计算() const { return m_calculate; }

  private:
    void CreateHeader(const BodyWindowDesign& design);
    void CreateLowerPanel(const BodyWindowDesign& design);
    int CreateSexOptions(QWidget* panel, int x);
    int CreateField(QWidget* panel, int x, const BodyField& field);

    QList<QLineEdit*> m_fields;
    QList<QRadioButton*> m_sex;
    QPushButton* m_calculate = nullptr;
};
