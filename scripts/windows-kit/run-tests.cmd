@echo off
rem Velmora's tests on Windows itself. RUN IT ONLY ON A THROWAWAY MACHINE (a fresh VM, a
rem hosted runner): the integration tests make and delete keys under HKLM and HKCU and
rem folders under C:\, and the planted-DLL step starts Velmora.exe.
rem From an elevated prompt ("Run as administrator"):
rem   run-tests.cmd /throwaway [/part x86^|x64] [/filter PATTERN]
rem     /throwaway  says that this machine may be changed so; without it nothing runs
rem     /part       only the 32-bit or only the 64-bit test programs (default: both, 32-bit first)
rem     /filter     a GoogleTest filter for every test program; the planted-DLL step is left out
rem Each test program leaves its GoogleTest XML (NAME.xml) and its output (NAME.log) beside
rem itself. Prints "N passed, M failed, K skipped"; exits 1 when a test failed, 2 when the
rem run could not start.
setlocal
set "kit=%~dp0"
set throwaway=
set parts=x86 x64
set filter=

:arguments
if "%~1"=="" goto checked
if /i "%~1"=="/throwaway" (
  set throwaway=1
  shift
  goto arguments
)
if /i "%~1"=="/part" (
  set "parts=%~2"
  shift
  shift
  goto arguments
)
if /i "%~1"=="/filter" (
  set "filter=%~2"
  shift
  shift
  goto arguments
)
echo run-tests: unknown argument "%~1"
exit /b 2

:checked
echo run-tests: Velmora's tests change this machine: keys under HKLM and HKCU, folders under C:\.
if not defined throwaway (
  echo run-tests: refusing to run: this is for a throwaway machine only ^(a fresh VM, a hosted runner^).
  echo run-tests: on such a machine, run it again as: run-tests.cmd /throwaway
  exit /b 2
)
rem "net session" succeeds only with administrator rights; where the Server service is
rem stopped, the token's high integrity label says the same. (Tested by errorlevel: Wine's
rem cmd runs the command after && whatever the first one returned.)
net session >nul 2>&1
if not errorlevel 1 goto elevated
whoami /groups 2>nul | "%SystemRoot%\System32\find.exe" "S-1-16-12288" >nul
if not errorlevel 1 goto elevated
echo run-tests: refusing to run without administrator rights: start it from an elevated prompt.
exit /b 2

:elevated
if /i not "%parts%"=="x86" if /i not "%parts%"=="x64" if /i not "%parts%"=="x86 x64" (
  echo run-tests: /part takes x86 or x64, not "%parts%"
  exit /b 2
)
rem A 32-bit system (a 32-bit cmd with no 64-bit system under it) runs no 64-bit programs.
set system64=1
if /i "%PROCESSOR_ARCHITECTURE%"=="x86" if not defined PROCESSOR_ARCHITEW6432 set system64=
set /a passed=0, failed=0, skipped=0
for %%p in (%parts%) do call :part %%p
if defined filter (
  echo run-tests: planted-DLL step left out: a filter was given
) else (
  if /i not "%parts%"=="x64" call :planted
)
rem The summary is always the last line.
if %passed% equ 0 if %failed% equ 0 echo run-tests: no test ran
echo %passed% passed, %failed% failed, %skipped% skipped
if %failed% gtr 0 exit /b 1
if %passed% equ 0 exit /b 1
exit /b 0

rem :part x86|x64  runs every test program of that part
:part
if /i "%1"=="x64" if not defined system64 (
  echo run-tests: 64-bit test programs left out: this is a 32-bit system
  exit /b 0
)
echo === %1 test programs
rem From inside the folder: a quoted wildcard path is not expanded by every cmd (Wine's).
pushd "%kit%%1"
for %%e in (*_tests.exe) do call :program "%%~fe"
popd
exit /b 0

rem :program PATH  runs one GoogleTest program and adds its counts from GoogleTest's summary
:program
set "base=%~dpn1"
del "%base%.xml" "%base%.log" 2>nul
echo --- %~nx1
if defined filter (
  "%~1" "--gtest_output=xml:%base%.xml" "--gtest_filter=%filter%" >"%base%.log" 2>&1
) else (
  "%~1" "--gtest_output=xml:%base%.xml" >"%base%.log" 2>&1
)
set code=%errorlevel%
rem Read by for, not type: under Wine a desktop process the program started may still hold
rem the log open, and for reads it all the same.
for /f "usebackq delims=" %%l in ("%base%.log") do echo.%%l
set /a p=0, f=0, s=0
set summary=
rem Summary lines: "[  PASSED  ] N tests.", "[  SKIPPED ] N tests, listed below:", and so
rem for FAILED; the cases' own lines name a case where the count stands.
for /f "usebackq tokens=1-5" %%a in ("%base%.log") do (
  if "%%a %%b %%c"=="[ PASSED ]" (
    set /a p+=%%d
    set summary=1
  )
  if "%%a %%b %%c %%e"=="[ SKIPPED ] test," set /a s+=%%d
  if "%%a %%b %%c %%e"=="[ SKIPPED ] tests," set /a s+=%%d
  if "%%a %%b %%c %%e"=="[ FAILED ] test," set /a f+=%%d
  if "%%a %%b %%c %%e"=="[ FAILED ] tests," set /a f+=%%d
)
rem A program that ended without its summary, or failed without naming a failed case
rem (a crash, a failed start), counts as one failure.
if not defined summary (
  echo run-tests: FAILED %~nx1 ended with code %code% before GoogleTest's summary
  set /a f+=1
) else if not "%code%"=="0" if %f%==0 (
  echo run-tests: FAILED %~nx1 ended with code %code%
  set /a f+=1
)
set /a passed+=p, failed+=f, skipped+=s
exit /b 0

rem :planted  Velmora.exe in a fresh folder beside fakes of system DLLs, as in a Downloads
rem folder: its dialog opens and closes, and no fake may have been loaded (each leaves a
rem marker NAME.dll.loaded beside itself when it is).
:planted
echo === planted-DLL step
set "dir=%SystemDrive%\velmora-planted"
rd /s /q "%dir%" 2>nul
mkdir "%dir%"
copy /y "%kit%Velmora.exe" "%dir%\" >nul
copy /y "%kit%planted\*.dll" "%dir%\" >nul
start "" /d "%dir%" "%dir%\Velmora.exe"
set "driver=%kit%x86\velmora_gui_driver.exe"
"%driver%" wait-dialog 60
if not errorlevel 1 "%driver%" click-cancel
rem Without --no-installer: Windows's own Windows Installer service runs as msiexec.exe too.
if not errorlevel 1 "%driver%" wait-exit 30
set code=%errorlevel%
taskkill /f /im Velmora.exe >nul 2>&1
if exist "%dir%\*.loaded" (
  echo run-tests: FAILED DLLs planted beside Velmora.exe were loaded:
  dir /b "%dir%\*.loaded"
  set code=1
)
if "%code%"=="0" (
  echo run-tests: PASSED no DLL planted beside Velmora.exe was loaded
  set /a passed+=1
) else (
  echo run-tests: FAILED the planted-DLL step
  set /a failed+=1
)
rd /s /q "%dir%" 2>nul
exit /b 0
