#include "ui/UiHelpers.h"

#include <cfenv>
#include <cmath>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>

#include "support/StringUnit.h"

namespace ovk {

namespace {

class StarEchoStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

QString FromUtf8(const std::string& text) {
  std::u16string wide = Utf8ToWide(text);
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

std::string ToUtf8(const QString& text) {
  return WideToUtf8(std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                                   static_cast<std::size_t>(text.size())));
}

std::string WithTrailingSlash(const std::string& path) {
  return path.empty() || IsPathSeparator(path.back()) ? path : path + "/";
}

QStringList QtNameFilters(const QString& filter) {
  QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    int open = description.indexOf(QLatin1Char('('));
    if (open > 0) description = description.left(open).trimmed();
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns)
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
    filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
  }
  return filters;
}

void SetStarEcho(QLineEdit* edit) {
  // One style for the whole run, owned by the application so that it
  // outlives every field using it.
  static StarEchoStyle* style = [] {
    auto* s = new StarEchoStyle;
    s->setParent(qApp);
    return s;
  }();
  edit->setStyle(style);
  edit->setEchoMode(QLineEdit::Password);
}

long double RoundedKiloBytes(long double bytes) {
  // The default rounding mode takes halves to the even neighbour.
  const int mode = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const long double rounded = std::nearbyint(bytes / 1024.0L);
  std::fesetround(mode);
  return rounded;
}

QString FirstLines(const std::vector<std::string>& lines, std::size_t shown) {
  QStringList listed;
  for (std::size_t i = 0; i < lines.size() && i < shown; ++i) listed << FromUtf8(lines[i]);
  if (lines.size() > shown)
    listed << QCoreApplication::translate("ovk::UiHelpers", "... and %1 more").arg(lines.size() - shown);
  return listed.join(QLatin1Char('\n'));
}

QLabel* LabelFor(const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text);
  label->setBuddy(buddy);
  return label;
}

}  // namespace ovk
