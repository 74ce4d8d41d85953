#include "ui/CellComparer.h"

namespace ovk {

namespace {

// The first character of a format pattern that is neither a field letter nor
// a quote.
QChar FirstSeparator(const QString& format, QChar fallback) {
  for (QChar c : format)
    if (!c.isLetter() && c != QLatin1Char('\'') && c != QLatin1Char(' ')) return c;
  return fallback;
}

}  // namespace

QChar DateSeparator(const QLocale& locale) {
  return FirstSeparator(locale.dateFormat(QLocale::ShortFormat), QLatin1Char('/'));
}

QChar TimeSeparator(const QLocale& locale) {
  return FirstSeparator(locale.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
}

CellComparer::CellComparer(const QLocale& locale)
    : locale_(locale), collator_(locale), dateSeparator_(DateSeparator(locale)),
      timeSeparator_(TimeSeparator(locale)), groupSeparator_(locale.groupSeparator()),
      negativeSign_(locale.negativeSign()), positiveSign_(locale.positiveSign()),
      decimalPoint_(locale.decimalPoint()) {
  collator_.setCaseSensitivity(Qt::CaseSensitive);
}

bool CellComparer::ReadTime(const QString& text, QDateTime& out) const {
  bool isDate = text.count(dateSeparator_) >= 2;
  bool isTime = text.contains(timeSeparator_);
  if (isDate && isTime) {
    out = locale_.toDateTime(text, QLocale::ShortFormat);
    return out.isValid();
  }
  if (isDate) {
    QDate date = locale_.toDate(text, QLocale::ShortFormat);
    out = QDateTime(date, QTime(0, 0));
    return date.isValid();
  }
  if (isTime) {
    // A time alone counts from the zero day, before every full date.
    QTime time = locale_.toTime(text, QLocale::ShortFormat);
    out = QDateTime(QDate(1899, 12, 30), time);
    return time.isValid();
  }
  return false;
}

bool CellComparer::MayStartNumber(const QString& text) const {
  const QString start = text.trimmed();
  if (start.isEmpty()) return false;
  // "inf" and "nan" read as numbers too; other names starting with their
  // letters ("item_1.txt") are common and never do.
  return start.front().isDigit() || start.startsWith(QLatin1String("inf"), Qt::CaseInsensitive) ||
         start.startsWith(QLatin1String("nan"), Qt::CaseInsensitive) ||
         start.startsWith(negativeSign_) || start.startsWith(positiveSign_) || start.startsWith(decimalPoint_);
}

bool CellComparer::ReadNumber(const QString& text, double& out) const {
  QString number = text.section(QLatin1Char(' '), 0, 0);
  if (!MayStartNumber(number)) return false;
  number.remove(groupSeparator_);
  bool ok = false;
  out = locale_.toDouble(number, &ok);
  return ok;
}

CellKey CellComparer::Key(const QString& text) const {
  CellKey key(collator_.sortKey(text));
  key.isTime = ReadTime(text, key.time);
  key.isNumber = ReadNumber(text, key.number);
  return key;
}

int CellComparer::Compare(const CellKey& a, const CellKey& b) {
  if (a.isTime && b.isTime) return a.time < b.time ? -1 : b.time < a.time ? 1 : 0;
  if (a.isNumber && b.isNumber) return a.number < b.number ? -1 : b.number < a.number ? 1 : 0;
  return a.text.compare(b.text);
}

}  // namespace ovk
