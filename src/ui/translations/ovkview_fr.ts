<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>ovk::AboutDialog</name>
    <message>
        <source>Libraries</source>
        <translation>Bibliothèques</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Bibliothèque</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>About OVK Viewer</source>
        <translation>À propos d’OVK Viewer</translation>
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
        <translation>Ouvre, crée, teste et extrait des archives&#xa0;: ZIP et KWTZ, et via libarchive tar, 7z, ISO 9660, cpio et d’autres encore.</translation>
    </message>
    <message>
        <source>&amp;Libraries in use:</source>
        <translation>&amp;Bibliothèques utilisées&#xa0;:</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>ovk::ArchiveController</name>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Opening %1</source>
        <translation>Ouverture de %1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>%1: %2; adding a file rebuilds it, as does `ovk repair %1`</source>
        <translation>%1&#xa0;: %2&#xa0;; l’ajout d’un fichier la reconstruit, tout comme `ovk repair %1`</translation>
    </message>
    <message>
        <source>This archive is damaged; these entries cannot be read:</source>
        <translation>Cette archive est endommagée&#xa0;; ces entrées ne peuvent pas être lues&#xa0;:</translation>
    </message>
    <message>
        <source>Adding</source>
        <translation>Ajout</translation>
    </message>
    <message>
        <source>Adding cancelled; the archive is unchanged.</source>
        <translation>Ajout annulé&#xa0;; l’archive n’a pas été modifiée.</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Adding cancelled; the files added before the cancel are kept.</source>
        <translation>Ajout annulé&#xa0;; les fichiers ajoutés avant l’annulation sont conservés.</translation>
    </message>
    <message>
        <source>These files were not added:</source>
        <translation>Ces fichiers n’ont pas été ajoutés&#xa0;:</translation>
    </message>
    <message>
        <source>Deleting</source>
        <translation>Suppression</translation>
    </message>
    <message>
        <source>Deleting cancelled; the archive is unchanged.</source>
        <translation>Suppression annulée&#xa0;; l’archive n’a pas été modifiée.</translation>
    </message>
    <message>
        <source>Nothing was deleted:</source>
        <translation>Rien n’a été supprimé&#xa0;:</translation>
    </message>
    <message>
        <source>Extracting</source>
        <translation>Extraction</translation>
    </message>
    <message>
        <source>Testing</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>Cannot make a temporary folder: %1</source>
        <translation>Impossible de créer un dossier temporaire&#xa0;: %1</translation>
    </message>
    <message numerus="yes">
        <source>Extraction cancelled; %n file(s) were written whole.</source>
        <translation>
            <numerusform>Extraction annulée&#xa0;; %n fichier a été écrit en entier.</numerusform>
            <numerusform>Extraction annulée&#xa0;; %n fichiers ont été écrits en entier.</numerusform>
        </translation>
    </message>
    <message>
        <source>Testing cancelled.</source>
        <translation>Test annulé.</translation>
    </message>
    <message>
        <source>%1 entries verified, no errors.</source>
        <translation>%1 entrées vérifiées, aucune erreur.</translation>
    </message>
    <message>
        <source>File protected by password. Specify password in the extract dialog.</source>
        <translation>Fichier protégé par mot de passe. Indiquez le mot de passe dans la boîte de dialogue d’extraction.</translation>
    </message>
    <message>
        <source>File extract checksum error. File probably corrupt or password incorrect.</source>
        <translation>Erreur de somme de contrôle à l’extraction. Le fichier est probablement corrompu ou le mot de passe incorrect.</translation>
    </message>
    <message>
        <source>These entries were not written:</source>
        <translation>Ces entrées n’ont pas été écrites&#xa0;:</translation>
    </message>
    <message>
        <source>Renaming</source>
        <translation>Renommage</translation>
    </message>
    <message>
        <source>Renaming cancelled; the archive is unchanged.</source>
        <translation>Renommage annulé&#xa0;; l’archive est inchangée.</translation>
    </message>
    <message>
        <source>Nothing was renamed:</source>
        <translation>Rien n’a été renommé&#xa0;:</translation>
    </message>
    <message>
        <source>Adding a folder</source>
        <translation>Ajout d’un dossier</translation>
    </message>
    <message>
        <source>The folder was not added:</source>
        <translation>Le dossier n’a pas été ajouté&#xa0;:</translation>
    </message>
    <message>
        <source>Reading %1</source>
        <translation>Lecture de %1</translation>
    </message>
    <message>
        <source>Storing the comment</source>
        <translation>Enregistrement du commentaire</translation>
    </message>
    <message>
        <source>Storing the comment cancelled; the archive is unchanged.</source>
        <translation>Enregistrement du commentaire annulé&#xa0;; l’archive est inchangée.</translation>
    </message>
    <message>
        <source>The comment was not stored:</source>
        <translation>Le commentaire n’a pas été enregistré&#xa0;:</translation>
    </message>
    <message>
        <source>The file was written back; its older copy stays in the archive:</source>
        <translation>Le fichier a été réenregistré ; son ancienne copie reste dans l’archive :</translation>
    </message>
</context>
<context>
    <name>ovk::EntryModel</name>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Chemin</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>Packed</source>
        <translation>Compressé</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Date</translation>
    </message>
</context>
<context>
    <name>ovk::PasswordPrompt</name>
    <message>
        <source>Password</source>
        <translation>Mot de passe</translation>
    </message>
    <message>
        <source>Files in %1 are protected by password. Password:</source>
        <translation>Les fichiers de %1 sont protégés par mot de passe. Mot de passe&#xa0;:</translation>
    </message>
</context>
<context>
    <name>ovk::PropertiesDialog</name>
    <message>
        <source>%1 bytes</source>
        <translation>%1 octets</translation>
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
        <translation>Propriétés de %1</translation>
    </message>
    <message>
        <source>&amp;Format:</source>
        <translation>&amp;Format&#xa0;:</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>&amp;Methods:</source>
        <translation>&amp;Méthodes&#xa0;:</translation>
    </message>
    <message>
        <source>Methods</source>
        <translation>Méthodes</translation>
    </message>
    <message>
        <source>&amp;Encryption:</source>
        <translation>&amp;Chiffrement&#xa0;:</translation>
    </message>
    <message>
        <source>Encryption</source>
        <translation>Chiffrement</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Aucun</translation>
    </message>
    <message>
        <source>F&amp;iles:</source>
        <translation>F&amp;ichiers&#xa0;:</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Fichiers</translation>
    </message>
    <message>
        <source>Fol&amp;ders:</source>
        <translation>&amp;Dossiers&#xa0;:</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Dossiers</translation>
    </message>
    <message>
        <source>&amp;Original size:</source>
        <translation>Taille d’&amp;origine&#xa0;:</translation>
    </message>
    <message>
        <source>Original size</source>
        <translation>Taille d’origine</translation>
    </message>
    <message>
        <source>&amp;Packed size:</source>
        <translation>Taille com&amp;pressée&#xa0;:</translation>
    </message>
    <message>
        <source>Packed size</source>
        <translation>Taille compressée</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>inconnue</translation>
    </message>
    <message>
        <source>&amp;Ratio:</source>
        <translation>&amp;Taux de compression&#xa0;:</translation>
    </message>
    <message>
        <source>Ratio</source>
        <translation>Taux de compression</translation>
    </message>
    <message>
        <source>&amp;Archive size:</source>
        <translation>Taille de l’&amp;archive&#xa0;:</translation>
    </message>
    <message>
        <source>Archive size</source>
        <translation>Taille de l’archive</translation>
    </message>
    <message>
        <source>Modified:</source>
        <translation>Modifiée&#xa0;:</translation>
    </message>
    <message>
        <source>Modified</source>
        <translation>Modifiée</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Commentaire</translation>
    </message>
    <message>
        <source>&amp;Comment:</source>
        <translation>Comme&amp;ntaire&#xa0;:</translation>
    </message>
</context>
<context>
    <name>ovk::TAddForm</name>
    <message>
        <source>Traditional encryption: compatible with every tool</source>
        <translation>Traditionnel&#xa0;: compatible avec tous les outils</translation>
    </message>
    <message>
        <source>AES-256: strong; needs 7-Zip, WinZip, Ark or libarchive to open</source>
        <translation>AES-256&#xa0;: robuste&#xa0;; requiert 7-Zip, WinZip, Ark ou libarchive</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Ajouter</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>Sources</source>
        <translation>Sources</translation>
    </message>
    <message>
        <source>Add &amp;Files...</source>
        <translation>&amp;Fichiers...</translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation>&amp;Dossiers...</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Retirer</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Include &amp;subfolders</source>
        <translation>Inclure les &amp;sous-dossiers</translation>
    </message>
    <message>
        <source>Password Protection</source>
        <translation>Protection par mot de passe</translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation>Mot de &amp;passe&#xa0;:</translation>
    </message>
    <message>
        <source>Encryption</source>
        <translation>Chiffrement</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Ajouter des fichiers</translation>
    </message>
    <message>
        <source>All files (*.*)|*.*</source>
        <translation>Tous les fichiers (*.*)|*.*</translation>
    </message>
    <message>
        <source>Add Folder</source>
        <translation>Ajouter un dossier</translation>
    </message>
</context>
<context>
    <name>ovk::TExtractForm</name>
    <message>
        <source>Extract Files</source>
        <translation>Extraire des fichiers</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>Destination</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>Pa&amp;rcourir...</translation>
    </message>
    <message>
        <source>Browse for the destination</source>
        <translation>Choisir la destination</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Fichiers</translation>
    </message>
    <message>
        <source>&amp;All files</source>
        <translation>&amp;Tous les fichiers</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>Tous les fichiers</translation>
    </message>
    <message>
        <source>&amp;Selected files</source>
        <translation>Fichiers &amp;sélectionnés</translation>
    </message>
    <message>
        <source>Selected files</source>
        <translation>Fichiers sélectionnés</translation>
    </message>
    <message>
        <source>&amp;Keep folder structure</source>
        <translation>&amp;Conserver l’arborescence des dossiers</translation>
    </message>
    <message>
        <source>Keep folder structure</source>
        <translation>Conserver l’arborescence des dossiers</translation>
    </message>
    <message>
        <source>Op&amp;en the destination afterwards</source>
        <translation>&amp;Ouvrir la destination ensuite</translation>
    </message>
    <message>
        <source>Open the destination afterwards</source>
        <translation>Ouvrir la destination ensuite</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Mot de passe</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>&amp;Destination:</source>
        <translation>&amp;Destination&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation>Mot de &amp;passe&#xa0;:</translation>
    </message>
    <message>
        <source>Extract folder to</source>
        <translation>Extraire vers</translation>
    </message>
    <message>
        <source>Select destination directory</source>
        <translation>Choisir le dossier de destination</translation>
    </message>
</context>
<context>
    <name>ovk::TOVKForm</name>
    <message>
        <source>ZIP files (*.zip)|*.zip|OVK files (*.ovk)|*.ovk|RQF files (*.rqf)|*.rqf|All files (*.*)|*.*</source>
        <translation>Fichiers ZIP (*.zip)|*.zip|Fichiers OVK (*.ovk)|*.ovk|Fichiers RQF (*.rqf)|*.rqf|Tous les fichiers (*.*)|*.*</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;New Archive...</source>
        <translation>&amp;Nouvelle archive...</translation>
    </message>
    <message>
        <source>&amp;Open Archive...</source>
        <translation>&amp;Ouvrir une archive...</translation>
    </message>
    <message>
        <source>Open &amp;Recent</source>
        <translation>Ouvrir un fichier &amp;récent</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;Actions</source>
        <translation>&amp;Actions</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Ajouter...</translation>
    </message>
    <message>
        <source>&amp;Delete...</source>
        <translation>&amp;Supprimer...</translation>
    </message>
    <message>
        <source>E&amp;xtract...</source>
        <translation>E&amp;xtraire...</translation>
    </message>
    <message>
        <source>&amp;Test</source>
        <translation>&amp;Tester</translation>
    </message>
    <message>
        <source>&amp;View...</source>
        <translation>Affi&amp;cher...</translation>
    </message>
    <message>
        <source>Select A&amp;ll</source>
        <translation>Tout sé&amp;lectionner</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>&amp;Settings...</source>
        <translation>&amp;Paramètres...</translation>
    </message>
    <message>
        <source>Commands</source>
        <translation>Commandes</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Ajouter</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>Extract</source>
        <translation>Extraire</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Rechercher</translation>
    </message>
    <message>
        <source>Search (Ctrl+F)</source>
        <translation>Rechercher (Ctrl+F)</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Rechercher</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Emplacement</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Précédent</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Dossier parent</translation>
    </message>
    <message>
        <source>Entries</source>
        <translation>Entrées</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Tar archives (*.tar *.tar.gz *.tgz *.tar.bz2 *.tbz2 *.tar.xz *.txz *.tar.zst *.tzst)</source>
        <translation>Archives tar (*.tar *.tar.gz *.tgz *.tar.bz2 *.tbz2 *.tar.xz *.txz *.tar.zst *.tzst)</translation>
    </message>
    <message>
        <source>7z archives (*.7z)</source>
        <translation>Archives 7z (*.7z)</translation>
    </message>
    <message>
        <source>Other archives (*.tar *.tgz *.tar.* *.7z *.7z.001 *.rar *.iso *.cpio *.deb *.rpm *.a *.cab *.lzh *.lha *.xar *.warc *.gz *.bz2 *.xz *.lzma *.zst *.lz4 *.lz)</source>
        <translation>Autres archives (*.tar *.tgz *.tar.* *.7z *.7z.001 *.rar *.iso *.cpio *.deb *.rpm *.a *.cab *.lzh *.lha *.xar *.warc *.gz *.bz2 *.xz *.lzma *.zst *.lz4 *.lz)</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Enregistrer sous</translation>
    </message>
    <message>
        <source>No recent archives</source>
        <translation>Aucune archive récente</translation>
    </message>
    <message>
        <source>%1 - %2</source>
        <translation>%1 – %2</translation>
    </message>
    <message>
        <source>Selected %1 file(s), %2 kB</source>
        <translation>%1 fichier(s) sélectionné(s), %2 Ko</translation>
    </message>
    <message>
        <source>Total %1 file(s), %2 kB</source>
        <translation>Total&#xa0;: %1 fichier(s), %2 Ko</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>Question</translation>
    </message>
    <message>
        <source>Are you sure to delete the selected file(s)?</source>
        <translation>Voulez-vous vraiment supprimer le(s) fichier(s) sélectionné(s)&#xa0;?</translation>
    </message>
    <message>
        <source>An operation on the archive is still running. Stop it and close the window?</source>
        <translation>Une opération sur l’archive est encore en cours. L’arrêter et fermer la fenêtre&#xa0;?</translation>
    </message>
    <message>
        <source>&amp;Properties...</source>
        <translation>&amp;Propriétés...</translation>
    </message>
    <message>
        <source>Extract &amp;Here</source>
        <translation>Extraire &amp;ici</translation>
    </message>
    <message>
        <source>&amp;Rename...</source>
        <translation>&amp;Renommer...</translation>
    </message>
    <message>
        <source>&amp;New Folder...</source>
        <translation>Nouveau &amp;dossier...</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>Ai&amp;de</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>À &amp;propos...</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>The archive&apos;s content was extracted to %1.</source>
        <translation>Le contenu de l’archive a été extrait dans %1.</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Renommer</translation>
    </message>
    <message>
        <source>New name of %1:</source>
        <translation>Nouveau nom de %1&#xa0;:</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Nouveau dossier</translation>
    </message>
    <message>
        <source>Name of the new folder:</source>
        <translation>Nom du nouveau dossier&#xa0;:</translation>
    </message>
    <message>
        <source>The file %1 was changed. Update the archive?</source>
        <translation>Le fichier %1 a été modifié. Mettre à jour l’archive&#xa0;?</translation>
    </message>
</context>
<context>
    <name>ovk::TProgressForm</name>
    <message>
        <source>Progress</source>
        <translation>Progression</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>%1/s</source>
        <translation>%1/s</translation>
    </message>
    <message>
        <source>Waiting for another program to release %1</source>
        <translation>En attente de la libération de %1 par un autre programme</translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>Arrêt en cours...</translation>
    </message>
</context>
<context>
    <name>ovk::TSettingsForm</name>
    <message>
        <source>Fastest</source>
        <translation>La plus rapide</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normale</translation>
    </message>
    <message>
        <source>Best</source>
        <translation>La meilleure</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <source>Encryption of new passwords:</source>
        <translation>Chiffrement des nouveaux mots de passe&#xa0;:</translation>
    </message>
    <message>
        <source>Compression of new entries:</source>
        <translation>Compression des nouvelles entrées&#xa0;:</translation>
    </message>
    <message>
        <source>Restore permissions when extracting</source>
        <translation>Restaurer les permissions lors de l’extraction</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>ovk::UiHelpers</name>
    <message>
        <source>... and %1 more</source>
        <translation>... et %1 de plus</translation>
    </message>
</context>
</TS>
