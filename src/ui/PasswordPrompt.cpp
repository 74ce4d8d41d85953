#include "ui/PasswordPrompt.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QLineEdit>

#include "ui/UiHelpers.h"

namespace ovk {

bool AskPassword(QWidget* parent, const QString& archiveName, std::string& password) {
  QInputDialog prompt(parent);
  prompt.setWindowTitle(QCoreApplication::translate("ovk::PasswordPrompt", "Password"));
  prompt.setLabelText(
      QCoreApplication::translate("ovk::PasswordPrompt", "Files in %1 are protected by password. Password:").arg(archiveName));
  prompt.setTextEchoMode(QLineEdit::Password);
  if (auto* edit = prompt.findChild<QLineEdit*>()) SetStarEcho(edit);
  if (prompt.exec() != QDialog::Accepted || prompt.textValue().isEmpty()) return false;
  password = ToUtf8(prompt.textValue());
  return true;
}

}  // namespace ovk
