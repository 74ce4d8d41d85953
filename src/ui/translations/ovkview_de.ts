<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ovk::AboutDialog</name>
    <message>
        <source>Libraries</source>
        <translation>Bibliotheken</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Bibliothek</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>About OVK Viewer</source>
        <translation>Über OVK Viewer</translation>
    </message>
    <message>
        <source>OVK Viewer</source>
        <translation>OVK Viewer</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Opens, creates, tests and extracts archives: ZIP and KWTZ, and through libarchive tar, 7z, ISO 9660, cpio and more.</source>
        <translation>Öffnet, erstellt, prüft und entpackt Archive: ZIP und KWTZ, über libarchive außerdem tar, 7z, ISO 9660, cpio und weitere.</translation>
    </message>
    <message>
        <source>&amp;Libraries in use:</source>
        <translation>Verwendete &amp;Bibliotheken:</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>ovk::ArchiveController</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Opening %1</source>
        <translation>%1 wird geöffnet</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>%1: %2; adding a file rebuilds it, as does `ovk repair %1`</source>
        <translation>%1: %2; das Hinzufügen einer Datei baut es neu auf, ebenso `ovk repair %1`</translation>
    </message>
    <message>
        <source>This archive is damaged; these entries cannot be read:</source>
        <translation>Dieses Archiv ist beschädigt; diese Einträge können nicht gelesen werden:</translation>
    </message>
    <message>
        <source>Adding</source>
        <translation>Wird hinzugefügt</translation>
    </message>
    <message>
        <source>Adding cancelled; the archive is unchanged.</source>
        <translation>Hinzufügen abgebrochen; das Archiv ist unverändert.</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Adding cancelled; the files added before the cancel are kept.</source>
        <translation>Hinzufügen abgebrochen; die bis dahin hinzugefügten Dateien bleiben erhalten.</translation>
    </message>
    <message>
        <source>These files were not added:</source>
        <translation>Diese Dateien wurden nicht hinzugefügt:</translation>
    </message>
    <message>
        <source>Deleting</source>
        <translation>Wird gelöscht</translation>
    </message>
    <message>
        <source>Deleting cancelled; the archive is unchanged.</source>
        <translation>Löschen abgebrochen; das Archiv ist unverändert.</translation>
    </message>
    <message>
        <source>Nothing was deleted:</source>
        <translation>Nichts wurde gelöscht:</translation>
    </message>
    <message>
        <source>Extracting</source>
        <translation>Wird entpackt</translation>
    </message>
    <message>
        <source>Testing</source>
        <translation>Wird getestet</translation>
    </message>
    <message>
        <source>Cannot make a temporary folder: %1</source>
        <translation>Temporärer Ordner kann nicht angelegt werden: %1</translation>
    </message>
    <message numerus="yes">
        <source>Extraction cancelled; %n file(s) were written whole.</source>
        <translation>
            <numerusform>Entpacken abgebrochen; %n Datei wurde vollständig geschrieben.</numerusform>
            <numerusform>Entpacken abgebrochen; %n Dateien wurden vollständig geschrieben.</numerusform>
        </translation>
    </message>
    <message>
        <source>Testing cancelled.</source>
        <translation>Testen abgebrochen.</translation>
    </message>
    <message>
        <source>%1 entries verified, no errors.</source>
        <translation>%1 Einträge geprüft, keine Fehler.</translation>
    </message>
    <message>
        <source>File protected by password. Specify password in the extract dialog.</source>
        <translation>Die Datei ist passwortgeschützt. Geben Sie das Passwort im Entpacken-Dialog an.</translation>
    </message>
    <message>
        <source>File extract checksum error. File probably corrupt or password incorrect.</source>
        <translation>Prüfsummenfehler beim Entpacken. Die Datei ist wahrscheinlich beschädigt oder das Passwort falsch.</translation>
    </message>
    <message>
        <source>These entries were not written:</source>
        <translation>Diese Einträge wurden nicht geschrieben:</translation>
    </message>
    <message>
        <source>Renaming</source>
        <translation>Wird umbenannt</translation>
    </message>
    <message>
        <source>Renaming cancelled; the archive is unchanged.</source>
        <translation>Umbenennen abgebrochen; das Archiv ist unverändert.</translation>
    </message>
    <message>
        <source>Nothing was renamed:</source>
        <translation>Nichts wurde umbenannt:</translation>
    </message>
    <message>
        <source>Adding a folder</source>
        <translation>Ordner wird hinzugefügt</translation>
    </message>
    <message>
        <source>The folder was not added:</source>
        <translation>Der Ordner wurde nicht hinzugefügt:</translation>
    </message>
    <message>
        <source>Reading %1</source>
        <translation>%1 wird gelesen</translation>
    </message>
    <message>
        <source>Storing the comment</source>
        <translation>Kommentar wird gespeichert</translation>
    </message>
    <message>
        <source>Storing the comment cancelled; the archive is unchanged.</source>
        <translation>Speichern des Kommentars abgebrochen; das Archiv ist unverändert.</translation>
    </message>
    <message>
        <source>The comment was not stored:</source>
        <translation>Der Kommentar wurde nicht gespeichert:</translation>
    </message>
    <message>
        <source>The file was written back; its older copy stays in the archive:</source>
        <translation>Die Datei wurde zurückgeschrieben; ihre ältere Kopie bleibt im Archiv:</translation>
    </message>
</context>
<context>
    <name>ovk::EntryModel</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Pfad</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>Packed</source>
        <translation>Gepackt</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Datum</translation>
    </message>
</context>
<context>
    <name>ovk::PasswordPrompt</name>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Files in %1 are protected by password. Password:</source>
        <translation>Dateien in %1 sind passwortgeschützt. Passwort:</translation>
    </message>
</context>
<context>
    <name>ovk::PropertiesDialog</name>
    <message>
        <source>%1 bytes</source>
        <translation>%1 Byte</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1&#xa0;%</translation>
    </message>
    <message>
        <source>Properties of %1</source>
        <translation>Eigenschaften von %1</translation>
    </message>
    <message>
        <source>&amp;Format:</source>
        <translation>&amp;Format:</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>&amp;Methods:</source>
        <translation>&amp;Methoden:</translation>
    </message>
    <message>
        <source>Methods</source>
        <translation>Methoden</translation>
    </message>
    <message>
        <source>&amp;Encryption:</source>
        <translation>&amp;Verschlüsselung:</translation>
    </message>
    <message>
        <source>Encryption</source>
        <translation>Verschlüsselung</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>F&amp;iles:</source>
        <translation>&amp;Dateien:</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Fol&amp;ders:</source>
        <translation>Ord&amp;ner:</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>&amp;Original size:</source>
        <translation>&amp;Originalgröße:</translation>
    </message>
    <message>
        <source>Original size</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <source>&amp;Packed size:</source>
        <translation>&amp;Gepackte Größe:</translation>
    </message>
    <message>
        <source>Packed size</source>
        <translation>Gepackte Größe</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>&amp;Ratio:</source>
        <translation>Kompressions&amp;rate:</translation>
    </message>
    <message>
        <source>Ratio</source>
        <translation>Kompressionsrate</translation>
    </message>
    <message>
        <source>&amp;Archive size:</source>
        <translation>&amp;Archivgröße:</translation>
    </message>
    <message>
        <source>Archive size</source>
        <translation>Archivgröße</translation>
    </message>
    <message>
        <source>Modified:</source>
        <translation>Geändert:</translation>
    </message>
    <message>
        <source>Modified</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>&amp;Comment:</source>
        <translation>&amp;Kommentar:</translation>
    </message>
</context>
<context>
    <name>ovk::TAddForm</name>
    <message>
        <source>Traditional encryption: compatible with every tool</source>
        <translation>Herkömmlich: mit jedem Programm lesbar</translation>
    </message>
    <message>
        <source>AES-256: strong; needs 7-Zip, WinZip, Ark or libarchive to open</source>
        <translation>AES-256: stark; braucht 7-Zip, WinZip, Ark oder libarchive</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Sources</source>
        <translation>Quellen</translation>
    </message>
    <message>
        <source>Add &amp;Files...</source>
        <translation>&amp;Dateien...</translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation>&amp;Ordner...</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Include &amp;subfolders</source>
        <translation>&amp;Mit Unterordnern</translation>
    </message>
    <message>
        <source>Password Protection</source>
        <translation>Passwortschutz</translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation>&amp;Passwort:</translation>
    </message>
    <message>
        <source>Encryption</source>
        <translation>Verschlüsselung</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Dateien hinzufügen</translation>
    </message>
    <message>
        <source>All files (*.*)|*.*</source>
        <translation>Alle Dateien (*.*)|*.*</translation>
    </message>
    <message>
        <source>Add Folder</source>
        <translation>Ordner hinzufügen</translation>
    </message>
</context>
<context>
    <name>ovk::TExtractForm</name>
    <message>
        <source>Extract Files</source>
        <translation>Dateien entpacken</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>Ziel</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>Browse for the destination</source>
        <translation>Ziel auswählen</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>&amp;All files</source>
        <translation>&amp;Alle Dateien</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>Alle Dateien</translation>
    </message>
    <message>
        <source>&amp;Selected files</source>
        <translation>Aus&amp;gewählte Dateien</translation>
    </message>
    <message>
        <source>Selected files</source>
        <translation>Ausgewählte Dateien</translation>
    </message>
    <message>
        <source>&amp;Keep folder structure</source>
        <translation>Ordner&amp;struktur beibehalten</translation>
    </message>
    <message>
        <source>Keep folder structure</source>
        <translation>Ordnerstruktur beibehalten</translation>
    </message>
    <message>
        <source>Op&amp;en the destination afterwards</source>
        <translation>Ziel anschließend ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Open the destination afterwards</source>
        <translation>Ziel anschließend öffnen</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Destination:</source>
        <translation>&amp;Ziel:</translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation>&amp;Passwort:</translation>
    </message>
    <message>
        <source>Extract folder to</source>
        <translation>Entpacken nach</translation>
    </message>
    <message>
        <source>Select destination directory</source>
        <translation>Zielordner auswählen</translation>
    </message>
</context>
<context>
    <name>ovk::TOVKForm</name>
    <message>
        <source>ZIP files (*.zip)|*.zip|OVK files (*.ovk)|*.ovk|RQF files (*.rqf)|*.rqf|All files (*.*)|*.*</source>
        <translation>ZIP-Dateien (*.zip)|*.zip|OVK-Dateien (*.ovk)|*.ovk|RQF-Dateien (*.rqf)|*.rqf|Alle Dateien (*.*)|*.*</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;New Archive...</source>
        <translation>&amp;Neues Archiv...</translation>
    </message>
    <message>
        <source>&amp;Open Archive...</source>
        <translation>Archiv ö&amp;ffnen...</translation>
    </message>
    <message>
        <source>Open &amp;Recent</source>
        <translation>&amp;Zuletzt geöffnet</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Actions</source>
        <translation>&amp;Aktionen</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Hinzufügen...</translation>
    </message>
    <message>
        <source>&amp;Delete...</source>
        <translation>&amp;Löschen...</translation>
    </message>
    <message>
        <source>E&amp;xtract...</source>
        <translation>&amp;Entpacken...</translation>
    </message>
    <message>
        <source>&amp;Test</source>
        <translation>&amp;Testen</translation>
    </message>
    <message>
        <source>&amp;View...</source>
        <translation>A&amp;nzeigen...</translation>
    </message>
    <message>
        <source>Select A&amp;ll</source>
        <translation>Alles a&amp;uswählen</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Optionen</translation>
    </message>
    <message>
        <source>&amp;Settings...</source>
        <translation>&amp;Einstellungen...</translation>
    </message>
    <message>
        <source>Commands</source>
        <translation>Befehle</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Extract</source>
        <translation>Entpacken</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Search (Ctrl+F)</source>
        <translation>Suchen (Strg+F)</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Entries</source>
        <translation>Einträge</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Tar archives (*.tar *.tar.gz *.tgz *.tar.bz2 *.tbz2 *.tar.xz *.txz *.tar.zst *.tzst)</source>
        <translation>Tar-Archive (*.tar *.tar.gz *.tgz *.tar.bz2 *.tbz2 *.tar.xz *.txz *.tar.zst *.tzst)</translation>
    </message>
    <message>
        <source>7z archives (*.7z)</source>
        <translation>7z-Archive (*.7z)</translation>
    </message>
    <message>
        <source>Other archives (*.tar *.tgz *.tar.* *.7z *.7z.001 *.rar *.iso *.cpio *.deb *.rpm *.a *.cab *.lzh *.lha *.xar *.warc *.gz *.bz2 *.xz *.lzma *.zst *.lz4 *.lz)</source>
        <translation>Andere Archive (*.tar *.tgz *.tar.* *.7z *.7z.001 *.rar *.iso *.cpio *.deb *.rpm *.a *.cab *.lzh *.lha *.xar *.warc *.gz *.bz2 *.xz *.lzma *.zst *.lz4 *.lz)</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>No recent archives</source>
        <translation>Keine zuletzt geöffneten Archive</translation>
    </message>
    <message>
        <source>%1 - %2</source>
        <translation>%1 – %2</translation>
    </message>
    <message>
        <source>Selected %1 file(s), %2 kB</source>
        <translation>%1 Datei(en) ausgewählt, %2 kB</translation>
    </message>
    <message>
        <source>Total %1 file(s), %2 kB</source>
        <translation>Insgesamt %1 Datei(en), %2 kB</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>Frage</translation>
    </message>
    <message>
        <source>Are you sure to delete the selected file(s)?</source>
        <translation>Sollen die ausgewählten Dateien wirklich gelöscht werden?</translation>
    </message>
    <message>
        <source>An operation on the archive is still running. Stop it and close the window?</source>
        <translation>Ein Vorgang am Archiv läuft noch. Soll er abgebrochen und das Fenster geschlossen werden?</translation>
    </message>
    <message>
        <source>&amp;Properties...</source>
        <translation>&amp;Eigenschaften...</translation>
    </message>
    <message>
        <source>Extract &amp;Here</source>
        <translation>Hier ent&amp;packen</translation>
    </message>
    <message>
        <source>&amp;Rename...</source>
        <translation>Um&amp;benennen...</translation>
    </message>
    <message>
        <source>&amp;New Folder...</source>
        <translation>Neuer &amp;Ordner...</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>Ü&amp;ber...</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>The archive&apos;s content was extracted to %1.</source>
        <translation>Der Inhalt des Archivs wurde nach %1 entpackt.</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>New name of %1:</source>
        <translation>Neuer Name für %1:</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Neuer Ordner</translation>
    </message>
    <message>
        <source>Name of the new folder:</source>
        <translation>Name des neuen Ordners:</translation>
    </message>
    <message>
        <source>The file %1 was changed. Update the archive?</source>
        <translation>Die Datei %1 wurde geändert. Soll das Archiv aktualisiert werden?</translation>
    </message>
</context>
<context>
    <name>ovk::TProgressForm</name>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1/s</source>
        <translation>%1/s</translation>
    </message>
    <message>
        <source>Waiting for another program to release %1</source>
        <translation>Warten, bis ein anderes Programm %1 freigibt</translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>Wird angehalten...</translation>
    </message>
</context>
<context>
    <name>ovk::TSettingsForm</name>
    <message>
        <source>Fastest</source>
        <translation>Schnellste</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Best</source>
        <translation>Beste</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Encryption of new passwords:</source>
        <translation>Verschlüsselung neuer Passwörter:</translation>
    </message>
    <message>
        <source>Compression of new entries:</source>
        <translation>Kompression neuer Einträge:</translation>
    </message>
    <message>
        <source>Restore permissions when extracting</source>
        <translation>Zugriffsrechte beim Entpacken wiederherstellen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>ovk::UiHelpers</name>
    <message>
        <source>... and %1 more</source>
        <translation>... und %1 weitere</translation>
    </message>
</context>
</TS>
