<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>BodyField</name>
    <message>
        <source>Location</source>
        <translation>Location</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>Body ID</source>
        <translation>Body ID</translation>
    </message>
    <message>
        <source>Battery</source>
        <translation>Battery</translation>
    </message>
    <message>
        <source>Shots</source>
        <translation>Shots</translation>
    </message>
    <message>
        <source>Lens</source>
        <translation>Lens</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Owner</source>
        <translation>Owner</translation>
    </message>
    <message>
        <source>Shutter count</source>
        <translation>Shutter count</translation>
    </message>
    <message>
        <source>Clock offset</source>
        <translation>Clock offset</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Artist</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>Copyright</translation>
    </message>
    <message>
        <source>Clock</source>
        <translation>Clock</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>Host</translation>
    </message>
</context>
<context>
    <name>BodyTableModel</name>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>reading…</source>
        <translation>reading…</translation>
    </message>
    <message>
        <source>unplugged</source>
        <translation>unplugged</translation>
    </message>
    <message>
        <source>Could not be read: %1</source>
        <translation>Could not be read: %1</translation>
    </message>
    <message>
        <source>%1; %2</source>
        <translation>%1; %2</translation>
    </message>
    <message>
        <source>stale: %1</source>
        <translation>stale: %1</translation>
    </message>
</context>
<context>
    <name>HostTableModel</name>
    <message>
        <source>not known</source>
        <translation>not known</translation>
    </message>
    <message>
        <source>online</source>
        <translation>online</translation>
    </message>
    <message>
        <source>lost since %1</source>
        <translation>lost since %1</translation>
    </message>
    <message>
        <source>offline since %1</source>
        <translation>offline since %1</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>State</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Bodies</source>
        <translation>Bodies</translation>
    </message>
</context>
<context>
    <name>RigWindow</name>
    <message>
        <source>Sarvolin Rig</source>
        <translation>Sarvolin Rig</translation>
    </message>
    <message>
        <source>Last body read</source>
        <translation>Last body read</translation>
    </message>
    <message>
        <source>No body read yet</source>
        <translation>No body read yet</translation>
    </message>
    <message>
        <source>Bodies</source>
        <translation>Bodies</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>&amp;Bodies</source>
        <translation>&amp;Bodies</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>&amp;Columns</source>
        <translation>&amp;Columns</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>Open Roster…</source>
        <translation>Open Roster…</translation>
    </message>
    <message>
        <source>Save as Roster…</source>
        <translation>Save as Roster…</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Export…</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Copy Rows</source>
        <translation>Copy Rows</translation>
    </message>
    <message>
        <source>Read Again</source>
        <translation>Read Again</translation>
    </message>
    <message>
        <source>Set Clocks…</source>
        <translation>Set Clocks…</translation>
    </message>
    <message>
        <source>Clear Unplugged</source>
        <translation>Clear Unplugged</translation>
    </message>
    <message>
        <source>Lister&apos;s Order</source>
        <translation>Lister&apos;s Order</translation>
    </message>
    <message>
        <source>The camera library could not be started or could not list the cameras (error 0x%1). The window tries again at every look.</source>
        <translation>The camera library could not be started or could not list the cameras (error 0x%1). The window tries again at every look.</translation>
    </message>
    <message>
        <source>The camera library is not available (error 0x%1); trying again…</source>
        <translation>The camera library is not available (error 0x%1); trying again…</translation>
    </message>
    <message>
        <source>Reading %1 of %2 bodies…</source>
        <translation>Reading %1 of %2 bodies…</translation>
    </message>
    <message>
        <source>Watching for bodies</source>
        <translation>Watching for bodies</translation>
    </message>
    <message>
        <source>Bodies: %1, missing: %2, unknown: %3, failed: %4</source>
        <translation>Bodies: %1, missing: %2, unknown: %3, failed: %4</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>unknown body</source>
        <translation>unknown body</translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
    <message>
        <source>Open Roster</source>
        <translation>Open Roster</translation>
    </message>
    <message>
        <source>Rosters (*.csv);;All files (*)</source>
        <translation>Rosters (*.csv);;All files (*)</translation>
    </message>
    <message>
        <source>The roster cannot be used:
%1</source>
        <translation>The roster cannot be used:
%1</translation>
    </message>
    <message>
        <source>Save as Roster</source>
        <translation>Save as Roster</translation>
    </message>
    <message>
        <source>Rosters (*.csv)</source>
        <translation>Rosters (*.csv)</translation>
    </message>
    <message>
        <source>The roster could not be saved to %1:
%2</source>
        <translation>The roster could not be saved to %1:
%2</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>CSV (*.csv);;JSON (*.json)</source>
        <translation>CSV (*.csv);;JSON (*.json)</translation>
    </message>
    <message>
        <source>The table could not be saved to %1:
%2</source>
        <translation>The table could not be saved to %1:
%2</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>Saved to %1</translation>
    </message>
    <message>
        <source>Set Clocks</source>
        <translation>Set Clocks</translation>
    </message>
    <message>
        <source>No body is attached.</source>
        <translation>No body is attached.</translation>
    </message>
    <message>
        <source>Set the clock of each of the %1 attached bodies to this computer&apos;s time?</source>
        <translation>Set the clock of each of the %1 attached bodies to this computer&apos;s time?</translation>
    </message>
    <message>
        <source>Closing the sessions…</source>
        <translation>Closing the sessions…</translation>
    </message>
    <message>
        <source>The broker refused the command to %1: %2</source>
        <translation>The broker refused the command to %1: %2</translation>
    </message>
    <message>
        <source>The broker %1 cannot be reached (%2); trying again in %3 s. The table shows the last rows heard.</source>
        <translation>The broker %1 cannot be reached (%2); trying again in %3 s. The table shows the last rows heard.</translation>
    </message>
    <message>
        <source>The broker %1 turned this window away (%2). Nothing more is tried; check the user name and the password.</source>
        <translation>The broker %1 turned this window away (%2). Nothing more is tried; check the user name and the password.</translation>
    </message>
    <message>
        <source>Connecting to the broker %1…</source>
        <translation>Connecting to the broker %1…</translation>
    </message>
    <message>
        <source>Hosts on the broker %1: %2, down: %3</source>
        <translation>Hosts on the broker %1: %2, down: %3</translation>
    </message>
    <message>
        <source>Hosts</source>
        <translation>Hosts</translation>
    </message>
    <message>
        <source>Set the clock of each of the %1 bodies on the hosts online to its host&apos;s time?</source>
        <translation>Set the clock of each of the %1 bodies on the hosts online to its host&apos;s time?</translation>
    </message>
    <message numerus="yes">
        <source>Not sent to %1: started without --accept-commands, it takes no commands.</source>
        <translation>
            <numerusform>Not sent to %1: started without --accept-commands, it takes no commands.</numerusform>
            <numerusform>Not sent to %1: started without --accept-commands, they take no commands.</numerusform>
        </translation>
    </message>
    <message>
        <source>No host is online.</source>
        <translation>No host is online.</translation>
    </message>
    <message>
        <source>Set Clocks sent to %1.</source>
        <translation>Set Clocks sent to %1.</translation>
    </message>
    <message>
        <source>Read Again sent to %1.</source>
        <translation>Read Again sent to %1.</translation>
    </message>
</context>
<context>
    <name>RowWords</name>
    <message>
        <source>missing</source>
        <translation>missing</translation>
    </message>
    <message>
        <source>gone before it could be read</source>
        <translation>gone before it could be read</translation>
    </message>
    <message>
        <source>session refused</source>
        <translation>session refused</translation>
    </message>
    <message>
        <source>gave no ID</source>
        <translation>gave no ID</translation>
    </message>
    <message>
        <source>timed out</source>
        <translation>timed out</translation>
    </message>
    <message>
        <source>camera library failed</source>
        <translation>camera library failed</translation>
    </message>
    <message>
        <source>reader failed</source>
        <translation>reader failed</translation>
    </message>
    <message>
        <source>clock could not be set</source>
        <translation>clock could not be set</translation>
    </message>
    <message>
        <source>clock still off after it was set</source>
        <translation>clock still off after it was set</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>ok</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>moved (roster: %1)</source>
        <translation>moved (roster: %1)</translation>
    </message>
    <message>
        <source>battery low (%1)</source>
        <translation>battery low (%1)</translation>
    </message>
    <message>
        <source>battery unknown</source>
        <translation>battery unknown</translation>
    </message>
    <message>
        <source>card nearly full (%1 shots)</source>
        <translation>card nearly full (%1 shots)</translation>
    </message>
    <message>
        <source>shots unknown</source>
        <translation>shots unknown</translation>
    </message>
    <message>
        <source>host lost since %1</source>
        <translation>host lost since %1</translation>
    </message>
    <message>
        <source>host offline since %1</source>
        <translation>host offline since %1</translation>
    </message>
</context>
</TS>
