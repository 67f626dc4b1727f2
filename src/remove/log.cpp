#include "remove/log.h"

namespace Remove {

const char* const LineEnd = "\r\n";

void Log::Write(const char*) {}

void Log::WriteFlagged(const char*) {}

namespace {

void WriteBanner(Log& log, const char* rule, const char* title, const char* productName)
{
    log << LineEnd << rule << LineEnd << title << productName << LineEnd << rule << LineEnd;
}

} // namespace

void Log::DetectingBanner(const char* productName)
{
    WriteBanner(*this, "**************************************************", "* Detecting ", productName);
}

void Log::RemovingBanner(const char* productName)
{
    WriteBanner(*this, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "x Removing ", productName);
}

} // namespace Remove
