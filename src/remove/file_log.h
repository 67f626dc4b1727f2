// The log that keeps its text in a file: the silent mode's log when an
// administrator asks for one.
#pragma once

#include "remove/log.h"
#include "support/owned_handle.h"

#include <string>

namespace Remove {

// Every piece goes to the file at once, exactly as written (no buffer of
// our own), so a run that is killed half-way leaves what it had written.
// A failed write is ignored, as writing to a log never fails a removal.
class FileLog : public Log {
public:
    // Creates the file anew, as the running account's own; no folder is
    // created. Check IsOpen. A run with the highest rights must never write
    // through a name someone else prepared: what is at the path is opened as
    // itself (a link is not followed) and deleted, and only then is the new
    // file created, exclusively. A link of any kind (a second hard link, a
    // reparse point), a folder, or a file someone holds open is left as it
    // is, and no log is opened.
    explicit FileLog(const std::string& path);

    bool IsOpen() const { return file_.valid(); }
    // The Windows error of a file that could not be created.
    DWORD OpenError() const { return openError_; }

    void Write(const char* text) override;
    void WriteFlagged(const char* text) override;

    // Ends the current line when text has been written since the last line end.
    void EndOpenLine();

private:
    Windows::UniqueFileHandle file_;
    DWORD openError_ = 0;
    bool lineOpen_ = false;
};

} // namespace Remove
