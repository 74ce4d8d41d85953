// How two cells of the entry list order when read as text: as points in
// time when both read as the locale's dates or times, else as numbers when
// both read as numbers (from the first blank on ignored, group separators
// ignored), else as locale text.
#pragma once

#include <QChar>
#include <QCollator>
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace ovk {

// The locale's date and time separators as its short formats use them.
QChar DateSeparator(const QLocale& locale);
QChar TimeSeparator(const QLocale& locale);

// One cell read once, so that sorting many rows reads each cell once rather
// than at every comparison.
struct CellKey {
  explicit CellKey(QCollatorSortKey textKey) : text(std::move(textKey)) {}
  bool isTime = false;
  QDateTime time;
  bool isNumber = false;
  double number = 0;
  QCollatorSortKey text;
};

class CellComparer {
 public:
  explicit CellComparer(const QLocale& locale);
  CellKey Key(const QString& text) const;
  static int Compare(const CellKey& a, const CellKey& b);
  int Compare(const QString& a, const QString& b) const { return Compare(Key(a), Key(b)); }

 private:
  bool ReadTime(const QString& text, QDateTime& out) const;
  // False for text the locale cannot read as a number: its parse is slow
  // even when it fails, and most names fail at their first character.
  bool MayStartNumber(const QString& text) const;
  bool ReadNumber(const QString& text, double& out) const;
  QLocale locale_;
  QCollator collator_;
  // Read once: asking the system locale costs more than a whole comparison.
  QChar dateSeparator_, timeSeparator_;
  QString groupSeparator_, negativeSign_, positiveSign_, decimalPoint_;
};

}  // namespace ovk
