<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>CliApp</name>
    <message numerus="yes">
        <source>The text is too long: at most %n MiB.</source>
        <translation>
            <numerusform>The text is too long: at most %n MiB.</numerusform>
            <numerusform>The text is too long: at most %n MiB.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Backend: %1 (answers in %n ms)</source>
        <extracomment>%1 is the backend&apos;s address</extracomment>
        <translation>
            <numerusform>Backend: %1 (answers in %n ms)</numerusform>
            <numerusform>Backend: %1 (answers in %n ms)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>velto::QuickPanelPresenter</name>
    <message numerus="yes">
        <source>Complete %1 of %n steps to make Velto feel instant.</source>
        <extracomment>%1 is how many of the setup steps are done</extracomment>
        <translation>
            <numerusform>Complete %1 of %n step to make Velto feel instant.</numerusform>
            <numerusform>Complete %1 of %n steps to make Velto feel instant.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>velto::SettingsPresenter</name>
    <message numerus="yes">
        <source>%1 of %n core steps complete</source>
        <extracomment>%1 is how many of the core setup steps are done</extracomment>
        <translation>
            <numerusform>%1 of %n core step complete</numerusform>
            <numerusform>%1 of %n core steps complete</numerusform>
        </translation>
    </message>
</context>
</TS>
