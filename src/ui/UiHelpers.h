// Small pieces the window and the dialogs share: text conversion at the
// toolkit boundary, file-dialog filters, "*" password echo and the names
// and labels screen readers announce.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QWidget;

namespace ovk {

// UTF-8 path strings <-> toolkit text through the file layer's lossless
// UTF-16 conversion.
QString FromUtf8(const std::string& text);
std::string ToUtf8(const QString& text);

// A folder path with one trailing "/" ensured; empty stays empty.
std::string WithTrailingSlash(const std::string& path);

// "Description|pattern|Description|pattern" as Qt name filters; "*.*"
// stands for every name, as it does on the platform the filters come from.
QStringList QtNameFilters(const QString& filter);

// Bytes / 1024 rounded to the nearest whole number, a half to the even one.
long double RoundedKiloBytes(long double bytes);

// How many lines of a list of failures a message shows.
constexpr std::size_t kListedFailures = 20;

// The first `shown` lines, one per line, then "... and N more" for the rest.
QString FirstLines(const std::vector<std::string>& lines, std::size_t shown);

// Shows "*" for every typed character.
void SetStarEcho(QLineEdit* edit);

// Gives the control the name screen readers announce; returns it.
template <class Control>
Control* Named(Control* control, const QString& name) {
  control->setAccessibleName(name);
  return control;
}

// A label whose mnemonic ("&Destination:") moves the focus to buddy.
QLabel* LabelFor(const QString& text, QWidget* buddy);

}  // namespace ovk
