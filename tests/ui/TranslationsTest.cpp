// The window in the languages the build's catalogues hold: its own texts
// from every class's context, the toolkit's buttons in the same language,
// each menu's and dialog's mnemonics still unique; English stays for a
// language without a catalogue of ours.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSet>
#include <QToolButton>
#include <QTranslator>

#include "engine/ArchiveSummary.h"
#include "ui/AboutDialog.h"
#include "ui/AddFormUnit.h"
#include "ui/ExtListView.h"
#include "ui/ExtractFormUnit.h"
#include "ui/ProgressForm.h"
#include "ui/PropertiesDialog.h"
#include "ui/SettingsForm.h"
#include "ui/Translations.h"
#include "ui/UiTestUtil.h"

using namespace ovktest;

namespace {

// Takes the installed catalogues out again, so that later tests read English.
struct CatalogueGuard {
  ~CatalogueGuard() { qDeleteAll(qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly)); }
};

QChar MnemonicOf(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) continue;
    if (text[i + 1] != QLatin1Char('&')) return text[i + 1].toLower();
    ++i;  // "&&" is a shown ampersand
  }
  return {};
}

// The texts whose mnemonic letter an earlier text already took.
std::string Clashing(const QStringList& texts) {
  QSet<QChar> taken;
  QStringList clashing;
  for (const QString& text : texts) {
    const QChar letter = MnemonicOf(text);
    if (letter.isNull()) continue;
    if (taken.contains(letter)) clashing << text;
    taken.insert(letter);
  }
  return clashing.join(QStringLiteral(", ")).toStdString();
}

QStringList ActionTexts(const QList<QAction*>& actions) {
  QStringList texts;
  for (const QAction* action : actions) texts << action->text();
  return texts;
}

// The dialog's own controls, not those of the file dialogs it owns.
QStringList ControlTexts(const QWidget& dialog) {
  QStringList texts;
  auto own = [&dialog](const QWidget* control) { return control->window() == &dialog; };
  for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
    if (own(button)) texts << button->text();
  for (const QLabel* label : dialog.findChildren<QLabel*>())
    if (own(label)) texts << label->text();
  for (const QGroupBox* box : dialog.findChildren<QGroupBox*>())
    if (own(box)) texts << box->title();
  return texts;
}

class Translations : public testing::Test {
 protected:
  SettingsHome home;
};

TEST_F(Translations, WindowSpeaksTheCatalogueLanguageWithUniqueMnemonics) {
  const struct {
    const char* locale;
    bool found;
    QStringList menus;
    const char *pathColumn, *progressTitle, *extractTitle, *bestLevel, *cancel;
  } languages[] = {
      {"de_DE", true, {"&Datei", "&Aktionen", "&Optionen", "&Hilfe"}, "Pfad", "Fortschritt", "Dateien entpacken", "Beste",
       "Abbrechen"},
      {"fr_FR", true, {"&Fichier", "&Actions", "&Options", "Ai&de"}, "Chemin", "Progression", "Extraire des fichiers",
       "La meilleure", "Annuler"},
      // The toolkit has a Japanese catalogue; a window of English texts must
      // not take its buttons from it.
      {"ja_JP", false, {"&File", "&Actions", "&Options", "&Help"}, "Path", "Progress", "Extract Files", "Best", "Cancel"},
  };
  for (const auto& language : languages) {
    SCOPED_TRACE(language.locale);
    CatalogueGuard guard;
    EXPECT_EQ(ovk::InstallTranslations(*qApp, QLocale(QString::fromLatin1(language.locale)),
                                       {QStringLiteral(OVK_TRANSLATIONS_DIR)}),
              language.found);
    auto form = MakeForm();
    EXPECT_EQ(ActionTexts(form->menuBar()->actions()), language.menus);
    EXPECT_EQ(List(*form)->model()->headerData(ovk::kPathColumn, Qt::Horizontal).toString().toStdString(),
              language.pathColumn);
    EXPECT_EQ(Progress(*form)->windowTitle().toStdString(), language.progressTitle);
    EXPECT_EQ(ExtractDialog(*form)->windowTitle().toStdString(), language.extractTitle);
    form->show();
    for (const QToolButton* button : form->findChildren<QToolButton*>()) {
      if (button->toolButtonStyle() == Qt::ToolButtonTextUnderIcon) {
        EXPECT_GE(button->width(), button->sizeHint().width()) << "caption cut: " << button->text().toStdString();
      }
    }
    ovk::TSettingsForm settings(ovk::ArchiveOptions{});
    EXPECT_EQ(settings.LevelChoice->itemText(2).toStdString(), language.bestLevel);
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().toStdString(), language.cancel);

    EXPECT_EQ(Clashing(language.menus), "");
    for (const QAction* menu : form->menuBar()->actions())
      EXPECT_EQ(Clashing(ActionTexts(menu->menu()->actions())), "") << menu->text().toStdString();
    ovk::ArchiveSummary summary;
    summary.commentEditable = true;
    ovk::PropertiesDialog properties(QStringLiteral("a.zip"), summary);
    ovk::AboutDialog about;
    const QWidget* dialogs[] = {AddDialog(*form), ExtractDialog(*form), &settings, &properties, &about};
    for (const QWidget* dialog : dialogs)
      EXPECT_EQ(Clashing(ControlTexts(*dialog)), "") << dialog->windowTitle().toStdString();
    CloseForm(form);
  }
}

}  // namespace
