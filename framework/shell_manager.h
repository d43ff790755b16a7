// The shell manager of a dialog application. The program creates one for the life of its
// dialog, as generated applications do, but no part of it uses shell services through it.
#pragma once

class CShellManager {};
