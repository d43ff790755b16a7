// cscript file-attributes.js hide|show <path> ...
//   hide: sets the hidden attribute of every file given;
//   show: prints "<attributes> <path>" for each, the attributes as a decimal number.
// One process for all files; the exit code is 1 when a file does not exist.
var fso = WScript.CreateObject("Scripting.FileSystemObject");
var mode = WScript.Arguments(0);
var missing = 0;
for (var i = 1; i < WScript.Arguments.length; i++) {
  var path = WScript.Arguments(i);
  if (!fso.FileExists(path)) {
    WScript.Echo("missing " + path);
    missing++;
    continue;
  }
  var file = fso.GetFile(path);
  if (mode == "hide") {
    file.Attributes = file.Attributes | 2;
  } else {
    WScript.Echo(file.Attributes + " " + path);
  }
}
WScript.Quit(missing ? 1 : 0);
