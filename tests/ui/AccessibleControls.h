// Working a dialog as a screen reader does: controls found by role and
// accessible name below a window, read, typed into and pressed through the
// accessibility interface.
#pragma once

#include <QAccessible>
#include <QString>
#include <functional>

class QWidget;

namespace ovktest {

// The first control below root, depth first, with this role and name;
// nullptr when there is none.
QAccessibleInterface* FindControl(QWidget* root, QAccessible::Role role, const QString& name);
// The same for a name that fits.
QAccessibleInterface* FindControlWhere(QWidget* root, QAccessible::Role role,
                                       const std::function<bool(const QString& name)>& fits);

// The control's value text (what a field shows, stars for a password).
QString ValueOf(QAccessibleInterface* control);
// Replaces a field's text.
void TypeInto(QAccessibleInterface* field, const QString& text);
// Presses a button or toggles a check box or radio button, and lets the
// press finish.
void Press(QAccessibleInterface* control);
bool IsChecked(QAccessibleInterface* control);
bool IsEnabled(QAccessibleInterface* control);
bool IsReadOnly(QAccessibleInterface* control);

}  // namespace ovktest
