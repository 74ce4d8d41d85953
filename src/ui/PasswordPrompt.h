// Asking for the password of enciphered entries when none was typed.
#pragma once

#include <QString>
#include <string>

class QWidget;

namespace ovk {

// False when the prompt is dismissed or left empty; password is then kept.
bool AskPassword(QWidget* parent, const QString& archiveName, std::string& password);

}  // namespace ovk
