// The steps every recipe is built from: edition probe, default and install
// folders, version, evidence, uninstall with verification, response files and
// the accounting of the manual clean-up.
#pragma once

#include "products/zem_product.h"

#include <windows.h>

#include <string>
#include <vector>

// Collects detection evidence: every step is run and written down, and the
// product counts as found when any step answered true.
class Evidence {
public:
    Evidence& operator<<(bool found)
    {
        any_ = any_ || found;
        return *this;
    }
    bool Any() const { return any_; }

private:
    bool any_ = false;
};

// Counts the failed deletions of a manual clean-up; every deletion is still attempted.
class CleanupTally {
public:
    CleanupTally& operator<<(bool succeeded)
    {
        failures_ += succeeded ? 0 : 1;
        return *this;
    }
    bool AllSucceeded() const { return failures_ == 0; }

private:
    int failures_ = 0;
};

class RecipeProduct : public ZEMProduct {
public:
    std::string Name() const override;
    OptionalString Version() const override { return version_; }

protected:
    RecipeProduct(Remove::Log* log, const char* defaultName, std::vector<std::string> editionCandidates);

    // Sets the product name, once, from the first registered candidate; the
    // look-ups write nothing to the removal log.
    void ProbeEdition();
    // Program Files + suffix, once; logs what it chose or why it could not.
    void ChooseDefaultFolder(const char* suffix);
    // Uninstall entry's install location, else the fallback value, else the
    // default folder; answers whether the folder exists.
    bool ResolveInstallFolder(const std::string& displayName, HKEY fallbackRoot, const std::string& fallbackKey,
                              const char* fallbackValue);
    bool ResolveInstallFolder(const std::string& displayName);
    // Display version, else the file version of the main executable.
    bool ResolveVersion(const std::string& displayName, const char* mainExecutable);
    bool IsInstallerProductPresent(const std::string& productName);
    bool IsUninstallEntryPresent(const std::string& productName);

    // The removal banner is each recipe's own first step; these steps write none.

    // Runs the registered uninstaller with the suffix (nothing when none is
    // registered) and logs when its registration survived.
    void StandardUninstall(const std::string& suffix);
    // Windows Installer or InstallShield, chosen by the uninstall string.
    // False only when the response file could not be written.
    bool SilentInstallShieldUninstall();
    // True when the product's registration survived the uninstaller.
    bool RegistrationRemains(const std::string& productName);

    // Writes `content` into `path` between "Creating install shield response
    // file..." and "done" or the error's description.
    bool WriteResponseFile(const std::string& path, const std::string& content);
    // The same without the opening piece, for writers that check more first.
    bool WriteResponseBody(const std::string& path, const std::string& content);

    Remove::Log& Out() const { return *log; }
    const std::string& ProductName() const { return productName_ ? *productName_ : defaultName_; }

    OptionalString productName_;
    OptionalString version_;
    OptionalString defaultFolder_;
    OptionalString installFolder_;

private:
    std::string defaultName_;
    std::vector<std::string> editionCandidates_;
};

// A registered folder that is an empty text names no folder: it counts as
// absent, so that the fallbacks are tried (setups often register "").
OptionalString NonEmptyFolder(OptionalString folder);

// The 105 bytes the client's and the relay's InstallShield uninstallers read.
extern const char* const kInstallShieldResponse;

// Where a Windows Installer uninstall string names its product with /I (which
// repairs when run silently), the same command with /X (which removes).
std::string WithInstallerRemoveSwitch(const std::string& uninstallString);

// An empty file in the temp folder, created by the system under a new name and
// deleted (read-only or not) when the holder lets it go. Path is empty when it
// could not be created.
class TemporaryFile {
public:
    TemporaryFile();
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Path() const { return path_; }
    void Delete();

private:
    std::string path_;
};

// The program's Program Files as a 32-bit setup sees it, with the suffix
// appended; absent when the system does not say.
OptionalString ProgramFilesPath(const char* suffix);
