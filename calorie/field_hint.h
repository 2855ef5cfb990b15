#pragma once
// A short grey note at a line edit's right end, as the food list's find field says "没有找到";
// screen readers hear it as the field's description.

#include <QString>

class QLabel;
class QLineEdit;

inline const QString NotFoundHint = QStringLiteral("没有找到");

class FieldHint final {
  public:
    explicit FieldHint(QLineEdit* field);
    // An empty hint hides it.
    void Show(const QString& hint);

  private:
    QLineEdit* m_field;
    QLabel* m_label;
};
