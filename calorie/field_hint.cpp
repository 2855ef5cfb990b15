#include "calorie/field_hint.h"

#include <QLabel>
#include <QLineEdit>

FieldHint::FieldHint(QLineEdit* field) : m_field(field), m_label(new QLabel(field)) {
    m_label->setForegroundRole(QPalette::PlaceholderText);
    m_label->hide();
}

void FieldHint::Show(const QString& hint) {
    m_label->setText(hint);
    m_label->setVisible(!hint.isEmpty());
    // The text stops short of the note.
    const int notice = hint.isEmpty() ? 0 : m_label->sizeHint().width() + 6;
    m_field->setTextMargins(0, 0, notice, 0);
    if (notice)
        m_label->setGeometry(m_field->width() - notice, 0, notice - 4, m_field->height());
    m_field->setAccessibleDescription(hint);
}
