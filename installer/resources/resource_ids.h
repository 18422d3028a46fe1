// Resource ids of the executable.
#pragma once

#define IDI_APP 1
