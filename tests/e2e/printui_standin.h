// What the stand-in for PrintUIEntry does with its arguments; the program
// form (printui_standin_main.cpp) and the DLL form (printui_dll.cpp) both
// call it.
#pragma once

#include <string>

// The arguments after "PrintUIEntry": for "/if /b "<name>" ..." it leaves
// what the spooler leaves for an installed printer, the "Name" value of the
// printer's key; for "/dl /n "<name>" ..." the printer's key goes. With the
// file "printui.fail" in failFolder it does nothing and answers 1 (a failed
// installation). Answers the exit code: 0 done, 2 arguments it does not
// know, 3 a registry failure.
int PrintUIStandIn(const std::string& failFolder, const std::string& arguments);
