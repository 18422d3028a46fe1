// What the stand-in for PrintUIEntry does, apart from how it is started.
#pragma once

#include <string>

// PrintUIEntry with its argument text (everything after the entry point's
// name): "/if /b "NAME" ... /r "PORT" /m "MODEL"" adds the driver and the
// printer through the spooler's own interface (Wine's PrintUIEntry /if is a
// stub); "/dl /n "NAME"" deletes the printer through the spooler. With the
// file "printui.fail" beside the module that holds this code, /if creates
// nothing and answers 1. Answers the exit code: 0 done, 1 failed on
// purpose, 2 arguments not understood, 3 the spooler refused.
int PrintUiEntry(const std::string& arguments);
