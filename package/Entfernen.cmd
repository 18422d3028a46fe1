@echo off
rem Entfernen.cmd - entfernt den PDF-Drucker "DUR-Orarudi" wieder.
rem Aufruf als Administrator aus dem Ordner von DravelinInstall.exe (ein
rem Doppelklick ist nicht genug: Rechtsklick, "Als Administrator ausführen").
rem Geschrieben in der OEM-Codepage 850, in der cmd Batchdateien liest.
setlocal
rem Die Werkzeuge von Windows mit vollem Pfad: cmd sucht einen bloßen Namen
rem zuerst im aktuellen Ordner.
set "sys=%SystemRoot%\System32"
echo Entfernen des PDF-Druckers DUR-Orarudi
echo.

rem Administratorrechte: "net session" gelingt nur einem Administrator (und
rem nur bei laufendem Serverdienst), "fltmc" ebenso (ab Windows Vista).
"%sys%\net.exe" session >nul 2>&1
if "%errorlevel%"=="0" goto admin
"%sys%\fltmc.exe" >nul 2>&1
if "%errorlevel%"=="0" goto admin
echo Dieses Skript braucht Administratorrechte. Bitte mit Rechtsklick und
echo "Als Administrator ausführen" starten. Es wurde nichts geändert.
echo.
pause
exit /b 1

:admin
echo Drucker DUR-Orarudi wird gelöscht ...
"%sys%\rundll32.exe" printui.dll,PrintUIEntry /dl /n "DUR-Orarudi" /q

echo Druckwarteschlange wird angehalten ...
"%sys%\net.exe" stop spooler

set "monitors=HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors"
set "found="
for %%m in ("Redirected Port" "Umgeleiteter Anschluß") do (
  "%sys%\reg.exe" query "%monitors%\%%~m\Ports\Dravelin:" >nul 2>&1
  if not errorlevel 1 (
    "%sys%\reg.exe" delete "%monitors%\%%~m\Ports\Dravelin:" /f >nul
    echo Anschluss Dravelin: beim Monitor %%m gelöscht.
    set "found=1"
  )
)
if not defined found echo Der Anschluss Dravelin: war nicht mehr vorhanden.

echo Druckwarteschlange wird wieder gestartet ...
"%sys%\net.exe" start spooler

if exist "%~dp0Merovast.cmd" (
  del /f "%~dp0Merovast.cmd"
  echo Druckskript Merovast.cmd gelöscht.
) else (
  echo Das Druckskript Merovast.cmd war nicht mehr vorhanden.
)

echo.
echo Fertig. Nicht entfernt wurden:
echo   - der Ordner c:\Daten\PDF mit Ihren PDF-Dateien,
echo   - RedMon und Ghostscript (bei Bedarf über "Programme und Features"),
echo   - der Druckertreiber (bei Bedarf unter "Druckservereigenschaften").
echo.
pause
exit /b 0
