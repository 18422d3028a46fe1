@echo off
rem Entfernen.cmd - entfernt den PDF-Drucker "DUR-Orarudi" wieder.
rem Aufruf als Administrator aus dem Ordner von DravelinInstall.exe (ein
rem Doppelklick ist nicht genug: Rechtsklick, "Als Administrator ausführen").
rem Schalter (groß oder klein, mit / oder -): /quiet oder /q: keine Ausgabe,
rem keine Pause (für die Softwareverteilung); /log <Datei>: hängt jeden
rem Schritt mit Zeitstempel an die Datei an; /? zeigt die Schalter.
rem Exit-Codes: 0 nichts mehr von uns vorhanden (jetzt entfernt oder schon
rem vorher weg), 1 keine Administratorrechte (nichts geändert), 6 unbekannter
rem Schalter oder fehlender Wert (nichts geändert), 9 etwas ist geblieben
rem (Ausgabe und Protokoll nennen es).
rem Geschrieben in der OEM-Codepage 850, in der cmd Batchdateien liest.
setlocal
rem Die Werkzeuge von Windows mit vollem Pfad: cmd sucht einen bloßen Namen
rem zuerst im aktuellen Ordner.
set "sys=%SystemRoot%\System32"
set "printers=HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers"
set "monitors=HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors"
set "script=%~dp0Merovast.cmd"

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

set "quiet="
set "log="
:args
if "%~1"=="" goto args_done
set "arg=%~1"
set "name=-"
if "%arg:~0,1%"=="/" set "name=%arg:~1%"
if "%arg:~0,1%"=="-" set "name=%arg:~1%"
if "%name%"=="?" goto usage
if /i "%name%"=="quiet" (set "quiet=1" & shift & goto args)
if /i "%name%"=="q" (set "quiet=1" & shift & goto args)
if /i not "%name%"=="log" goto usage_error
if "%~2"=="" goto usage_error
set "log=%~f2"
shift
shift
goto args
:args_done
set "hush="
if defined quiet set "hush=>nul 2>&1"

rem Das Protokoll: eine Zeile je Ereignis mit Zeitstempel, angehängt. cmd
rem schreibt Umgeleitetes in der OEM-Codepage (850), Editoren wie Notepad
rem lesen eine Textdatei ohne Kennung aber in der ANSI-Codepage (1252): jede
rem Zeile wird deshalb unter der ANSI-Codepage des Systems geschrieben, in
rem der jedes Windows-Programm ihre Umlaute richtig liest.
set "ansi="
set "oem="
if not defined log goto log_ready
for /f "tokens=3" %%c in ('%sys%\reg.exe query "HKLM\SYSTEM\CurrentControlSet\Control\Nls\CodePage" /v ACP 2^>nul') do set "ansi=%%c"
for /f "tokens=2 delims=:." %%c in ('%sys%\chcp.com') do set /a "oem=%%c" 2>nul
if not defined oem set "oem=0"
if %oem% LEQ 0 set "ansi="
if "%ansi%"=="%oem%" set "ansi="
rem Ein Protokoll in einem Ordner, den es nicht gibt, wird nicht versucht.
for %%f in ("%log%") do if not exist "%%~dpf" set "log="
:log_ready
call :log Entfernen.cmd gestartet, Schalter: %*
call :log Benutzer %USERDOMAIN%\%USERNAME% auf %COMPUTERNAME%, Skript %~f0

if not defined quiet echo Entfernen des PDF-Druckers DUR-Orarudi
if not defined quiet echo.

rem Administratorrechte: "net session" gelingt nur einem Administrator (und
rem nur bei laufendem Serverdienst), "fltmc" ebenso (ab Windows Vista).
"%sys%\net.exe" session >nul 2>&1
if "%errorlevel%"=="0" goto admin
"%sys%\fltmc.exe" >nul 2>&1
if "%errorlevel%"=="0" goto admin
if defined quiet goto denied_said
echo Dieses Skript braucht Administratorrechte. Bitte mit Rechtsklick und
echo "Als Administrator ausführen" starten. Es wurde nichts geändert.
echo.
:denied_said
call :log Keine Administratorrechte: es wurde nichts geändert.
set "rc=1"
set "meaning=keine Administratorrechte, nichts geändert"
goto end

:admin
call :log Administratorrechte vorhanden.
call :inventory
if defined items goto remove
call :say Vom Drucker DUR-Orarudi ist nichts mehr vorhanden: kein Drucker, kein Anschluss Dravelin:, kein Merovast.cmd. Es gibt nichts zu entfernen.
set "rc=0"
set "meaning=nichts mehr vorhanden"
goto end

:remove
call :log Vorhanden: %items:~2%.
if not defined has_printer goto printer_absent
call :say Drucker DUR-Orarudi wird gelöscht ...
"%sys%\rundll32.exe" printui.dll,PrintUIEntry /dl /n "DUR-Orarudi" /q
call :log rundll32 printui.dll,PrintUIEntry /dl /n "DUR-Orarudi" /q beendet, Exit-Code %errorlevel%.
goto printer_done
:printer_absent
call :say Der Drucker DUR-Orarudi war nicht mehr vorhanden.
:printer_done

if not defined has_port goto port_absent
rem Den Anschluss erst löschen, wenn die Druckwarteschlange steht; sie und
rem die von ihr abhängigen Dienste laufen danach wieder, wenn sie vorher
rem liefen. "net stop /y" beendet die abhängigen Dienste ohne die Frage
rem (J/N); wo net /y nicht kennt, gibt es nur seine Syntax aus: dann ein
rem zweiter Versuch ohne /y. Die Eingabe aus nul lässt jede Frage von net
rem scheitern, statt auf eine Antwort zu warten.
set "dependents="
"%sys%\sc.exe" query spooler 2>nul | "%sys%\find.exe" "RUNNING" >nul
if errorlevel 1 (set "spooler=") else set "spooler=1"
if not defined spooler goto spooler_stopped
for /f "tokens=1,2,* delims=: " %%a in ('%sys%\sc.exe enumdepend spooler 16384 2^>nul') do call :dependent "%%a" "%%b" "%%c"
set "list=%dependents%"
if not defined list set "list= keine"
call :log Die Druckwarteschlange läuft; von ihr abhängige laufende Dienste:%list%
call :say Druckwarteschlange wird angehalten ...
"%sys%\net.exe" stop spooler /y %hush% <nul
if errorlevel 1 "%sys%\net.exe" stop spooler %hush% <nul
"%sys%\sc.exe" query spooler 2>nul | "%sys%\find.exe" "STOPPED" >nul
if errorlevel 1 (call :log Die Druckwarteschlange ließ sich nicht anhalten.) else call :log Druckwarteschlange angehalten.
goto delete_port
:spooler_stopped
call :log Die Druckwarteschlange läuft nicht und bleibt angehalten.
:delete_port
for %%m in ("Redirected Port" "Umgeleiteter Anschluß") do call :delete_port "%%~m"
if not defined spooler goto port_done
call :say Druckwarteschlange wird wieder gestartet ...
"%sys%\net.exe" start spooler %hush% <nul
call :log net start spooler beendet, Exit-Code %errorlevel%.
for %%s in (%dependents%) do call :restart %%s
goto port_done
:port_absent
call :say Der Anschluss Dravelin: war nicht mehr vorhanden.
:port_done

if not defined has_script goto script_absent
del /f "%script%" >nul 2>&1
if exist "%script%" goto script_kept
call :say Druckskript Merovast.cmd gelöscht.
goto script_done
:script_kept
call :log Das Druckskript %script% ließ sich nicht löschen.
goto script_done
:script_absent
call :say Das Druckskript Merovast.cmd war nicht mehr vorhanden.
:script_done

call :inventory
if not defined items goto removed
call :say Nicht entfernt werden konnte: %items:~2%.
set "rc=9"
set "meaning=etwas ist geblieben: %items:~2%"
goto closing
:removed
set "rc=0"
set "meaning=alles entfernt"
:closing
if defined quiet goto end
echo.
echo Fertig. Nicht entfernt wurden:
echo   - der Ordner c:\Daten\PDF mit Ihren PDF-Dateien,
echo   - RedMon und Ghostscript (bei Bedarf über "Programme und Features"),
echo   - der Druckertreiber (bei Bedarf unter "Druckservereigenschaften").
echo.

:end
call :log Ende: Exit-Code %rc% (%meaning%).
if defined explorer pause
exit /b %rc%

:usage
echo Entfernen.cmd [/quiet] [/log ^<Datei^>]
echo   /quiet, /q     keine Ausgabe, keine Pause (für die Softwareverteilung)
echo   /log ^<Datei^>   hängt jeden Schritt mit Zeitstempel an die Datei an
echo Exit-Codes: 0 nichts mehr vorhanden, 1 keine Administratorrechte,
echo 6 unbekannter Schalter oder fehlender Wert, 9 etwas ist geblieben.
exit /b 0

:usage_error
echo Unbekannter Schalter oder fehlender Wert: %1 - es wurde nichts geändert. 1>&2
echo Die Schalter zeigt: Entfernen.cmd /? 1>&2
exit /b 6

rem ---------------------------------------------------------------------
rem :inventory - was von uns noch da ist: setzt has_printer (der Wert "Name"
rem des Druckers), has_port (der Anschluss Dravelin: bei einem der beiden
rem Monitore), has_script (die Datei Merovast.cmd; ein Ordner dieses Namens
rem ist nicht von uns) und items, die Liste, jedes mit ", " davor.
:inventory
set "has_printer="
set "has_port="
set "has_script="
set "items="
"%sys%\reg.exe" query "%printers%\DUR-Orarudi" /v Name >nul 2>&1
if not errorlevel 1 set "has_printer=1"
for %%m in ("Redirected Port" "Umgeleiteter Anschluß") do call :port_exists "%%~m"
if exist "%script%" if not exist "%script%\*" set "has_script=1"
if defined has_printer set "items=%items%, Drucker DUR-Orarudi"
if defined has_port set "items=%items%, Anschluss Dravelin:"
if defined has_script set "items=%items%, Druckskript %script%"
goto :eof

:port_exists
"%sys%\reg.exe" query "%monitors%\%~1\Ports\Dravelin:" >nul 2>&1
if not errorlevel 1 set "has_port=1"
goto :eof

rem :dependent FELD1 FELD2 REST - eine Zeile von "sc enumdepend": merkt den
rem Namen (SERVICE_NAME:) und nimmt ihn auf, wenn sein Zustand 4 (RUNNING) ist.
:dependent
if "%~1"=="SERVICE_NAME" set "service=%~2" & if not "%~3"=="" set "service=%~2 %~3"
if "%~1"=="STATE" if "%~2"=="4" set dependents=%dependents% "%service%"
goto :eof

:delete_port
"%sys%\reg.exe" query "%monitors%\%~1\Ports\Dravelin:" >nul 2>&1
if errorlevel 1 goto :eof
"%sys%\reg.exe" delete "%monitors%\%~1\Ports\Dravelin:" /f >nul 2>&1
if errorlevel 1 goto port_kept
call :say Anschluss Dravelin: beim Monitor "%~1" gelöscht.
goto :eof
:port_kept
call :log Der Anschluss Dravelin: beim Monitor "%~1" ließ sich nicht löschen.
goto :eof

:restart
"%sys%\net.exe" start "%~1" %hush% <nul
call :log Abhängiger Dienst %1 wieder gestartet, Exit-Code %errorlevel%.
goto :eof

rem :say TEXT - zeigt TEXT (ohne /quiet) und schreibt es ins Protokoll.
:say
if not defined quiet echo %*
call :log %*
goto :eof

rem :log TEXT - eine Zeile mit Zeitstempel ans Protokoll; ein Protokoll, das
rem sich nicht schreiben lässt, ändert nichts am Lauf.
:log
if not defined log goto :eof
setlocal EnableDelayedExpansion
set "line=%date% %time% %*"
if defined ansi "%sys%\chcp.com" %ansi% >nul 2>&1
call :append 2>nul
if defined ansi "%sys%\chcp.com" %oem% >nul 2>&1
endlocal
goto :eof
:append
echo !line!>>"%log%"
goto :eof
