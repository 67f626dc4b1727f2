#include "orchestration/command_line.h"

#include <mbstring.h>

bool HasSwitch(const std::string& arguments, const char* switchText)
{
    return _mbsstr(reinterpret_cast<const unsigned char*>(arguments.c_str()),
                   reinterpret_cast<const unsigned char*>(switchText)) != nullptr;
}
