// The Properties dialog: what an archive holds and how it is packed, and
// its comment, which the user may edit when the format can keep one.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;

namespace ovk {

struct ArchiveSummary;

class PropertiesDialog : public QDialog {
  Q_OBJECT
 public:
  PropertiesDialog(const QString& archiveName, const ArchiveSummary& summary, QWidget* parent = nullptr);

  // Whether the comment differs from the one shown at the start, and the
  // comment as it stands (UTF-8, lines ending in "\n").
  bool CommentChanged() const;
  std::string Comment() const;

 private:
  QPlainTextEdit* comment_ = nullptr;
  QString shownComment_;
};

}  // namespace ovk
