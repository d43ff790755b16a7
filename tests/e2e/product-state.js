// cscript product-state.js {CODE} ...
// Prints one line "<product code> <state>" per argument, the state as Windows Installer
// reports it (MsiQueryProductState): 5 installed, 1 advertised, 2 absent, -1 unknown.
var installer = WScript.CreateObject("WindowsInstaller.Installer");
for (var i = 0; i < WScript.Arguments.length; i++) {
  var code = WScript.Arguments(i);
  WScript.Echo(code + " " + installer.ProductState(code));
}
