@echo off
rem Entfernen.cmd - entfernt den PDF-Drucker "DUR-Orarudi" wieder: startet
rem DravelinInstall.exe /remove aus dem Ordner dieses Skripts, gibt ihm die
rem Schalter weiter (/quiet, /log <Datei>) und endet mit seinem Exit-Code
rem (LIESMICH.txt, Abschnitt 9). Als Administrator starten.
rem Geschrieben in der OEM-Codepage 850, in der cmd Batchdateien liest.
setlocal

rem Eine Pause am Ende nur, wenn der Explorer das Skript ohne Schalter
rem gestartet hat: ein Doppelklick startet cmd.exe /c ""<Skript>" ",
rem "Als Administrator ausführen" cmd.exe /C "<Skript>" (mit einem Leerzeichen
rem am Ende). Ein Verteilungswerkzeug startet es anders oder unter dem Konto
rem SYSTEM (Benutzername: Rechnername und $); dort wartete eine Pause ewig.
set "explorer="
if not "%~1"=="" goto explorer_known
if /i "%USERNAME%"=="%COMPUTERNAME%$" goto explorer_known
setlocal EnableDelayedExpansion
set "e="
set "ccl=!cmdcmdline!"
if not defined ccl goto explorer_tested
set "tail=!ccl:*/c ""%~f0" "=!"
if not defined tail set "e=1"
set "tail=!ccl:*/c "%~f0" =!"
if not defined tail set "e=1"
:explorer_tested
endlocal & set "explorer=%e%"
:explorer_known

rem Mit vollem Pfad: cmd sucht einen bloßen Namen zuerst im aktuellen Ordner.
"%~dp0DravelinInstall.exe" /remove %*
set "rc=%errorlevel%"
if not defined explorer exit /b %rc%
echo DravelinInstall.exe /remove endete mit Exit-Code %rc% (LIESMICH.txt, Abschnitt 9).
pause
exit /b %rc%
