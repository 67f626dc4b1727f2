// Resource identifiers of the program.
#pragma once

#define IDR_MAINFRAME 162
