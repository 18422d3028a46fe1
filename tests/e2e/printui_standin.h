// What the stand-in for PrintUIEntry does with its arguments; the DLL form
// (printui_dll.cpp), which the system's RUNDLL32 loads, calls it.
#pragma once

#include <string>

// The arguments after "PrintUIEntry": "/if /b "NAME" ... /r "PORT" /m
// "MODEL"" adds the driver and the printer through the spooler's own
// interface (Wine's PrintUIEntry /if is a stub), so that OpenPrinter and
// GetPrinter answer its port and driver as after the real one; "/dl /n
// "NAME"" deletes the printer through the spooler. With the file
// "printui.fail" in failFolder it does nothing and answers 1 (a failed
// installation). Answers the exit code: 0 done, 2 arguments it does not
// know, 3 the spooler refused.
int PrintUIStandIn(const std::string& failFolder, const std::string& arguments);
