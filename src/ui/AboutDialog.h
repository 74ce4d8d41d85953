// Help > About: the program, its version, what it is, and the libraries it
// runs on with their versions.
#pragma once

#include <QDialog>

namespace ovk {

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace ovk
