<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>ovk::AboutDialog</name>
    <message>
        <source>Libraries</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About OVK Viewer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OVK Viewer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opens, creates, tests and extracts archives: ZIP and KWTZ, and through libarchive tar, 7z, ISO 9660, cpio and more.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Libraries in use:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ovk::ArchiveController</name>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opening %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2; adding a file rebuilds it, as does `ovk repair %1`</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This archive is damaged; these entries cannot be read:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adding cancelled; the archive is unchanged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adding cancelled; the files added before the cancel are kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These files were not added:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleting cancelled; the archive is unchanged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing was deleted:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Extracting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Testing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot make a temporary folder: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Extraction cancelled; %n file(s) were written whole.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Testing cancelled.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 entries verified, no errors.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File protected by password. Specify password in the extract dialog.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File extract checksum error. File probably corrupt or password incorrect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These entries were not written:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ovk::EntryModel</name>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Original</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Packed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ovk::PasswordPrompt</name>
    <message>
        <source>Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files in %1 are protected by password. Password:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ovk::PropertiesDialog</name>
    <message>
        <source>%1 bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Properties of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Format:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Methods:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Methods</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Encryption:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Encryption</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>None</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F&amp;iles:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fol&amp;ders:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Original size:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Original size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Packed size:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Packed size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Ratio:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ratio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Archive size:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Archive size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modified:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modified</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Comment</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Comment:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ovk::TAddForm</name>
    <message>
        <source>Traditional encryption: compatible with every tool</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AES-256: strong; needs 7-Zip, WinZip, Ark or libarchive to open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Source</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sources</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add &amp;Files...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Include &amp;subfolders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password Protection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Encryption</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All files (*.*)|*.*</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Folder</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ovk::TExtractForm</name>
    <message>
        <source>Extract Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Destination</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse for the destination</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;All files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Selected files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selected files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Keep folder structure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep folder structure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Op&amp;en the destination afterwards</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the destination afterwards</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Destination:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Extract folder to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select destination directory</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ovk::TOVKForm</name>
    <message>
        <source>ZIP files (*.zip)|*.zip|OVK files (*.ovk)|*.ovk|RQF files (*.rqf)|*.rqf|All files (*.*)|*.*</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;New Archive...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open Archive...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open &amp;Recent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Actions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xtract...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Test</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;View...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select A&amp;ll</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Settings...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Commands</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Extract</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search (Ctrl+F)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Location</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Entries</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tar archives (*.tar *.tar.gz *.tgz *.tar.bz2 *.tbz2 *.tar.xz *.txz *.tar.zst *.tzst)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>7z archives (*.7z)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Other archives (*.tar *.tgz *.tar.* *.7z *.7z.001 *.rar *.iso *.cpio *.deb *.rpm *.a *.cab *.lzh *.lha *.xar *.warc *.gz *.bz2 *.xz *.lzma *.zst *.lz4 *.lz)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save As</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No recent archives</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 - %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selected %1 file(s), %2 kB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Total %1 file(s), %2 kB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Question</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure to delete the selected file(s)?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An operation on the archive is still running. Stop it and close the window?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ovk::TProgressForm</name>
    <message>
        <source>Progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1/s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Waiting for another program to release %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ovk::TSettingsForm</name>
    <message>
        <source>Fastest</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Normal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Best</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Encryption of new passwords:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compression of new entries:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore permissions when extracting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ovk::UiHelpers</name>
    <message>
        <source>... and %1 more</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
