<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AppBuildConfigError</name>
    <message>
        <source>Missing required build configuration: %1</source>
        <extracomment>%1 is the name of a build setting, such as API_BASE_URL</extracomment>
        <translation>Erforderlicher Wert der Build-Konfiguration fehlt: %1</translation>
    </message>
    <message>
        <source>Invalid URL in build configuration: %1</source>
        <extracomment>%1 is the name of a build setting, such as API_BASE_URL</extracomment>
        <translation>Ungültige URL in der Build-Konfiguration: %1</translation>
    </message>
</context>
<context>
    <name>AuthServiceError</name>
    <message>
        <source>Sign-in failed: %1</source>
        <extracomment>%1 is the reason: one of our sentences or the sign-in server&apos;s own message</extracomment>
        <translation>Anmeldung fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Supabase URL and anon key are required.</source>
        <extracomment>Supabase is the sign-in service; the anon key is its public client key</extracomment>
        <translation>Supabase-URL und öffentlicher Schlüssel (anon key) sind erforderlich.</translation>
    </message>
    <message>
        <source>Please sign in first.</source>
        <translation>Bitte melden Sie sich zuerst an.</translation>
    </message>
    <message>
        <source>Could not start web sign-in.</source>
        <translation>Die Anmeldung im Browser konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Could not open the browser for sign-in.</source>
        <translation>Der Browser für die Anmeldung konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Login timed out. Please try again.</source>
        <extracomment>the browser step of signing in was not finished in time</extracomment>
        <translation>Zeitüberschreitung bei der Anmeldung. Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Sign-in flow returned an invalid response.</source>
        <translation>Die Anmeldung hat eine ungültige Antwort geliefert.</translation>
    </message>
    <message>
        <source>Failed to exchange auth code for session.</source>
        <extracomment>the one-time code from the browser step could not be turned into a session</extracomment>
        <translation>Der Anmeldecode konnte nicht gegen eine Sitzung eingetauscht werden.</translation>
    </message>
</context>
<context>
    <name>CapabilityRow</name>
    <message>
        <source>%1 works</source>
        <extracomment>%1 is a capability such as &quot;Global shortcut&quot;</extracomment>
        <translation>%1 funktioniert</translation>
    </message>
</context>
<context>
    <name>CliApp</name>
    <message>
        <source>%1: %2</source>
        <extracomment>%1 is a short title such as &quot;Rewrite failed&quot;, %2 what went wrong</extracomment>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>Velto keeps its sign-in in the Secret Service: start GNOME Keyring or KWallet in your desktop session, then run &quot;velto-cli signin&quot;.</source>
        <translation>Velto speichert die Anmeldung im Secret Service: Starten Sie GNOME Keyring oder KWallet in Ihrer Sitzung und führen Sie dann „velto-cli signin“ aus.</translation>
    </message>
    <message>
        <source>Cannot read standard input: %1</source>
        <extracomment>%1 is the system&apos;s reason</extracomment>
        <translation>Die Standardeingabe kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <extracomment>%1 is the file&apos;s path, %2 the system&apos;s reason</extracomment>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message numerus="yes">
        <source>The text is too long: at most %n MiB.</source>
        <translation>
            <numerusform>Der Text ist zu lang: höchstens %n MiB.</numerusform>
            <numerusform>Der Text ist zu lang: höchstens %n MiB.</numerusform>
        </translation>
    </message>
    <message>
        <source>The text is not valid UTF-8.</source>
        <translation>Der Text ist kein gültiges UTF-8.</translation>
    </message>
    <message>
        <source>Unknown tone &quot;%1&quot;. Available: %2</source>
        <extracomment>%1 is what the user asked for, %2 the list of ids there are</extracomment>
        <translation>Unbekannter Tonfall „%1“. Verfügbar: %2</translation>
    </message>
    <message>
        <source>Unknown language &quot;%1&quot;. Available: %2</source>
        <translation>Unbekannte Sprache „%1“. Verfügbar: %2</translation>
    </message>
    <message>
        <source>Sign in required: run &quot;velto-cli signin&quot; first.</source>
        <translation>Anmeldung erforderlich: Führen Sie zuerst „velto-cli signin“ aus.</translation>
    </message>
    <message>
        <source>Rewrite failed</source>
        <translation>Umformulieren fehlgeschlagen</translation>
    </message>
    <message>
        <source>Open this page to sign in:</source>
        <translation>Öffnen Sie diese Seite, um sich anzumelden:</translation>
    </message>
    <message>
        <source>(Could not open a browser; open the page yourself.)</source>
        <translation>(Der Browser konnte nicht geöffnet werden; öffnen Sie die Seite bitte selbst.)</translation>
    </message>
    <message>
        <source>Confirm the code %1 in your browser.</source>
        <translation>Bestätigen Sie den Code %1 in Ihrem Browser.</translation>
    </message>
    <message>
        <source>Waiting for the sign-in to finish in the browser…</source>
        <translation>Warten auf den Abschluss der Anmeldung im Browser …</translation>
    </message>
    <message>
        <source>Sign in failed: %1</source>
        <translation>Anmeldung fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Sign-in cancelled.</source>
        <translation>Anmeldung abgebrochen.</translation>
    </message>
    <message>
        <source>Signed in as %1</source>
        <translation>Angemeldet als %1</translation>
    </message>
    <message>
        <source>Signed in (no e-mail address)</source>
        <translation>Angemeldet (keine E-Mail-Adresse)</translation>
    </message>
    <message>
        <source>Sign-out failed: %1</source>
        <translation>Abmeldung fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>The session is still in the keyring; velto and velto-cli may use it again.</source>
        <translation>Die Sitzung liegt noch im Schlüsselbund; velto und velto-cli können sie wieder verwenden.</translation>
    </message>
    <message>
        <source>Signed out.</source>
        <translation>Abgemeldet.</translation>
    </message>
    <message>
        <source>Not signed in: %1</source>
        <translation>Nicht angemeldet: %1</translation>
    </message>
    <message>
        <source>Not signed in</source>
        <translation>Nicht angemeldet</translation>
    </message>
    <message numerus="yes">
        <source>Backend: %1 (answers in %n ms)</source>
        <extracomment>%1 is the backend&apos;s address</extracomment>
        <translation>
            <numerusform>Backend: %1 (antwortet in %n ms)</numerusform>
            <numerusform>Backend: %1 (antwortet in %n ms)</numerusform>
        </translation>
    </message>
    <message>
        <source>Backend: %1 (not answering: %2)</source>
        <extracomment>%1 is the backend&apos;s address, %2 why it does not answer</extracomment>
        <translation>Backend: %1 (antwortet nicht: %2)</translation>
    </message>
    <message>
        <source>Tone: %1 (%2)</source>
        <extracomment>%1 is the tone&apos;s title, %2 its id for --tone</extracomment>
        <translation>Tonfall: %1 (%2)</translation>
    </message>
    <message>
        <source>Language: %1 (%2)</source>
        <extracomment>%1 is the language&apos;s title, %2 its id for --language</extracomment>
        <translation>Sprache: %1 (%2)</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <extracomment>an id for --tone or --language, then its title</extracomment>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Tones offered: %1</source>
        <extracomment>%1 is a list of tones</extracomment>
        <translation>Angebotene Tonfälle: %1</translation>
    </message>
    <message>
        <source>Tones (built in): %1</source>
        <translation>Tonfälle (eingebaut): %1</translation>
    </message>
    <message>
        <source>Languages offered: %1</source>
        <extracomment>%1 is a list of languages</extracomment>
        <translation>Angebotene Sprachen: %1</translation>
    </message>
    <message>
        <source>Languages (built in): %1</source>
        <translation>Sprachen (eingebaut): %1</translation>
    </message>
</context>
<context>
    <name>DecodingError</name>
    <message>
        <source>Invalid auth session payload</source>
        <translation>Ungültige Daten der Anmeldesitzung</translation>
    </message>
    <message>
        <source>The data couldn&apos;t be read because it is missing.</source>
        <translation>Die Daten konnten nicht gelesen werden, weil sie fehlen.</translation>
    </message>
    <message>
        <source>The data couldn&apos;t be read because it isn&apos;t in the correct format.</source>
        <translation>Die Daten konnten nicht gelesen werden, weil sie nicht das richtige Format haben.</translation>
    </message>
</context>
<context>
    <name>DesktopShortcutsError</name>
    <message>
        <source>GNOME&apos;s keyboard shortcut settings are not installed.</source>
        <translation>Die Tastenkürzel-Einstellungen von GNOME sind nicht installiert.</translation>
    </message>
    <message>
        <source>GNOME&apos;s keyboard shortcut settings are locked: ask your administrator, or add the shortcut in GNOME Settings.</source>
        <translation>Die Tastenkürzel-Einstellungen von GNOME sind gesperrt: Wenden Sie sich an Ihre Systemverwaltung oder legen Sie das Tastenkürzel in den GNOME-Einstellungen an.</translation>
    </message>
    <message>
        <source>A custom shortcut for Velto in GNOME&apos;s settings can only be Super with a letter, with or without Shift.</source>
        <translation>Ein eigenes Tastenkürzel für Velto in den GNOME-Einstellungen kann nur Super mit einem Buchstaben sein, mit oder ohne Umschalttaste.</translation>
    </message>
</context>
<context>
    <name>GSettingsDesktopShortcuts</name>
    <message>
        <source>Velto: rewrite selection</source>
        <extracomment>the name of Velto&apos;s entry in GNOME Settings, Keyboard, Custom Shortcuts</extracomment>
        <translation>Velto: Auswahl umformulieren</translation>
    </message>
</context>
<context>
    <name>HeaderCard</name>
    <message>
        <source>Shortcut</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Shortcut %1</source>
        <translation>Tastenkürzel %1</translation>
    </message>
    <message>
        <source>Velto</source>
        <extracomment>the product&apos;s name; do not translate</extracomment>
        <translation>Velto</translation>
    </message>
</context>
<context>
    <name>HotkeyManagerError</name>
    <message>
        <source>Could not take the shortcut: the key grab or the desktop&apos;s shortcut portal refused it</source>
        <translation>Das Tastenkürzel konnte nicht übernommen werden: Der X-Server oder das Tastenkürzel-Portal der Arbeitsumgebung hat es verweigert</translation>
    </message>
    <message>
        <source>No global shortcut in this session, and no synthetic keys for the fallback key monitor.</source>
        <translation>In dieser Sitzung gibt es kein globales Tastenkürzel und keine simulierten Tasten für die ersatzweise Tastaturüberwachung.</translation>
    </message>
    <message>
        <source>Failed to install fallback hotkey monitor.</source>
        <translation>Die ersatzweise Tastaturüberwachung konnte nicht eingerichtet werden.</translation>
    </message>
</context>
<context>
    <name>HttpClientError</name>
    <message>
        <source>The request timed out.</source>
        <translation>Zeitüberschreitung bei der Anfrage.</translation>
    </message>
    <message>
        <source>Could not reach the server (network error: unknown).</source>
        <translation>Der Server war nicht erreichbar (Netzwerkfehler: unbekannt).</translation>
    </message>
    <message>
        <source>Could not reach the server (network error: %1).</source>
        <extracomment>%1 is the network stack&apos;s own description, such as &quot;Connection refused&quot;</extracomment>
        <translation>Der Server war nicht erreichbar (Netzwerkfehler: %1).</translation>
    </message>
    <message>
        <source>The request failed.</source>
        <translation>Die Anfrage ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>unsupported URL</source>
        <extracomment>the service&apos;s address in the build configuration is not an http(s) address</extracomment>
        <translation>nicht unterstützte URL</translation>
    </message>
</context>
<context>
    <name>KeychainError</name>
    <message>
        <source>Could not save the session: the system keyring is unavailable.</source>
        <translation>Die Sitzung konnte nicht gespeichert werden: Der Schlüsselbund des Systems ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>Could not save the session: the system keyring is unavailable (%1).</source>
        <extracomment>%1 is the keyring&apos;s own reason</extracomment>
        <translation>Die Sitzung konnte nicht gespeichert werden: Der Schlüsselbund des Systems ist nicht verfügbar (%1).</translation>
    </message>
    <message>
        <source>Could not save the session: access to the system keyring was denied.</source>
        <translation>Die Sitzung konnte nicht gespeichert werden: Der Zugriff auf den Schlüsselbund des Systems wurde verweigert.</translation>
    </message>
    <message>
        <source>Could not save the session: access to the system keyring was denied (%1).</source>
        <extracomment>%1 is the keyring&apos;s own reason</extracomment>
        <translation>Die Sitzung konnte nicht gespeichert werden: Der Zugriff auf den Schlüsselbund des Systems wurde verweigert (%1).</translation>
    </message>
    <message>
        <source>Could not save the session: the system keyring is unavailable (it did not answer).</source>
        <translation>Die Sitzung konnte nicht gespeichert werden: Der Schlüsselbund des Systems ist nicht verfügbar (er hat nicht geantwortet).</translation>
    </message>
    <message>
        <source>The system keyring is unavailable.</source>
        <translation>Der Schlüsselbund des Systems ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>The system keyring is unavailable (%1).</source>
        <extracomment>%1 is the keyring&apos;s own reason</extracomment>
        <translation>Der Schlüsselbund des Systems ist nicht verfügbar (%1).</translation>
    </message>
    <message>
        <source>The system keyring is unavailable (it did not answer).</source>
        <translation>Der Schlüsselbund des Systems ist nicht verfügbar (er hat nicht geantwortet).</translation>
    </message>
    <message>
        <source>Could not remove the session from the system keyring.</source>
        <translation>Die Sitzung konnte nicht aus dem Schlüsselbund des Systems entfernt werden.</translation>
    </message>
    <message>
        <source>Could not remove the session from the system keyring (%1).</source>
        <extracomment>%1 is the keyring&apos;s own reason</extracomment>
        <translation>Die Sitzung konnte nicht aus dem Schlüsselbund des Systems entfernt werden (%1).</translation>
    </message>
    <message>
        <source>Could not remove the session from the system keyring (the keyring did not answer).</source>
        <translation>Die Sitzung konnte nicht aus dem Schlüsselbund des Systems entfernt werden (der Schlüsselbund hat nicht geantwortet).</translation>
    </message>
</context>
<context>
    <name>NoticeBanner</name>
    <message>
        <source>Close notice</source>
        <translation>Hinweis schließen</translation>
    </message>
</context>
<context>
    <name>Notices</name>
    <message>
        <source>Configuration error</source>
        <translation>Konfigurationsfehler</translation>
    </message>
    <message>
        <source>Finish Velto setup</source>
        <translation>Velto fertig einrichten</translation>
    </message>
    <message>
        <source>Velto works best once these three steps are complete:

1. Check that the global shortcut works in this session.
2. Check that Velto can replace text here, through the accessibility bus or a synthetic paste.
3. Sign in, then test one rewrite with %1.

Open Setup to finish everything in one place.</source>
        <translation>Velto funktioniert am besten, wenn diese drei Schritte erledigt sind:

1. Prüfen Sie, ob das globale Tastenkürzel in dieser Sitzung funktioniert.
2. Prüfen Sie, ob Velto hier Text ersetzen kann, über den Barrierefreiheits-Bus oder ein simuliertes Einfügen.
3. Melden Sie sich an und testen Sie eine Umformulierung mit %1.

Öffnen Sie die Einrichtung, um alles an einem Ort abzuschließen.</translation>
    </message>
    <message>
        <source>Open Setup</source>
        <translation>Einrichtung öffnen</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Später</translation>
    </message>
    <message>
        <source>Shortcut not added</source>
        <translation>Tastenkürzel nicht hinzugefügt</translation>
    </message>
    <message>
        <source>Shortcut added to GNOME</source>
        <translation>Tastenkürzel zu GNOME hinzugefügt</translation>
    </message>
    <message>
        <source>Press %1 in any application to rewrite the selected text.</source>
        <translation>Drücken Sie %1 in einer beliebigen Anwendung, um den ausgewählten Text umzuformulieren.</translation>
    </message>
    <message>
        <source>Shortcut not removed</source>
        <translation>Tastenkürzel nicht entfernt</translation>
    </message>
    <message>
        <source>Shortcut not updated</source>
        <translation>Tastenkürzel nicht aktualisiert</translation>
    </message>
    <message>
        <source>Launch at login</source>
        <translation>Bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Sign in required</source>
        <translation>Anmeldung erforderlich</translation>
    </message>
    <message>
        <source>You need to sign in before rewriting text.</source>
        <translation>Sie müssen sich anmelden, bevor Sie Text umformulieren können.</translation>
    </message>
    <message>
        <source>Log in</source>
        <translation>Anmelden</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Text replacement unavailable</source>
        <translation>Textersetzung nicht verfügbar</translation>
    </message>
    <message>
        <source>%1 Open Setup to see what this desktop offers.</source>
        <translation>%1 Öffnen Sie die Einrichtung, um zu sehen, was diese Arbeitsumgebung bietet.</translation>
    </message>
    <message>
        <source>No text selected.</source>
        <translation>Kein Text ausgewählt.</translation>
    </message>
    <message>
        <source>No text selected</source>
        <translation>Kein Text ausgewählt</translation>
    </message>
    <message>
        <source>Select text in another app, then press %1 again.</source>
        <translation>Wählen Sie Text in einer anderen Anwendung aus und drücken Sie dann erneut %1.</translation>
    </message>
    <message>
        <source>Rewrite failed</source>
        <translation>Umformulieren fehlgeschlagen</translation>
    </message>
    <message>
        <source>Velto couldn&apos;t paste the rewritten text. It is on the clipboard: paste it with Ctrl+V.</source>
        <translation>Velto konnte den umformulierten Text nicht einfügen. Er liegt in der Zwischenablage: Fügen Sie ihn mit Strg+V ein.</translation>
    </message>
    <message>
        <source>Paste failed</source>
        <translation>Einfügen fehlgeschlagen</translation>
    </message>
    <message>
        <source>Velto couldn&apos;t finish replacing the selected text, so the document may be partly changed. The rewritten text is on the clipboard: check the document and paste it with Ctrl+V.</source>
        <translation>Velto konnte den ausgewählten Text nicht vollständig ersetzen, das Dokument ist daher womöglich teilweise geändert. Der umformulierte Text liegt in der Zwischenablage: Prüfen Sie das Dokument und fügen Sie ihn mit Strg+V ein.</translation>
    </message>
    <message>
        <source>Replacement incomplete</source>
        <translation>Ersetzung unvollständig</translation>
    </message>
    <message>
        <source>Rewrite complete</source>
        <translation>Umformulierung abgeschlossen</translation>
    </message>
    <message>
        <source>Your selected text was replaced using %1.</source>
        <extracomment>%1 is a tone such as &quot;Professional&quot;</extracomment>
        <translation>Ihr ausgewählter Text wurde mit dem Tonfall „%1“ ersetzt.</translation>
    </message>
    <message>
        <source>Continue in your browser</source>
        <translation>Im Browser fortfahren</translation>
    </message>
    <message>
        <source>A sign-in page will open. Come back to Velto once the browser step is complete.</source>
        <translation>Eine Anmeldeseite wird geöffnet. Kehren Sie zu Velto zurück, sobald der Schritt im Browser abgeschlossen ist.</translation>
    </message>
    <message>
        <source>Sign in failed</source>
        <translation>Anmeldung fehlgeschlagen</translation>
    </message>
    <message>
        <source>Confirm the code %1 in your browser.</source>
        <translation>Bestätigen Sie den Code %1 in Ihrem Browser.</translation>
    </message>
    <message>
        <source>Account connected</source>
        <translation>Konto verbunden</translation>
    </message>
    <message>
        <source>You&apos;re signed in and ready to rewrite text.</source>
        <translation>Sie sind angemeldet und können Text umformulieren.</translation>
    </message>
    <message>
        <source>Sign-out incomplete</source>
        <translation>Abmeldung unvollständig</translation>
    </message>
    <message>
        <source>Velto is signed out for now, but the session is still in the system keyring and may sign you in again at the next start. %1</source>
        <translation>Velto ist vorerst abgemeldet, aber die Sitzung liegt noch im Schlüsselbund des Systems und meldet Sie beim nächsten Start womöglich wieder an. %1</translation>
    </message>
    <message>
        <source>Signed out</source>
        <translation>Abgemeldet</translation>
    </message>
    <message>
        <source>Velto is disconnected until you sign in again.</source>
        <translation>Velto ist getrennt, bis Sie sich wieder anmelden.</translation>
    </message>
    <message>
        <source>Velto couldn&apos;t finish replacing the selected text, so the document may be partly changed, and this session gives it no clipboard to keep the rewritten text on.</source>
        <translation>Velto konnte das Ersetzen des ausgewählten Textes nicht abschließen, daher ist das Dokument möglicherweise teilweise geändert. In dieser Sitzung steht Velto keine Zwischenablage zur Verfügung, um den umformulierten Text dort abzulegen.</translation>
    </message>
    <message>
        <source>Rewrite not written</source>
        <translation>Umformulierung nicht eingefügt</translation>
    </message>
    <message>
        <source>Velto couldn&apos;t write the rewritten text into the application, and this session gives it no clipboard to keep the text on.</source>
        <translation>Velto konnte den umformulierten Text nicht in die Anwendung schreiben, und in dieser Sitzung steht Velto keine Zwischenablage zur Verfügung, um ihn dort abzulegen.</translation>
    </message>
    <message>
        <source>Copy the rewritten text to paste it yourself, or it is discarded.</source>
        <translation>Kopieren Sie den umformulierten Text, um ihn selbst einzufügen, sonst wird er verworfen.</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Verwerfen</translation>
    </message>
    <message>
        <source>Rewritten text copied</source>
        <translation>Umformulierter Text kopiert</translation>
    </message>
    <message>
        <source>Paste it with Ctrl+V.</source>
        <translation>Fügen Sie ihn mit Strg+V ein.</translation>
    </message>
</context>
<context>
    <name>PortalKeyTap</name>
    <message>
        <source>Rewrite the selected text</source>
        <extracomment>what the shortcut does, shown in the desktop&apos;s shortcut settings</extracomment>
        <translation>Ausgewählten Text umformulieren</translation>
    </message>
</context>
<context>
    <name>PresentableError</name>
    <message>
        <source>Network issue</source>
        <translation>Netzwerkproblem</translation>
    </message>
    <message>
        <source>Velto couldn&apos;t reach the rewrite service. Check your connection and try again.</source>
        <translation>Velto konnte den Umformulierungsdienst nicht erreichen. Prüfen Sie Ihre Verbindung und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Account required</source>
        <translation>Konto erforderlich</translation>
    </message>
    <message>
        <source>Your session is no longer valid. Sign in again from Setup to continue.</source>
        <translation>Ihre Sitzung ist nicht mehr gültig. Melden Sie sich in der Einrichtung erneut an, um fortzufahren.</translation>
    </message>
    <message>
        <source>The rewrite service returned an unexpected response. Please try again in a moment.</source>
        <translation>Der Umformulierungsdienst hat eine unerwartete Antwort geliefert. Bitte versuchen Sie es gleich noch einmal.</translation>
    </message>
    <message>
        <source>Something went wrong. Please try again.</source>
        <translation>Etwas ist schiefgelaufen. Bitte versuchen Sie es erneut.</translation>
    </message>
</context>
<context>
    <name>PreviewWindow</name>
    <message>
        <source>Rewrite preview</source>
        <translation>Vorschau der Umformulierung</translation>
    </message>
    <message>
        <source>Show changes</source>
        <translation>Änderungen zeigen</translation>
    </message>
    <message>
        <source>Strikes through removed words and underlines added ones.</source>
        <translation>Streicht entfernte Wörter durch und unterstreicht hinzugefügte.</translation>
    </message>
    <message>
        <source>Rewritten text</source>
        <translation>Umformulierter Text</translation>
    </message>
    <message>
        <source>Waiting for the first words…</source>
        <translation>Warten auf die ersten Wörter …</translation>
    </message>
    <message>
        <source>Tone</source>
        <translation>Tonfall</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Closes the preview and leaves the text as it is (Escape).</source>
        <translation>Schließt die Vorschau und lässt den Text unverändert (Esc).</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Asks for another rewrite (R).</source>
        <translation>Fordert eine neue Umformulierung an (R).</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Puts the rewrite on the clipboard and closes the preview.</source>
        <translation>Legt die Umformulierung in die Zwischenablage und schließt die Vorschau.</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Replaces the selected text with the rewrite (Enter).</source>
        <translation>Ersetzt den ausgewählten Text durch die Umformulierung (Eingabetaste).</translation>
    </message>
</context>
<context>
    <name>QuickPanel</name>
    <message>
        <source>Tone</source>
        <translation>Tonfall</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Sign In</source>
        <translation>Anmelden</translation>
    </message>
    <message>
        <source>Signing in</source>
        <translation>Anmeldung läuft</translation>
    </message>
    <message>
        <source>Click to sign out</source>
        <translation>Zum Abmelden klicken</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Velto</source>
        <extracomment>the product&apos;s name; do not translate</extracomment>
        <translation>Velto</translation>
    </message>
</context>
<context>
    <name>RewriteCard</name>
    <message>
        <source>Rewrite</source>
        <translation>Umformulieren</translation>
    </message>
</context>
<context>
    <name>RewriteClientError</name>
    <message>
        <source>Server returned an invalid response.</source>
        <translation>Der Server hat eine ungültige Antwort geliefert.</translation>
    </message>
    <message>
        <source>No text to rewrite.</source>
        <translation>Es gibt keinen Text zum Umformulieren.</translation>
    </message>
    <message>
        <source>Rewrite stream ended unexpectedly.</source>
        <extracomment>the rewritten text was arriving piece by piece and stopped before its end</extracomment>
        <translation>Die Übertragung der Umformulierung brach unerwartet ab.</translation>
    </message>
</context>
<context>
    <name>ServerErrorInterpreter</name>
    <message>
        <source>Sign-in failed due to an upstream server response.</source>
        <translation>Die Anmeldung ist an der Antwort eines vorgelagerten Servers gescheitert.</translation>
    </message>
    <message>
        <source>Sign-in failed.</source>
        <translation>Anmeldung fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Too many auth requests. Please retry in a few seconds.</source>
        <translation>Zu viele Anmeldeanfragen. Bitte versuchen Sie es in einigen Sekunden erneut.</translation>
    </message>
    <message>
        <source>Please retry.</source>
        <translation>Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Code: %1</source>
        <extracomment>%1 is the error code the server gave, such as rate_limited</extracomment>
        <translation>Code: %1</translation>
    </message>
    <message>
        <source>Request ID: %1</source>
        <extracomment>%1 is the server&apos;s identifier of the failed request, for a support question</extracomment>
        <translation>Anfrage-ID: %1</translation>
    </message>
    <message>
        <source>This sign-in session expired. Please start login again.</source>
        <translation>Diese Anmeldesitzung ist abgelaufen. Bitte starten Sie die Anmeldung erneut.</translation>
    </message>
    <message>
        <source>This sign-in session is not valid for this device.</source>
        <translation>Diese Anmeldesitzung gilt nicht für dieses Gerät.</translation>
    </message>
    <message>
        <source>This sign-in session was already used.</source>
        <translation>Diese Anmeldesitzung wurde bereits verwendet.</translation>
    </message>
    <message>
        <source>Sign-in was canceled.</source>
        <translation>Die Anmeldung wurde abgebrochen.</translation>
    </message>
    <message>
        <source>Sign-in service is temporarily unavailable. Please retry.</source>
        <translation>Der Anmeldedienst ist vorübergehend nicht verfügbar. Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>No reason was given. Please retry.</source>
        <translation>Es wurde kein Grund genannt. Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The sign-in server said “%1”. Please retry.</source>
        <extracomment>%1 is the reason word the sign-in server gave, such as server_error</extracomment>
        <translation>Der Anmeldeserver meldete „%1“. Bitte versuchen Sie es erneut.</translation>
    </message>
</context>
<context>
    <name>SettingsAccountPermissions</name>
    <message>
        <source>Setup</source>
        <translation>Einrichtung</translation>
    </message>
    <message>
        <source>Make the app feel instant.</source>
        <translation>Damit Velto sofort bereit ist.</translation>
    </message>
    <message>
        <source>Velto needs a global shortcut and a way to replace text in this session, and your account enables the online rewrite service.</source>
        <translation>Velto braucht ein globales Tastenkürzel und einen Weg, in dieser Sitzung Text zu ersetzen; Ihr Konto schaltet den Online-Umformulierungsdienst frei.</translation>
    </message>
    <message>
        <source>Setup Checklist</source>
        <translation>Checkliste zur Einrichtung</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>Konto</translation>
    </message>
    <message>
        <source>Capabilities</source>
        <translation>Fähigkeiten</translation>
    </message>
</context>
<context>
    <name>SettingsGeneral</name>
    <message>
        <source>App Behavior</source>
        <translation>Verhalten der Anwendung</translation>
    </message>
    <message>
        <source>Tune how Velto feels day to day.</source>
        <translation>Passen Sie Velto an Ihren Alltag an.</translation>
    </message>
    <message>
        <source>Keep the app lightweight, adjust the global shortcut, and control the finishing touches.</source>
        <translation>Halten Sie die Anwendung schlank, passen Sie das globale Tastenkürzel an und bestimmen Sie den letzten Schliff.</translation>
    </message>
    <message>
        <source>Experience</source>
        <translation>Bedienung</translation>
    </message>
    <message>
        <source>Launch at login</source>
        <translation>Bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Sound on completion</source>
        <translation>Ton nach Abschluss</translation>
    </message>
    <message>
        <source>Current workflow</source>
        <translation>Aktueller Ablauf</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Rewrite selection</source>
        <translation>Auswahl umformulieren</translation>
    </message>
    <message>
        <source>Global shortcut used from any app.</source>
        <translation>Globales Tastenkürzel, das in jeder Anwendung funktioniert.</translation>
    </message>
    <message>
        <source>Exact shortcut</source>
        <translation>Kombination</translation>
    </message>
    <message>
        <source>Shortcut key</source>
        <translation>Taste des Tastenkürzels</translation>
    </message>
    <message>
        <source>Readiness</source>
        <translation>Bereitschaft</translation>
    </message>
    <message>
        <source>Preview before replacing</source>
        <translation>Vorschau vor dem Ersetzen</translation>
    </message>
    <message>
        <source>Watch the rewrite arrive in a window beside the text, then replace, retry or copy it.</source>
        <translation>Sehen Sie die Umformulierung in einem Fenster neben dem Text entstehen und ersetzen, wiederholen oder kopieren Sie sie dann.</translation>
    </message>
</context>
<context>
    <name>SettingsRoot</name>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Workspace readiness</source>
        <translation>Einsatzbereitschaft</translation>
    </message>
    <message>
        <source>Velto</source>
        <extracomment>the product&apos;s name; do not translate</extracomment>
        <translation>Velto</translation>
    </message>
</context>
<context>
    <name>SettingsWriting</name>
    <message>
        <source>Writing Defaults</source>
        <translation>Schreibvorgaben</translation>
    </message>
    <message>
        <source>Set the voice before you rewrite.</source>
        <translation>Legen Sie den Stil fest, bevor Sie umformulieren.</translation>
    </message>
    <message>
        <source>These defaults apply every time you trigger Velto, so the result feels consistent across apps.</source>
        <translation>Diese Vorgaben gelten jedes Mal, wenn Sie Velto auslösen, damit das Ergebnis in allen Anwendungen einheitlich wirkt.</translation>
    </message>
    <message>
        <source>Defaults Summary</source>
        <translation>Vorgaben im Überblick</translation>
    </message>
    <message>
        <source>Tone and language apply every time you trigger Velto.</source>
        <translation>Tonfall und Sprache gelten jedes Mal, wenn Sie Velto auslösen.</translation>
    </message>
    <message>
        <source>Defaults</source>
        <translation>Vorgaben</translation>
    </message>
    <message>
        <source>Tone</source>
        <translation>Tonfall</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Choose a default target language or keep automatic detection.</source>
        <translation>Wählen Sie eine Standard-Zielsprache oder behalten Sie die automatische Erkennung bei.</translation>
    </message>
</context>
<context>
    <name>SetupCard</name>
    <message>
        <source>Finish setup</source>
        <translation>Einrichtung abschließen</translation>
    </message>
    <message>
        <source>Open Setup</source>
        <translation>Einrichtung öffnen</translation>
    </message>
</context>
<context>
    <name>ShortcutBadge</name>
    <message>
        <source>Remove Shift modifier</source>
        <translation>Umschalttaste entfernen</translation>
    </message>
    <message>
        <source>Add Shift modifier</source>
        <translation>Umschalttaste hinzufügen</translation>
    </message>
</context>
<context>
    <name>WaylandSessionAccess</name>
    <message>
        <source>This desktop has no global shortcut portal.</source>
        <translation>Diese Arbeitsumgebung hat kein Portal für globale Tastenkürzel.</translation>
    </message>
    <message>
        <source>The desktop&apos;s global shortcut portal did not bind the shortcut.</source>
        <translation>Das Portal für globale Tastenkürzel der Arbeitsumgebung hat das Tastenkürzel nicht zugewiesen.</translation>
    </message>
    <message>
        <source>Waiting for the desktop&apos;s global shortcut portal.</source>
        <translation>Warten auf das Portal für globale Tastenkürzel der Arbeitsumgebung.</translation>
    </message>
    <message>
        <source>This desktop offers neither an accessibility bus (AT-SPI) nor a synthetic paste (a RemoteDesktop portal with a data-control clipboard).</source>
        <translation>Diese Arbeitsumgebung bietet weder einen Barrierefreiheits-Bus (AT-SPI) noch simuliertes Einfügen (ein RemoteDesktop-Portal mit einer Data-Control-Zwischenablage).</translation>
    </message>
</context>
<context>
    <name>X11SessionAccess</name>
    <message>
        <source>The X server offers no key grab: it lacks the XInput2 or XTest extension.</source>
        <translation>Der X-Server kann keine Tasten abfangen: Ihm fehlt die Erweiterung XInput2 oder XTest.</translation>
    </message>
    <message>
        <source>This session has neither an accessibility bus (AT-SPI) nor the XTest extension for a synthetic paste.</source>
        <translation>Diese Sitzung hat weder einen Barrierefreiheits-Bus (AT-SPI) noch die Erweiterung XTest für simuliertes Einfügen.</translation>
    </message>
</context>
<context>
    <name>XdgAutostart</name>
    <message>
        <source>The app&apos;s location cannot be written into an autostart entry.</source>
        <translation>Der Speicherort der Anwendung lässt sich nicht in einen Autostart-Eintrag schreiben.</translation>
    </message>
    <message>
        <source>Could not create %1: %2</source>
        <extracomment>%1 is a folder, %2 the system&apos;s reason</extracomment>
        <translation>%1 konnte nicht angelegt werden: %2</translation>
    </message>
</context>
<context>
    <name>velto</name>
    <message>
        <source>Usage: velto [--trigger | --quit | --help | --version]

Velto rewrites the selected text of any application in place: select text,
press Super+Shift+L (the combination can be changed), and the rewrite
replaces it.

  (no option)  start Velto, or bring the running one to the front
  --trigger    ask the running Velto to rewrite the current selection
               (bind this to a shortcut in your desktop&apos;s settings when
               the desktop has no global shortcut portal; it works
               whatever Velto&apos;s own shortcut does)
  --quit       ask the running Velto to quit
  --help       show this help
  --version    show the version
</source>
        <extracomment>keep the options and the column layout; Super+Shift+L is the default shortcut</extracomment>
        <translation>Aufruf: velto [--trigger | --quit | --help | --version]

Velto formuliert den ausgewählten Text jeder Anwendung an Ort und Stelle um:
Text auswählen, Super+Shift+L drücken (die Kombination lässt sich ändern),
und die Umformulierung ersetzt ihn.

  (keine Option)  Velto starten oder das laufende Velto nach vorn holen
  --trigger       das laufende Velto die aktuelle Auswahl umformulieren lassen
                  (legen Sie dafür in den Einstellungen Ihrer Arbeitsumgebung
                  ein Tastenkürzel an, wenn sie kein Portal für globale
                  Tastenkürzel bietet; es funktioniert unabhängig davon, was
                  das eigene Tastenkürzel von Velto tut)
  --quit          das laufende Velto beenden
  --help          diese Hilfe anzeigen
  --version       die Version anzeigen
</translation>
    </message>
    <message>
        <source>Help for the global shortcut and for text replacement:
</source>
        <translation>Hilfe zum globalen Tastenkürzel und zur Textersetzung:
</translation>
    </message>
    <message>
        <source>velto: unknown option %1

</source>
        <extracomment>%1 is the option as the user typed it</extracomment>
        <translation>velto: unbekannte Option %1

</translation>
    </message>
    <message>
        <source>velto: Velto is not running
</source>
        <translation>velto: Velto läuft nicht
</translation>
    </message>
</context>
<context>
    <name>velto-cli</name>
    <message>
        <source>Exit status:
    0  success
    1  the service or the sign-in failed
    2  bad arguments or unreadable input
    3  sign-in required (run &quot;velto-cli signin&quot;)
    4  the service could not be reached or timed out
  130  a sign-in was interrupted (Ctrl+C); the backend is told
</source>
        <extracomment>the columns line up; keep the numbers and their indentation</extracomment>
        <translation>Rückgabewert:
    0  Erfolg
    1  der Dienst oder die Anmeldung ist fehlgeschlagen
    2  ungültige Argumente oder nicht lesbare Eingabe
    3  Anmeldung erforderlich („velto-cli signin“ ausführen)
    4  der Dienst war nicht erreichbar oder hat nicht rechtzeitig geantwortet
  130  eine Anmeldung wurde unterbrochen (Strg+C); das Backend wird benachrichtigt
</translation>
    </message>
    <message>
        <source>Usage: velto-cli &lt;command&gt; [options]

Rewrites text with Velto&apos;s service, using the app&apos;s tone, language and sign-in.

Commands:
  rewrite [FILE]   rewrite FILE (or standard input) and print the result
  signin           sign in through the browser
  signout          sign out and forget the session
  status           who is signed in, the backend, tone, language and catalogue

Options of every command: -h, --help; -v, --verbose (print the diagnostic log lines,
which otherwise go only to the journal, identifier velto-cli).

Run &quot;velto-cli &lt;command&gt; --help&quot; for a command&apos;s options.

</source>
        <extracomment>keep the command names, options and column layout</extracomment>
        <translation>Aufruf: velto-cli &lt;Befehl&gt; [Optionen]

Formuliert Text mit dem Dienst von Velto um, mit Tonfall, Sprache und Anmeldung der Anwendung.

Befehle:
  rewrite [FILE]   FILE (oder die Standardeingabe) umformulieren und das Ergebnis ausgeben
  signin           über den Browser anmelden
  signout          abmelden und die Sitzung vergessen
  status           Anmeldung, Backend, Tonfall, Sprache und Katalog anzeigen

Optionen aller Befehle: -h, --help; -v, --verbose (die Diagnosemeldungen ausgeben,
die sonst nur ins Journal gehen, Kennung velto-cli).

„velto-cli &lt;Befehl&gt; --help“ zeigt die Optionen eines Befehls.

</translation>
    </message>
    <message>
        <source>Also print the diagnostic log lines (always in the journal).</source>
        <translation>Auch die Diagnosemeldungen ausgeben (sie stehen immer im Journal).</translation>
    </message>
    <message>
        <source>Show this help.</source>
        <translation>Diese Hilfe anzeigen.</translation>
    </message>
    <message>
        <source>Tone id to use instead of the saved one.</source>
        <translation>Kennung des Tonfalls, der statt des gespeicherten verwendet wird.</translation>
    </message>
    <message>
        <source>Language id to use instead of the saved one.</source>
        <translation>Kennung der Sprache, die statt der gespeicherten verwendet wird.</translation>
    </message>
    <message>
        <source>Print the text piece by piece as it arrives.</source>
        <translation>Den Text Stück für Stück ausgeben, sobald er eintrifft.</translation>
    </message>
    <message>
        <source>Text to rewrite; standard input when absent or &quot;-&quot;.</source>
        <translation>Umzuformulierender Text; die Standardeingabe, wenn nicht angegeben oder „-“.</translation>
    </message>
    <message>
        <source>Rewrites the text and prints the result.</source>
        <translation>Formuliert den Text um und gibt das Ergebnis aus.</translation>
    </message>
    <message>
        <source>velto-cli: rewrite takes at most one FILE
</source>
        <translation>velto-cli: rewrite nimmt höchstens ein Argument FILE an
</translation>
    </message>
    <message>
        <source>Only print the sign-in page&apos;s address.</source>
        <translation>Nur die Adresse der Anmeldeseite ausgeben.</translation>
    </message>
    <message>
        <source>Signs in through the browser.</source>
        <translation>Meldet Sie über den Browser an.</translation>
    </message>
    <message>
        <source>Signs out and removes the session from the keyring.</source>
        <translation>Meldet Sie ab und entfernt die Sitzung aus dem Schlüsselbund.</translation>
    </message>
    <message>
        <source>Shows the sign-in, the backend, tone, language and catalogue.</source>
        <translation>Zeigt Anmeldung, Backend, Tonfall, Sprache und Katalog an.</translation>
    </message>
    <message>
        <source>velto-cli: unknown command &quot;%1&quot;

</source>
        <translation>velto-cli: unbekannter Befehl „%1“

</translation>
    </message>
    <message>
        <source>velto-cli: %1 takes no arguments
</source>
        <translation>velto-cli: %1 nimmt keine Argumente an
</translation>
    </message>
    <message>
        <source>Configuration error: %1
</source>
        <translation>Konfigurationsfehler: %1
</translation>
    </message>
</context>
<context>
    <name>velto::AppModel</name>
    <message>
        <source>Default</source>
        <extracomment>a writing tone</extracomment>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Professional</source>
        <translation>Professionell</translation>
    </message>
    <message>
        <source>Concise</source>
        <translation>Knapp</translation>
    </message>
    <message>
        <source>Creative</source>
        <translation>Kreativ</translation>
    </message>
    <message>
        <source>Casual</source>
        <translation>Locker</translation>
    </message>
    <message>
        <source>Persuasive</source>
        <translation>Überzeugend</translation>
    </message>
    <message>
        <source>Auto-detect</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Englisch</translation>
    </message>
    <message>
        <source>Greek</source>
        <translation>Griechisch</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Französisch</translation>
    </message>
    <message>
        <source>German</source>
        <translation>Deutsch</translation>
    </message>
    <message>
        <source>Spanish</source>
        <translation>Spanisch</translation>
    </message>
    <message>
        <source>Italian</source>
        <translation>Italienisch</translation>
    </message>
    <message>
        <source>Rewrite failed.</source>
        <translation>Umformulieren fehlgeschlagen.</translation>
    </message>
</context>
<context>
    <name>velto::PreviewPresenter</name>
    <message>
        <source>Rewriting with %1…</source>
        <extracomment>%1 is a tone such as &quot;Professional&quot;</extracomment>
        <translation>Wird mit %1 umformuliert …</translation>
    </message>
    <message>
        <source>Rewritten with %1</source>
        <extracomment>%1 is a tone such as &quot;Professional&quot;</extracomment>
        <translation>Mit %1 umformuliert</translation>
    </message>
</context>
<context>
    <name>velto::PreviewViewController</name>
    <message>
        <source>Velto preview</source>
        <extracomment>the preview window&apos;s title, read by screen readers and window lists</extracomment>
        <translation>Velto-Vorschau</translation>
    </message>
</context>
<context>
    <name>velto::QuickPanelPresenter</name>
    <message>
        <source>Signing in...</source>
        <translation>Anmeldung läuft …</translation>
    </message>
    <message>
        <source>Browser handoff in progress</source>
        <translation>Übergabe an den Browser läuft</translation>
    </message>
    <message>
        <source>Live</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Ready to rewrite</source>
        <translation>Bereit zum Umformulieren</translation>
    </message>
    <message>
        <source>Select text in any app, then press %1</source>
        <translation>Wählen Sie Text in einer Anwendung aus und drücken Sie %1</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>Connect your account</source>
        <translation>Konto verbinden</translation>
    </message>
    <message>
        <source>Sign in once to activate online rewriting</source>
        <translation>Einmal anmelden, um online umzuformulieren</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>Konto</translation>
    </message>
    <message>
        <source>%1 is taken</source>
        <translation>%1 ist belegt</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>Einrichtung</translation>
    </message>
    <message>
        <source>Complete setup</source>
        <translation>Einrichtung abschließen</translation>
    </message>
    <message>
        <source>Rewriting selection</source>
        <translation>Auswahl wird umformuliert</translation>
    </message>
    <message>
        <source>Replacing the current selection</source>
        <translation>Die aktuelle Auswahl wird ersetzt</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Needs attention</source>
        <translation>Handlungsbedarf</translation>
    </message>
    <message>
        <source>Issue</source>
        <translation>Problem</translation>
    </message>
    <message>
        <source>Rewrite Selection</source>
        <translation>Auswahl umformulieren</translation>
    </message>
    <message>
        <source>Use %1 in %2</source>
        <extracomment>%1 is a tone such as &quot;Professional&quot;, %2 a language such as &quot;German&quot;</extracomment>
        <translation>%1, Sprache %2</translation>
    </message>
    <message>
        <source>Sign In to Continue</source>
        <translation>Jetzt anmelden</translation>
    </message>
    <message>
        <source>Online rewrite requires an account</source>
        <translation>Dafür ist ein Konto nötig</translation>
    </message>
    <message>
        <source>Works without the shortcut too</source>
        <translation>Geht auch ohne Tastenkürzel</translation>
    </message>
    <message>
        <source>Finish Setup First</source>
        <translation>Erst einrichten</translation>
    </message>
    <message>
        <source>Text replacement must work first</source>
        <translation>Zuerst muss die Textersetzung funktionieren</translation>
    </message>
    <message>
        <source>Rewriting...</source>
        <translation>Wird umformuliert …</translation>
    </message>
    <message>
        <source>Working on the selected text</source>
        <translation>Der ausgewählte Text wird bearbeitet</translation>
    </message>
    <message>
        <source>Try Rewrite Again</source>
        <translation>Erneut umformulieren</translation>
    </message>
    <message>
        <source>Fix the issue below, then retry</source>
        <translation>Beheben Sie das Problem unten und versuchen Sie es erneut</translation>
    </message>
    <message>
        <source>Finish the browser handoff, then come back here.</source>
        <translation>Schließen Sie den Schritt im Browser ab und kehren Sie dann hierher zurück.</translation>
    </message>
    <message>
        <source>Open Setup to see how the shortcut and text replacement work in this session.</source>
        <translation>Öffnen Sie die Einrichtung, um zu sehen, wie Tastenkürzel und Textersetzung in dieser Sitzung funktionieren.</translation>
    </message>
    <message>
        <source>Velto rewrites the currently selected text and pastes the result back in place.</source>
        <translation>Velto formuliert den ausgewählten Text um und setzt das Ergebnis an seiner Stelle ein.</translation>
    </message>
    <message>
        <source>Use Settings to connect your account once.</source>
        <translation>Verbinden Sie Ihr Konto einmalig in den Einstellungen.</translation>
    </message>
    <message>
        <source>Shortcut and text replacement</source>
        <translation>Tastenkürzel und Textersetzung</translation>
    </message>
    <message>
        <source>Both work in this session</source>
        <translation>Beides funktioniert in dieser Sitzung</translation>
    </message>
    <message>
        <source>Sign in to use the rewrite service</source>
        <translation>Melden Sie sich an, um den Umformulierungsdienst zu nutzen</translation>
    </message>
    <message>
        <source>First rewrite</source>
        <translation>Erste Umformulierung</translation>
    </message>
    <message>
        <source>You&apos;re ready to go</source>
        <translation>Alles bereit</translation>
    </message>
    <message>
        <source>Select text and press %1</source>
        <translation>Text auswählen und %1 drücken</translation>
    </message>
    <message>
        <source>Add the shortcut to GNOME to rewrite with %1</source>
        <translation>Fügen Sie das Tastenkürzel zu GNOME hinzu, um mit %1 umzuformulieren</translation>
    </message>
    <message>
        <source>Check the global shortcut and text replacement</source>
        <translation>Prüfen Sie das globale Tastenkürzel und die Textersetzung</translation>
    </message>
    <message>
        <source>Another program uses it. %1 is free.</source>
        <translation>Ein anderes Programm verwendet es. %1 ist frei.</translation>
    </message>
    <message>
        <source>Another program uses it. Choose another shortcut in Settings.</source>
        <translation>Ein anderes Programm verwendet es. Wählen Sie in den Einstellungen ein anderes Tastenkürzel.</translation>
    </message>
    <message>
        <source>Use %1</source>
        <translation>%1 verwenden</translation>
    </message>
    <message>
        <source>Choose a Shortcut</source>
        <translation>Tastenkürzel wählen</translation>
    </message>
    <message>
        <source>Add the shortcut to GNOME</source>
        <translation>Tastenkürzel zu GNOME hinzufügen</translation>
    </message>
    <message>
        <source>Shortcut Help</source>
        <translation>Hilfe zum Tastenkürzel</translation>
    </message>
    <message>
        <source>Text Replacement Help</source>
        <translation>Hilfe zur Textersetzung</translation>
    </message>
    <message>
        <source>Sign In</source>
        <translation>Anmelden</translation>
    </message>
    <message>
        <source>Try Your First Rewrite</source>
        <translation>Jetzt ausprobieren</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Click to sign out</source>
        <translation>Zum Abmelden klicken</translation>
    </message>
    <message numerus="yes">
        <source>Complete %1 of %n steps to make Velto feel instant.</source>
        <extracomment>%1 is how many of the setup steps are done</extracomment>
        <translation>
            <numerusform>Erledigen Sie %1 von %n Schritt, damit Velto sofort bereit ist.</numerusform>
            <numerusform>Erledigen Sie %1 von %n Schritten, damit Velto sofort bereit ist.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>velto::SettingsPresenter</name>
    <message>
        <source>Setup</source>
        <translation>Einrichtung</translation>
    </message>
    <message>
        <source>Account and capabilities</source>
        <translation>Konto und Fähigkeiten</translation>
    </message>
    <message>
        <source>App</source>
        <translation>Anwendung</translation>
    </message>
    <message>
        <source>Behavior and shortcut</source>
        <translation>Verhalten und Tastenkürzel</translation>
    </message>
    <message>
        <source>Writing</source>
        <translation>Schreiben</translation>
    </message>
    <message>
        <source>Tone and language defaults</source>
        <translation>Vorgaben für Tonfall und Sprache</translation>
    </message>
    <message>
        <source>Needs setup</source>
        <translation>Einrichtung nötig</translation>
    </message>
    <message>
        <source>Account required</source>
        <translation>Konto erforderlich</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n core steps complete</source>
        <extracomment>%1 is how many of the core setup steps are done</extracomment>
        <translation>
            <numerusform>%1 von %n Grundschritt erledigt</numerusform>
            <numerusform>%1 von %n Grundschritten erledigt</numerusform>
        </translation>
    </message>
    <message>
        <source>Shortcut and text replacement</source>
        <translation>Tastenkürzel und Textersetzung</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>Konto</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Sign in required</source>
        <translation>Anmeldung erforderlich</translation>
    </message>
    <message>
        <source>Writing defaults</source>
        <translation>Schreibvorgaben</translation>
    </message>
    <message>
        <source>%1 • %2</source>
        <extracomment>a tone and a language, such as &quot;Professional • German&quot;</extracomment>
        <translation>%1 • %2</translation>
    </message>
    <message>
        <source>Select text in any app, then press %1 to rewrite it in place.</source>
        <translation>Wählen Sie Text in einer beliebigen Anwendung aus und drücken Sie %1, um ihn an Ort und Stelle umzuformulieren.</translation>
    </message>
    <message>
        <source>Clearer and more polished for clients and formal communication.</source>
        <translation>Klarer und gepflegter, für Kunden und förmliche Korrespondenz.</translation>
    </message>
    <message>
        <source>Removes filler and gets to the point faster.</source>
        <translation>Streicht Füllwörter und kommt schneller auf den Punkt.</translation>
    </message>
    <message>
        <source>Adds energy, vocabulary, and rhythm.</source>
        <translation>Bringt Schwung, Wortschatz und Rhythmus.</translation>
    </message>
    <message>
        <source>Looser, warmer, and more conversational.</source>
        <translation>Lockerer, herzlicher und näher am Gespräch.</translation>
    </message>
    <message>
        <source>More action-oriented and convincing.</source>
        <translation>Handlungsorientierter und überzeugender.</translation>
    </message>
    <message>
        <source>Makes the minimum necessary corrections.</source>
        <translation>Nimmt nur die nötigsten Korrekturen vor.</translation>
    </message>
    <message>
        <source>Current default: %1 in %2</source>
        <extracomment>%1 is a tone such as &quot;Professional&quot;, %2 a language such as &quot;German&quot;</extracomment>
        <translation>Aktuelle Vorgabe: Tonfall %1, Sprache %2</translation>
    </message>
    <message>
        <source>Check the shortcut and text replacement</source>
        <translation>Tastenkürzel und Textersetzung prüfen</translation>
    </message>
    <message>
        <source>Both work in this session.</source>
        <translation>Beides funktioniert in dieser Sitzung.</translation>
    </message>
    <message>
        <source>Needed to see the shortcut and to replace the selected text. See below for what this session offers.</source>
        <translation>Nötig, um das Tastenkürzel zu erkennen und den ausgewählten Text zu ersetzen. Was diese Sitzung bietet, sehen Sie unten.</translation>
    </message>
    <message>
        <source>Connect your account</source>
        <translation>Konto verbinden</translation>
    </message>
    <message>
        <source>Your rewrite service is ready.</source>
        <translation>Ihr Umformulierungsdienst ist bereit.</translation>
    </message>
    <message>
        <source>Sign in once to unlock online rewriting.</source>
        <translation>Melden Sie sich einmal an, um das Online-Umformulieren freizuschalten.</translation>
    </message>
    <message>
        <source>Test one rewrite</source>
        <translation>Eine Umformulierung testen</translation>
    </message>
    <message>
        <source>You have already completed a rewrite.</source>
        <translation>Sie haben bereits eine Umformulierung durchgeführt.</translation>
    </message>
    <message>
        <source>Select text and press %1</source>
        <translation>Text auswählen und %1 drücken</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Nicht verbunden</translation>
    </message>
    <message>
        <source>Sign in</source>
        <translation>Anmelden</translation>
    </message>
    <message>
        <source>Signing in</source>
        <translation>Anmeldung läuft</translation>
    </message>
    <message>
        <source>Browser handoff in progress</source>
        <translation>Übergabe an den Browser läuft</translation>
    </message>
    <message>
        <source>Sign out</source>
        <translation>Abmelden</translation>
    </message>
    <message>
        <source>Global shortcut</source>
        <translation>Globales Tastenkürzel</translation>
    </message>
    <message>
        <source>%1 is taken by another program or by the desktop. %2 is free.</source>
        <translation>%1 ist von einem anderen Programm oder der Arbeitsumgebung belegt. %2 ist frei.</translation>
    </message>
    <message>
        <source>Use %1</source>
        <translation>%1 verwenden</translation>
    </message>
    <message>
        <source>%1 is taken by another program or by the desktop. Choose another shortcut in the App section.</source>
        <translation>%1 ist von einem anderen Programm oder der Arbeitsumgebung belegt. Wählen Sie im Bereich „Anwendung“ ein anderes Tastenkürzel.</translation>
    </message>
    <message>
        <source>Through a key grab on the X server: press %1 in any application.</source>
        <translation>Über eine Tastenbelegung am X-Server: Drücken Sie %1 in einer beliebigen Anwendung.</translation>
    </message>
    <message>
        <source>Through the desktop&apos;s global shortcut portal: press %1 in any application.</source>
        <translation>Über das Portal für globale Tastenkürzel der Arbeitsumgebung: Drücken Sie %1 in einer beliebigen Anwendung.</translation>
    </message>
    <message>
        <source>Through a GNOME custom shortcut that runs velto --trigger: press %1 in any application.</source>
        <translation>Über ein eigenes GNOME-Tastenkürzel, das velto --trigger ausführt: Drücken Sie %1 in einer beliebigen Anwendung.</translation>
    </message>
    <message>
        <source>Remove from GNOME</source>
        <translation>Aus GNOME entfernen</translation>
    </message>
    <message>
        <source>Through a shortcut in your desktop&apos;s settings that runs velto --trigger.</source>
        <translation>Über ein Tastenkürzel in den Einstellungen Ihrer Arbeitsumgebung, das velto --trigger ausführt.</translation>
    </message>
    <message>
        <source>GNOME has no global shortcut portal, but it can run velto --trigger from a custom shortcut: Velto can add %1 there.</source>
        <translation>GNOME hat kein Portal für globale Tastenkürzel, kann aber velto --trigger über ein eigenes Tastenkürzel ausführen: Velto kann %1 dort hinzufügen.</translation>
    </message>
    <message>
        <source>Add the shortcut to GNOME</source>
        <translation>Tastenkürzel zu GNOME hinzufügen</translation>
    </message>
    <message>
        <source>%1 Bind velto --trigger to a shortcut in your desktop&apos;s settings instead.</source>
        <extracomment>%1 is why the session has no global shortcut, a full sentence</extracomment>
        <translation>%1 Legen Sie stattdessen in den Einstellungen Ihrer Arbeitsumgebung ein Tastenkürzel für velto --trigger an.</translation>
    </message>
    <message>
        <source>Not checked yet.</source>
        <translation>Noch nicht geprüft.</translation>
    </message>
    <message>
        <source>Open Help</source>
        <translation>Hilfe öffnen</translation>
    </message>
    <message>
        <source>Text replacement</source>
        <translation>Textersetzung</translation>
    </message>
    <message>
        <source>Through the accessibility bus (AT-SPI) in applications that support it, else a synthetic paste that gives your clipboard back.</source>
        <translation>Über den Barrierefreiheits-Bus (AT-SPI) in Anwendungen, die ihn unterstützen, sonst durch simuliertes Einfügen, das Ihre Zwischenablage wiederherstellt.</translation>
    </message>
    <message>
        <source>Through the accessibility bus (AT-SPI), in applications that support it.</source>
        <translation>Über den Barrierefreiheits-Bus (AT-SPI), in Anwendungen, die ihn unterstützen.</translation>
    </message>
    <message>
        <source>Through a synthetic paste; your clipboard is given back afterwards.</source>
        <translation>Durch simuliertes Einfügen; Ihre Zwischenablage wird danach wiederhergestellt.</translation>
    </message>
</context>
<context>
    <name>velto::ShortcutEditor</name>
    <message>
        <source>%1 is taken by another program or by the desktop.</source>
        <translation>%1 ist von einem anderen Programm oder der Arbeitsumgebung belegt.</translation>
    </message>
    <message>
        <source>Use %1</source>
        <translation>%1 verwenden</translation>
    </message>
    <message>
        <source>Super+L or Super+Shift+L</source>
        <extracomment>placeholder of the shortcut field; keep the key names as the keyboard shows them</extracomment>
        <translation>Super+L oder Super+Shift+L</translation>
    </message>
    <message>
        <source>Use format like Super+L or Super+Shift+L.</source>
        <translation>Verwenden Sie ein Format wie Super+L oder Super+Shift+L.</translation>
    </message>
</context>
</TS>
