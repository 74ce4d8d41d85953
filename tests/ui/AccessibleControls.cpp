#include "ui/AccessibleControls.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTest>
#include <QWidget>

namespace ovktest {

namespace {

QAccessibleInterface* FindBelow(QAccessibleInterface* parent, QAccessible::Role role,
                                const std::function<bool(const QString&)>& fits) {
  for (int i = 0; i < parent->childCount(); ++i) {
    QAccessibleInterface* child = parent->child(i);
    if (!child) continue;
    if (child->role() == role && fits(child->text(QAccessible::Name))) return child;
    if (QAccessibleInterface* found = FindBelow(child, role, fits)) return found;
  }
  return nullptr;
}

}  // namespace

QAccessibleInterface* FindControlWhere(QWidget* root, QAccessible::Role role,
                                       const std::function<bool(const QString& name)>& fits) {
  QAccessibleInterface* top = QAccessible::queryAccessibleInterface(root);
  return top ? FindBelow(top, role, fits) : nullptr;
}

QAccessibleInterface* FindControl(QWidget* root, QAccessible::Role role, const QString& name) {
  return FindControlWhere(root, role, [&name](const QString& candidate) { return candidate == name; });
}

QString ValueOf(QAccessibleInterface* control) { return control->text(QAccessible::Value); }

void TypeInto(QAccessibleInterface* field, const QString& text) { field->setText(QAccessible::Value, text); }

void Press(QAccessibleInterface* control) {
  QAccessibleActionInterface* actions = control->actionInterface();
  if (!actions || actions->actionNames().isEmpty()) return;
  actions->doAction(actions->actionNames().first());
  // A press animates: the click comes when the button comes up again.
  if (auto* button = qobject_cast<QAbstractButton*>(control->object())) {
    EXPECT_TRUE(QTest::qWaitFor([button] { return !button->isDown(); }, 5000)) << "the press never ended";
  }
}

bool IsChecked(QAccessibleInterface* control) { return control->state().checked; }
bool IsEnabled(QAccessibleInterface* control) { return !control->state().disabled; }
bool IsReadOnly(QAccessibleInterface* control) { return control->state().readOnly; }

}  // namespace ovktest
