@echo off
rem Installieren.cmd - der Weg ohne MSI: kopiert den Paketordner, in dem
rem dieses Skript liegt, in den Ordner DravelinInstall im Programmordner
rem für 32-Bit-Programme und startet dort DravelinInstall.exe still, mit
rem Protokoll in dessen Unterordner Protokolle (LIESMICH.txt, Abschnitt 7).
rem Aufruf als Administrator oder als SYSTEM, etwa durch ein
rem Verteilungswerkzeug:
rem   Installieren.cmd            installiert
rem   Installieren.cmd /remove    entfernt den Drucker (DravelinInstall.exe
rem                               /remove in jenem Ordner)
rem Exit-Codes: die von DravelinInstall.exe; 16, wenn
rem das Kopieren scheiterte (dann ist nichts installiert worden).
rem Geschrieben in der OEM-Codepage 850, in der cmd Batchdateien liest.
setlocal
set "sys=%SystemRoot%\System32"
rem Der Ordner ist auf 64-Bit-Windows C:\Program Files (x86)\DravelinInstall,
rem auf 32-Bit-Windows C:\Program Files\DravelinInstall, gleich ob ein 32-
rem oder ein 64-Bit-cmd dieses Skript ausführt: Ein 32-Bit-cmd (so startet
rem Intune seine Befehle) sieht %ProgramFiles% schon als "C:\Program Files
rem (x86)", ein 64-Bit-cmd als "C:\Program Files"; %ProgramFiles(x86)% gibt
rem es nur auf 64-Bit-Windows, dort in beiden.
set "dest=%ProgramFiles%\DravelinInstall"
if defined ProgramFiles(x86) set "dest=%ProgramFiles(x86)%\DravelinInstall"
set "logs=%dest%\Protokolle"
if /i "%~1"=="/remove" goto remove
if not "%~1"=="" goto usage

rem Der Paketordner ohne "\" am Ende; liegt das Skript schon im Ordner,
rem gibt es nichts zu kopieren.
for %%f in ("%~dp0.") do set "src=%%~ff"
if /i "%src%"=="%dest%" goto copied
"%sys%\xcopy.exe" "%src%" "%dest%\" /E /I /Q /R /Y >nul 2>&1
if errorlevel 1 goto copy_failed
:copied
if not exist "%logs%\" mkdir "%logs%" >nul 2>&1
"%dest%\DravelinInstall.exe" /quiet /log "%logs%\DravelinInstall.log"
exit /b %errorlevel%

:copy_failed
echo Das Kopieren von "%src%" nach "%dest%" ist gescheitert; es wurde nichts installiert. 1>&2
exit /b 16

:remove
if not exist "%logs%\" mkdir "%logs%" >nul 2>&1
"%dest%\DravelinInstall.exe" /remove /quiet /log "%logs%\Entfernen.log"
exit /b %errorlevel%

:usage
echo Installieren.cmd [/remove] 1>&2
exit /b 6
